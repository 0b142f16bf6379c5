#pragma once
// Dot products in several running sums: one chain of dependent adds is what limits a dot
// product's speed, and separate lanes let the compiler use vector registers. The lanes are added
// in a fixed order, so a result never depends on the machine or the compiler.
#include <array>

namespace dsp {

// Σ a[i]·b[i·Step] for i < n, in Lanes running sums (a power of two, at least 2). Step -1 walks b
// backwards from where it points.
template <int Lanes, int Step = 1, typename T>
T Dot(const T* a, const T* b, int n) {
    static_assert(Lanes >= 2 && (Lanes & (Lanes - 1)) == 0, "lanes: a power of two");
    std::array<T, Lanes> sum{};
    int i = 0;
    for (; i + Lanes <= n; i += Lanes) {
        for (int j = 0; j < Lanes; ++j) sum[j] += a[i + j] * b[(i + j) * Step];
    }
    for (int j = 0; j < Lanes && i + j < n; ++j) sum[j] += a[i + j] * b[(i + j) * Step];
    // The upper half onto the lower, then neighbours in pairs.
    for (int j = 0; j < Lanes / 2; ++j) sum[j] += sum[j + Lanes / 2];
    for (int count = Lanes / 2; count > 1; count /= 2) {
        for (int j = 0; j < count / 2; ++j) sum[j] = sum[2 * j] + sum[2 * j + 1];
    }
    return sum[0];
}

}  // namespace dsp
