#include "dsp/RealFft.h"

#include <new>

#include "dsp/RealFftOwn.h"
#include "dsp/RealFftw.h"

namespace dsp {

bool IsValidFftSize(std::size_t n) {
    return n >= kMinFftSize && n <= kMaxFftSize && (n & (n - 1)) == 0;
}

std::unique_ptr<IRealFft> CreateRealFft(std::size_t n, bool useOwn) {
    if (!IsValidFftSize(n)) return nullptr;
    if (useOwn) {
        std::unique_ptr<CRealFftOwn> fft(new (std::nothrow) CRealFftOwn);
        if (!fft || !fft->Init(n)) return nullptr;
        return fft;
    }
    std::unique_ptr<CRealFftw> fft(new (std::nothrow) CRealFftw);
    if (!fft || !fft->Init(n)) return nullptr;
    return fft;
}

void PowerSpectrum(const std::complex<double>* in, std::size_t bins, double scale, double* out) {
    if (!in || !out) return;
    for (std::size_t k = 0; k < bins; ++k) out[k] = std::norm(in[k]) * scale;
}

}  // namespace dsp
