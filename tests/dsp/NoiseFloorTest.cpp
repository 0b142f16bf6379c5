// The noise-floor tracker on synthetic power spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/NoiseFloor.h"

namespace {

constexpr int kBins = 512;

// Power spectra of white noise of the given mean, with a loud steady tone in bins 200..202 and,
// below bin 100, a louder and busier band standing for the music's bass.
struct Spectra {
    std::mt19937 rng{3};
    std::exponential_distribution<double> chi{1.0};
    std::vector<double> p = std::vector<double>(kBins);
    const double* Next(double mean, double bass = 0.0) {
        for (int k = 0; k < kBins; ++k) p[k] = mean * chi(rng) + (k < 100 ? bass * chi(rng) : 0.0);
        for (int k = 200; k < 203; ++k) p[k] = 1e6 * mean;
        return p.data();
    }
};

double MeanFloor(const CNoiseFloor& f, int from, int to) {
    double s = 0;
    for (int k = from; k < to; ++k) s += f.Floor()[k];
    return s / (to - from);
}

TEST(NoiseFloor, FindsTheNoiseUnderToneAndBassFallsAtOnceAndRisesSlowly) {
    CNoiseFloor f;
    ASSERT_TRUE(f.Init(kBins, 1.02));
    EXPECT_EQ(MeanFloor(f, 0, kBins), 0.0);
    Spectra s;
    for (int i = 0; i < 300; ++i) f.Update(s.Next(100.0, 1e5));
    // The noise's mean, within 2 dB, also under the tone and the bass.
    for (int k : {0, 50, 150, 201, 400, kBins - 1}) {
        EXPECT_GT(f.Floor()[k], 63.0) << k;
        EXPECT_LT(f.Floor()[k], 160.0) << k;
    }
    // Quieter noise is followed within a few spectra; louder only at the rise allowed (2 % a spectrum).
    for (int i = 0; i < 10; ++i) f.Update(s.Next(10.0));
    const double quiet = MeanFloor(f, 300, 400);
    EXPECT_LT(quiet, 16.0);
    for (int i = 0; i < 20; ++i) f.Update(s.Next(1000.0));
    EXPECT_GT(MeanFloor(f, 300, 400), 1.2 * quiet);
    EXPECT_LT(MeanFloor(f, 300, 400), 1.001 * quiet * std::pow(1.02, 20));
    f.Reset();
    EXPECT_EQ(MeanFloor(f, 0, kBins), 0.0);
    // Sizes that cannot work are refused.
    EXPECT_FALSE(f.Init(0, 1.0));
}

}  // namespace
