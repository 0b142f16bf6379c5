#include "dsp/SavitzkyGolay.h"

#include <array>
#include <cmath>

#include "dsp/LinearSolve.h"

namespace dsp {
namespace {

constexpr int kN = kMaxSgDegree + 1;

}  // namespace

bool DesignSavitzkyGolay(int halfWidth, int degree, int derivative, double* out, int position) {
    if (!out || halfWidth < 0 || halfWidth > kMaxSgHalfWidth || degree < 0 || degree > kMaxSgDegree ||
        degree > 2 * halfWidth || derivative < 0 || derivative > degree || position < -halfWidth ||
        position > halfWidth)
        return false;
    const int n = degree + 1;
    // Offsets are scaled to t = j/m in [−1, 1] to keep the normal equations
    // well conditioned; a derivative in t becomes one per sample by 1/m^s.
    const double scale = halfWidth > 0 ? static_cast<double>(halfWidth) : 1.0;

    // Normal matrix Σ t^(r+c) over the window.
    std::array<double, 2 * kN> moments{};
    for (int j = -halfWidth; j <= halfWidth; ++j) {
        const double t = j / scale;
        double p = 1.0;
        for (int k = 0; k < 2 * n - 1; ++k, p *= t) moments[k] += p;
    }
    std::array<std::array<double, kN>, kN> m{};
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) m[r][c] = moments[r + c];

    // g[k] = d^s/dt^s t^k at the evaluation point.
    const double t0 = position / scale;
    std::array<double, kN> g{};
    for (int k = derivative; k < n; ++k) {
        double f = 1.0;
        for (int i = 0; i < derivative; ++i) f *= k - i;
        g[k] = f * std::pow(t0, k - derivative);
    }
    if (!SolveLinear(m, g, n, g)) return false;

    const double perSample = std::pow(scale, -derivative);
    for (int j = -halfWidth; j <= halfWidth; ++j) {
        const double t = j / scale;
        double p = 1.0, w = 0.0;
        for (int k = 0; k < n; ++k, p *= t) w += g[k] * p;
        out[j + halfWidth] = w * perSample;
    }
    return true;
}

}  // namespace dsp
