// Our own radix-2 real FFT: the N real samples are taken as N/2 complex ones,
// transformed by an iterative radix-2 complex FFT and split into the real
// spectrum. Twiddles and the bit-reversal order are computed once in Init.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/RealFft.h"

class CRealFftOwn : public IRealFft {
public:
    CRealFftOwn() = default;

    // Sets the length n (samples, a power of two, see dsp::IsValidFftSize);
    // false for a bad length or when memory runs out.
    bool Init(std::size_t n);

    std::size_t Size() const override { return m_n; }
    void Forward(const double* in, std::complex<double>* out) override;
    void Inverse(const std::complex<double>* in, double* out) override;

private:
    // In-place complex FFT of m_n/2 points over m_work; sign −1 forward, +1 inverse.
    void Complex(int sign);

    std::size_t m_n = 0;
    std::vector<double> m_cos;  // cos(2πk/N), k < N/2
    std::vector<double> m_sin;  // sin(2πk/N), k < N/2
    std::vector<std::uint32_t> m_bitrev;
    std::vector<std::complex<double>> m_work;
};
