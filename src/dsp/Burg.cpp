#include "dsp/Burg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace {
constexpr std::size_t kLanes = 4;
}  // namespace

bool CBurg::Reserve(std::size_t maxLength, int maxOrder) {
    m_maxLength = 0;
    m_maxOrder = 0;
    if (maxOrder < 0) return false;
    const std::size_t order = static_cast<std::size_t>(maxOrder);
    try {
        m_f.assign(maxLength, 0.0);
        m_b.assign(maxLength, 0.0);
        m_nextF.assign(maxLength, 0.0);
        m_nextB.assign(maxLength, 0.0);
        m_a.assign(order + 1, 0.0);
        m_tmp.assign(order + 1, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_maxLength = maxLength;
    m_maxOrder = maxOrder;
    return true;
}

int CBurg::Estimate(const double* x, std::size_t n, int order, double* coeffs) {
    return Estimate(x, n, nullptr, 0, order, coeffs);
}

int CBurg::Estimate(const double* x1, std::size_t n1, const double* x2, std::size_t n2, int order, double* coeffs) {
    if (!coeffs || order < 0 || order > m_maxOrder || n1 > m_maxLength || n2 > m_maxLength - n1) return -1;
    if ((n1 && !x1) || (n2 && !x2)) return -1;
    std::fill(coeffs, coeffs + order, 0.0);
    const std::size_t longest = std::max(n1, n2);
    if (longest < 2 || order == 0) return 0;
    const int p = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(order), longest - 1));

    double energy = 0.0;
    for (std::size_t i = 0; i < n1; ++i) energy += x1[i] * x1[i];
    for (std::size_t i = 0; i < n2; ++i) energy += x2[i] * x2[i];
    if (!(energy > 0.0) || !std::isfinite(energy)) return 0;
    // Below this the remaining error is rounding noise; a further stage would
    // divide noise by noise.
    const double floor = energy * 1e-24;

    if (n1) std::copy(x1, x1 + n1, m_f.begin());
    if (n2) std::copy(x2, x2 + n2, m_f.begin() + static_cast<std::ptrdiff_t>(n1));
    std::copy(m_f.begin(), m_f.begin() + static_cast<std::ptrdiff_t>(n1 + n2), m_b.begin());
    std::fill(m_a.begin(), m_a.begin() + p + 1, 0.0);
    m_a[0] = 1.0;
    // The spans lie one after the other in m_f and m_b; no error reaches across the seam.
    const std::size_t spans[2][2] = {{0, n1}, {n1, n1 + n2}};

    int reached = 0;
    for (int m = 1; m <= p; ++m) {
        // Four running sums each rather than one: a single chain of dependent adds is what limits
        // the fit's speed, and four lanes let the compiler use vector registers.
        std::array<double, kLanes> nums{}, dens{};
        for (const auto& span : spans) {
            const double* f = m_f.data();
            const double* b = m_b.data();
            std::size_t i = span[0] + static_cast<std::size_t>(m);
            for (; i + kLanes <= span[1]; i += kLanes) {
                for (std::size_t j = 0; j < kLanes; ++j) {
                    nums[j] += f[i + j] * b[i + j - 1];
                    dens[j] += f[i + j] * f[i + j] + b[i + j - 1] * b[i + j - 1];
                }
            }
            for (std::size_t j = 0; i < span[1]; ++i, ++j) {
                nums[j] += f[i] * b[i - 1];
                dens[j] += f[i] * f[i] + b[i - 1] * b[i - 1];
            }
        }
        const double num = (nums[0] + nums[2]) + (nums[1] + nums[3]);
        const double den = (dens[0] + dens[2]) + (dens[1] + dens[3]);
        if (!(den > floor) || !std::isfinite(den)) break;
        const double k = std::clamp(-2.0 * num / den, -1.0, 1.0);
        // Levinson update of the polynomial.
        for (int i = 0; i <= m; ++i) m_tmp[i] = m_a[i] + k * m_a[m - i];
        std::copy(m_tmp.begin(), m_tmp.begin() + m + 1, m_a.begin());
        // Errors of the next stage, into the spare pair (written apart from what they are made
        // of, the loop vectorises); only what the next stage reads is written.
        {
            const double* __restrict f = m_f.data();
            const double* __restrict b = m_b.data();
            double* __restrict nf = m_nextF.data();
            double* __restrict nb = m_nextB.data();
            for (const auto& span : spans) {
                for (std::size_t i = span[0] + static_cast<std::size_t>(m); i < span[1]; ++i) {
                    nf[i] = f[i] + k * b[i - 1];
                    nb[i] = b[i - 1] + k * f[i];
                }
            }
        }
        m_f.swap(m_nextF);
        m_b.swap(m_nextB);
        reached = m;
    }
    for (int i = 0; i < reached; ++i) coeffs[i] = -m_a[i + 1];
    return reached;
}
