#include "dsp/Windows.h"

#include <cmath>
#include <numbers>

namespace dsp {

void FillRaisedCosine(double a, double b, double* out, std::size_t n, bool periodic) {
    if (!out || n == 0) return;
    const std::size_t d = periodic ? n : n - 1;
    if (d == 0) {
        out[0] = a - b;
        return;
    }
    const double step = 2.0 * std::numbers::pi / static_cast<double>(d);
    for (std::size_t i = 0; i < n; ++i) out[i] = a - b * std::cos(step * static_cast<double>(i));
}

void FillWindow(WindowKind kind, double* out, std::size_t n, bool periodic) {
    if (!out) return;
    switch (kind) {
        case WindowKind::Hamming:
            FillRaisedCosine(0.54, 0.46, out, n, periodic);
            break;
        case WindowKind::SqrtHann:
            FillRaisedCosine(0.5, 0.5, out, n, periodic);
            // Rounding can leave −1e-17 where the window touches zero.
            for (std::size_t i = 0; i < n; ++i) out[i] = out[i] > 0.0 ? std::sqrt(out[i]) : 0.0;
            break;
        case WindowKind::Hann:
        default:
            FillRaisedCosine(0.5, 0.5, out, n, periodic);
            break;
    }
}

}  // namespace dsp
