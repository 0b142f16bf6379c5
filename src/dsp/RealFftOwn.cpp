#include "dsp/RealFftOwn.h"

#include <cmath>
#include <new>
#include <numbers>

bool CRealFftOwn::Init(std::size_t n) {
    m_n = 0;
    if (!dsp::IsValidFftSize(n)) return false;
    const std::size_t half = n / 2;
    try {
        m_cos.resize(half);
        m_sin.resize(half);
        m_bitrev.resize(half);
        m_work.resize(half);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Each twiddle from its own angle rather than by recurrence: no error build-up.
    for (std::size_t k = 0; k < half; ++k) {
        const double a = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        m_cos[k] = std::cos(a);
        m_sin[k] = std::sin(a);
    }
    int bits = 0;
    while ((std::size_t{1} << bits) < half) ++bits;
    for (std::size_t k = 0; k < half; ++k) {
        std::uint32_t r = 0;
        for (int b = 0; b < bits; ++b)
            if (k & (std::size_t{1} << b)) r |= std::uint32_t{1} << (bits - 1 - b);
        m_bitrev[k] = r;
    }
    m_n = n;
    return true;
}

void CRealFftOwn::Complex(int sign) {
    const std::size_t m = m_n / 2;
    std::complex<double>* w = m_work.data();
    for (std::size_t len = 2; len <= m; len <<= 1) {
        const std::size_t half = len / 2;
        const std::size_t step = m_n / len;  // twiddle table stride for this stage
        for (std::size_t start = 0; start < m; start += len) {
            for (std::size_t j = 0; j < half; ++j) {
                const double c = m_cos[j * step];
                const double s = sign * m_sin[j * step];
                std::complex<double>& a = w[start + j];
                std::complex<double>& b = w[start + j + half];
                const double br = b.real() * c - b.imag() * s;
                const double bi = b.real() * s + b.imag() * c;
                const double ar = a.real(), ai = a.imag();
                a = {ar + br, ai + bi};
                b = {ar - br, ai - bi};
            }
        }
    }
}

void CRealFftOwn::Forward(const double* in, std::complex<double>* out) {
    if (m_n == 0 || !in || !out) return;
    const std::size_t m = m_n / 2;
    for (std::size_t k = 0; k < m; ++k) m_work[m_bitrev[k]] = {in[2 * k], in[2 * k + 1]};
    Complex(-1);
    // The even and odd samples' spectra E and O are hidden in Z = E + i·O;
    // X[k] = E[k] + e^(−2πik/N)·O[k].
    const double z0r = m_work[0].real(), z0i = m_work[0].imag();
    for (std::size_t k = 1; k < m; ++k) {
        const std::complex<double> zk = m_work[k];
        const std::complex<double> zc = std::conj(m_work[m - k]);
        const double er = 0.5 * (zk.real() + zc.real()), ei = 0.5 * (zk.imag() + zc.imag());
        // O = (zk − zc) / 2i
        const double orr = 0.5 * (zk.imag() - zc.imag()), oi = -0.5 * (zk.real() - zc.real());
        const double c = m_cos[k], s = -m_sin[k];
        out[k] = {er + orr * c - oi * s, ei + orr * s + oi * c};
    }
    out[0] = {z0r + z0i, 0.0};
    out[m] = {z0r - z0i, 0.0};
}

void CRealFftOwn::Inverse(const std::complex<double>* in, double* out) {
    if (m_n == 0 || !in || !out) return;
    const std::size_t m = m_n / 2;
    // Z[k] = 2E[k] + 2i·O[k], rebuilt from X[k] and conj(X[m−k]).
    const double x0 = in[0].real(), xm = in[m].real();
    m_work[m_bitrev[0]] = {x0 + xm, x0 - xm};
    for (std::size_t k = 1; k < m; ++k) {
        const std::complex<double> xk = in[k];
        const std::complex<double> xc = std::conj(in[m - k]);
        const double er = xk.real() + xc.real(), ei = xk.imag() + xc.imag();
        const double dr = xk.real() - xc.real(), di = xk.imag() - xc.imag();
        const double c = m_cos[k], s = m_sin[k];
        const double orr = dr * c - di * s, oi = dr * s + di * c;
        m_work[m_bitrev[k]] = {er - oi, ei + orr};
    }
    Complex(+1);
    for (std::size_t k = 0; k < m; ++k) {
        out[2 * k] = m_work[k].real();
        out[2 * k + 1] = m_work[k].imag();
    }
}
