// The adaptive hum canceller: how deep it takes each harmonic wherever the
// mains sits within its range, and how little of the music beside them, bass
// a hertz away included, it touches (sample by sample, phase counted).
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
    } rows[] = {{60, 60}, {60, 60.5}, {60, 59.5}, {50, 50}, {50, 50.3}, {50, 49.5}};
    for (const auto& row : rows) {
        CHumCanceller hum;
        hum.Prepare(row.nominal, kRate);
        const size_t n = static_cast<size_t>(16 * kRate), from = n - static_cast<size_t>(2 * kRate);
        std::vector<double> in(n), out(n);
        for (size_t i = 0; i < n; ++i) {
            double x = 0;
            for (int k = 1; k <= 7; ++k) x += 1e5 / k * std::sin(2 * std::numbers::pi * k * row.actual * i / kRate + k);
            in[i] = x;
            out[i] = hum.Process(x);
        }
        EXPECT_NEAR(hum.Frequency(), row.actual, 0.01) << row.actual;
        for (int k = 1; k <= 7; ++k) {
            const double f = k * row.actual;
            EXPECT_LT(20 * std::log10(Level(out, from, f) / Level(in, from, f)), -30.0) << row.actual << " x" << k;
        }
    }
}

TEST(HumCancellerTest, MusicBesideTheMainsStaysWithOrWithoutHum) {
    // Bass notes one to four hertz from the harmonics (G and G sharp), with envelopes, and a melody
    // above; the hum, where
    // there is some, counts as error.
    const double notes[] = {49.0, 51.9, 98.0, 103.8, 146.8, 155.6, 440.0, 659.3};
    for (const double humLevel : {0.0, 3e4}) {
        CHumCanceller hum;
        hum.Prepare(50, kRate, 2);
        double signal = 0, error = 0;
        for (size_t i = 0; i < static_cast<size_t>(20 * kRate); ++i) {
            const double t = i / kRate;
            double x = 0, h = 0;
            for (size_t k = 0; k < std::size(notes); ++k)
                x += 3e5 * (0.6 + 0.4 * std::sin(2 * std::numbers::pi * (0.3 + 0.1 * k) * t)) *
                     std::sin(2 * std::numbers::pi * notes[k] * t);
            for (int k = 1; k <= 7; ++k) h += humLevel / k * std::sin(2 * std::numbers::pi * k * 50.0 * t + k);
            const double in[2] = {x + h, 0.5 * x - h};
            double out[2];
            hum.Process(in, out);
            if (t < 12) continue;
            signal += x * x + 0.25 * x * x;
            error += (out[0] - x) * (out[0] - x) + (out[1] - 0.5 * x) * (out[1] - 0.5 * x);
        }
        EXPECT_GT(10 * std::log10(signal / error), 35.0) << humLevel;
    }
}

}  // namespace
