#include "dsp/RealFftw.h"

#include <fftw3.h>

#include <cstring>
#include <mutex>

namespace {

// FFTW's planner and plan destruction must not run on two threads at once.
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

CRealFftw::~CRealFftw() {
    Release();
}

void CRealFftw::Release() {
    std::lock_guard<std::mutex> guard(PlannerLock());
    if (m_forward) fftw_destroy_plan(static_cast<fftw_plan>(m_forward));
    if (m_inverse) fftw_destroy_plan(static_cast<fftw_plan>(m_inverse));
    fftw_free(m_real);
    fftw_free(m_spectrum);
    m_forward = m_inverse = nullptr;
    m_real = nullptr;
    m_spectrum = nullptr;
    m_n = 0;
}

bool CRealFftw::Init(std::size_t n) {
    Release();
    if (!dsp::IsValidFftSize(n)) return false;
    std::lock_guard<std::mutex> guard(PlannerLock());
    m_real = fftw_alloc_real(n);
    fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
    m_spectrum = spectrum;
    if (!m_real || !spectrum) return false;
    // Estimated plans: made in microseconds and they leave the buffers alone.
    const int len = static_cast<int>(n);
    m_forward = fftw_plan_dft_r2c_1d(len, m_real, spectrum, FFTW_ESTIMATE);
    m_inverse = fftw_plan_dft_c2r_1d(len, spectrum, m_real, FFTW_ESTIMATE);
    if (!m_forward || !m_inverse) return false;
    m_n = n;
    return true;
}

void CRealFftw::Forward(const double* in, std::complex<double>* out) {
    if (m_n == 0 || !in || !out) return;
    std::memcpy(m_real, in, m_n * sizeof(double));
    fftw_execute(static_cast<fftw_plan>(m_forward));
    std::memcpy(static_cast<void*>(out), m_spectrum, (m_n / 2 + 1) * sizeof(fftw_complex));
}

void CRealFftw::Inverse(const std::complex<double>* in, double* out) {
    if (m_n == 0 || !in || !out) return;
    std::memcpy(m_spectrum, static_cast<const void*>(in), (m_n / 2 + 1) * sizeof(fftw_complex));
    fftw_execute(static_cast<fftw_plan>(m_inverse));
    std::memcpy(out, m_real, m_n * sizeof(double));
}
