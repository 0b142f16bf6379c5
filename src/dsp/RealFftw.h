// The real FFT over FFTW3. Plans are made once in Init (FFTW's planner is not
// thread-safe, so planning and plan destruction run under one program-wide lock);
// executing a plan needs no lock.
#pragma once

#include <complex>
#include <cstddef>

#include "dsp/RealFft.h"

class CRealFftw : public IRealFft {
public:
    CRealFftw() = default;
    ~CRealFftw() override;
    CRealFftw(const CRealFftw&) = delete;
    CRealFftw& operator=(const CRealFftw&) = delete;

    // Sets the length n (samples, a power of two); false for a bad length or
    // when FFTW cannot allocate or plan.
    bool Init(std::size_t n);

    std::size_t Size() const override { return m_n; }
    void Forward(const double* in, std::complex<double>* out) override;
    void Inverse(const std::complex<double>* in, double* out) override;

private:
    void Release();

    std::size_t m_n = 0;
    double* m_real = nullptr;
    void* m_spectrum = nullptr;  // fftw_complex[N/2 + 1]
    void* m_forward = nullptr;
    void* m_inverse = nullptr;
};
