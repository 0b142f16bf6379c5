// The adaptive hum canceller: how deep it takes the harmonics wherever the
// mains sits within its range, and how little of the music beside them, bass
// a hertz or two away included, it touches (sample by sample, phase counted).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/HumCanceller.h"

namespace {

constexpr double kRate = 44100.0;

// Amplitude of the component at f over v[from..].
double Level(const std::vector<double>& v, size_t from, double f) {
    std::complex<double> sum = 0.0;
    for (size_t i = from; i < v.size(); ++i) sum += v[i] * std::polar(1.0, -2 * std::numbers::pi * f * i / kRate);
    return std::abs(sum) / static_cast<double>(v.size() - from);
}

TEST(HumCancellerTest, EachHarmonicGoesWhereverTheMainsSits) {
    const struct {
        double nominal, actual;
    } rows[] = {{60, 60}, {60, 60.4}, {60, 59.5}, {50, 50}, {50, 50.3}, {50, 49.6}};
    for (const auto& row : rows) {
        CHumCanceller hum;
        hum.Prepare(row.nominal, kRate);
        const size_t n = static_cast<size_t>(16 * kRate), from = n - static_cast<size_t>(kRate);
        std::vector<double> in(n), out(n);
        for (size_t i = 0; i < n; ++i) {
            double x = 0;
            for (int k = 1; k <= 7; ++k) x += 1e5 / k * std::sin(2 * std::numbers::pi * k * row.actual * i / kRate + k);
            in[i] = x;
            out[i] = hum.Process(x);
        }
        EXPECT_NEAR(hum.Frequency(), row.actual, 0.02) << row.actual;
        // Off its nominal frequency the oscillator needs seconds to get there, and its small
        // wander then costs the upper harmonics depth: only the first two are held to 30 dB.
        for (int k = 1; k <= (row.actual == row.nominal ? 7 : 2); ++k) {
            const double f = k * row.actual;
            EXPECT_LT(20 * std::log10(Level(out, from, f) / Level(in, from, f)), -30.0) << row.actual << " x" << k;
        }
    }
}

TEST(HumCancellerTest, MusicBesideTheMainsStays) {
    // Bass notes a hertz and more from the harmonics, with envelopes, and a melody above.
    CHumCanceller hum;
    hum.Prepare(60, kRate);
    const double notes[] = {55.0, 61.7, 116.5, 123.5, 185.0, 440.0, 659.3};
    double signal = 0, error = 0;
    for (size_t i = 0; i < static_cast<size_t>(10 * kRate); ++i) {
        const double t = i / kRate;
        double x = 0;
        for (size_t k = 0; k < std::size(notes); ++k)
            x += 3e5 * (0.6 + 0.4 * std::sin(2 * std::numbers::pi * (0.3 + 0.1 * k) * t)) *
                 std::sin(2 * std::numbers::pi * notes[k] * t);
        const double y = hum.Process(x);
        if (t < 2) continue;
        signal += x * x;
        error += (y - x) * (y - x);
    }
    EXPECT_GT(10 * std::log10(signal / error), 30.0);
}

}  // namespace
