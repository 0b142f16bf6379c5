// Real FFT of a power-of-two length N: Forward turns N real samples into the
// N/2 + 1 bins 0..N/2 (DC and Nyquist included, their imaginary parts 0);
// Inverse turns such a half spectrum back into N samples, unscaled, so that
// Inverse(Forward(x)) = N·x. Inverse ignores the imaginary parts of bins 0
// and N/2. Neither allocates; both may run on several objects in parallel.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>

class IRealFft {
public:
    virtual ~IRealFft() = default;

    // Transform length N in samples.
    virtual std::size_t Size() const = 0;
    // in: N samples; out: N/2 + 1 bins.
    virtual void Forward(const double* in, std::complex<double>* out) = 0;
    // in: N/2 + 1 bins; out: N samples, N times the original.
    virtual void Inverse(const std::complex<double>* in, double* out) = 0;
};

namespace dsp {

// Smallest and largest transform lengths, in samples.
inline constexpr std::size_t kMinFftSize = 2;
inline constexpr std::size_t kMaxFftSize = std::size_t{1} << 24;

// True for a power of two within the limits above.
bool IsValidFftSize(std::size_t n);

// A transform of length n, our own (useOwn) or the FFTW one; both give the
// same results up to rounding. Null for a bad length or when memory runs out.
std::unique_ptr<IRealFft> CreateRealFft(std::size_t n, bool useOwn);

// Power of each bin: out[k] = |in[k]|²·scale, for bins values.
void PowerSpectrum(const std::complex<double>* in, std::size_t bins, double scale, double* out);

}  // namespace dsp
