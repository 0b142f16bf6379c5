#include "dsp/SavitzkyGolay.h"

#include <array>
#include <cmath>
#include <utility>

namespace dsp {
namespace {

constexpr int kN = kMaxSgDegree + 1;

// Solves m·x = g in place (x returned in g) by Gaussian elimination with
// partial pivoting; false when the matrix is singular.
bool Solve(std::array<std::array<double, kN>, kN>& m, std::array<double, kN>& g, int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
        if (!(std::fabs(m[pivot][col]) > 1e-300)) return false;
        std::swap(m[col], m[pivot]);
        std::swap(g[col], g[pivot]);
        for (int r = col + 1; r < n; ++r) {
            const double f = m[r][col] / m[col][col];
            for (int c = col; c < n; ++c) m[r][c] -= f * m[col][c];
            g[r] -= f * g[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double s = g[r];
        for (int c = r + 1; c < n; ++c) s -= m[r][c] * g[c];
        g[r] = s / m[r][r];
    }
    return true;
}

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
    if (!Solve(m, g, n)) return false;

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
