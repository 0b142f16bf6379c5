#include "dsp/ArInterpolator.h"

#include <algorithm>
#include <cmath>
#include <new>

bool CArInterpolator::Reserve(std::size_t maxGap, int maxOrder) {
    m_maxGap = 0;
    m_maxOrder = 0;
    if (maxOrder < 0) return false;
    const std::size_t order = static_cast<std::size_t>(maxOrder);
    try {
        m_band.assign(maxGap * (order + 1), 0.0);
        m_rhs.assign(maxGap, 0.0);
        m_a.assign(order + 1, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_maxGap = maxGap;
    m_maxOrder = maxOrder;
    return true;
}

bool CArInterpolator::Fill(double* x, std::size_t n, std::size_t gap, std::size_t length, const double* c, int order,
                           const double* weights) {
    if (!x || length > m_maxGap || order < 0 || order > m_maxOrder || gap > n || length > n - gap) return false;
    if (length == 0) return true;
    if (order > 0 && !c) return false;
    const auto L = static_cast<std::ptrdiff_t>(length);
    const auto g = static_cast<std::ptrdiff_t>(gap);
    const auto N = static_cast<std::ptrdiff_t>(n);
    const std::ptrdiff_t p = order;
    m_a[0] = 1.0;
    for (std::ptrdiff_t k = 1; k <= p; ++k) m_a[k] = -c[k - 1];

    // Errors e[t] = Σ a[k]·x[t−k] for t in [g, g + L + p), as far as both the filter's reach and
    // the known samples go: error t sees x[t−p..t].
    const std::ptrdiff_t tEnd = std::min(g + L + p, N);
    const std::size_t bw = static_cast<std::size_t>(p) + 1;
    std::fill(m_band.begin(), m_band.begin() + static_cast<std::ptrdiff_t>(length * bw), 0.0);
    std::fill(m_rhs.begin(), m_rhs.begin() + L, 0.0);
    for (std::ptrdiff_t t = g; t < tEnd; ++t) {
        const std::ptrdiff_t kMax = std::min(p, t);  // x[t−k] must exist
        double known = 0.0;
        for (std::ptrdiff_t k = 0; k <= kMax; ++k) {
            const std::ptrdiff_t s = t - k;
            if (s < g || s >= g + L) known += m_a[k] * x[s];
        }
        // Unknowns i = s − g in this error: s from max(t − kMax, g) to min(t, g + L − 1).
        const std::ptrdiff_t lo = std::max(t - kMax, g) - g, hi = std::min(t, g + L - 1) - g;
        for (std::ptrdiff_t i = lo; i <= hi; ++i) {
            const double ai = m_a[t - g - i];
            m_rhs[i] -= ai * known;
            // Lower band: row i, columns j = i − d for d = 0..min(p, i − lo).
            double* row = &m_band[static_cast<std::size_t>(i) * bw];
            for (std::ptrdiff_t j = std::max(lo, i - p); j <= i; ++j) row[i - j] += ai * m_a[t - g - j];
        }
    }

    if (weights) {
        for (std::ptrdiff_t i = 0; i < L; ++i) {
            const double w = std::max(weights[i], 0.0);
            m_band[static_cast<std::size_t>(i) * bw] += w;
            m_rhs[i] += w * x[g + i];
        }
    }

    // Banded Cholesky: M = G·Gᵀ, G lower with the same band; row i holds G[i][i−d] at d.
    for (std::ptrdiff_t i = 0; i < L; ++i) {
        double* ri = &m_band[static_cast<std::size_t>(i) * bw];
        for (std::ptrdiff_t j = std::max<std::ptrdiff_t>(0, i - p); j <= i; ++j) {
            const double* rj = &m_band[static_cast<std::size_t>(j) * bw];
            double sum = ri[i - j];
            for (std::ptrdiff_t k = std::max<std::ptrdiff_t>(0, i - p); k < j; ++k) sum -= ri[i - k] * rj[j - k];
            if (j == i) {
                // The leading error a[0] = 1 keeps the matrix positive definite; a ridge guards rounding.
                if (!(sum > 1e-12)) sum = 1e-12;
                ri[0] = std::sqrt(sum);
            } else {
                ri[i - j] = sum / rj[0];
            }
        }
    }
    // Forward then backward substitution.
    for (std::ptrdiff_t i = 0; i < L; ++i) {
        const double* ri = &m_band[static_cast<std::size_t>(i) * bw];
        double sum = m_rhs[i];
        for (std::ptrdiff_t k = std::max<std::ptrdiff_t>(0, i - p); k < i; ++k) sum -= ri[i - k] * m_rhs[k];
        m_rhs[i] = sum / ri[0];
    }
    for (std::ptrdiff_t i = L - 1; i >= 0; --i) {
        double sum = m_rhs[i];
        for (std::ptrdiff_t k = i + 1; k <= std::min(L - 1, i + p); ++k)
            sum -= m_band[static_cast<std::size_t>(k) * bw + static_cast<std::size_t>(k - i)] * m_rhs[k];
        m_rhs[i] = sum / m_band[static_cast<std::size_t>(i) * bw];
    }
    for (std::ptrdiff_t i = 0; i < L; ++i) {
        if (!std::isfinite(m_rhs[i])) return false;
    }
    std::copy(m_rhs.begin(), m_rhs.begin() + L, x + g);
    return true;
}
