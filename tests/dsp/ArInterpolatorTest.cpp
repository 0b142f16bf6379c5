// Least-squares autoregressive interpolation: rebuilds what a model explains,
// from both sides at once, and refuses what does not fit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/ArInterpolator.h"
#include "dsp/Burg.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double GapError(const std::vector<double>& a, const std::vector<double>& b, size_t from, size_t to) {
    double e = 0;
    for (size_t i = from; i < to; ++i) e = std::max(e, std::fabs(a[i] - b[i]));
    return e;
}

TEST(ArInterpolator, RebuildsTonesAcrossLongGapsFromBothSides) {
    // Two partials with a little noise; gaps of several lengths amid 1024 samples a side.
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (size_t gap : {1u, 16u, 100u, 400u}) {
        std::vector<double> x(2048 + gap);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = 1000 * std::sin(2 * kPi * 0.013 * i) + 500 * std::sin(2 * kPi * 0.071 * i + 1) + noise(rng);
        const std::vector<double> clean = x;
        for (size_t i = 1024; i < 1024 + gap; ++i) x[i] = 30000;  // the damage
        CBurg burg;
        ASSERT_TRUE(burg.Reserve(2048, 40));
        std::vector<double> c(40);
        const int p = burg.Estimate(x.data(), 1024, x.data() + 1024 + gap, 1024, 40, c.data());
        ASSERT_GT(p, 4);
        CArInterpolator fill;
        ASSERT_TRUE(fill.Reserve(512, 40));
        ASSERT_TRUE(fill.Fill(x.data(), x.size(), 1024, gap, c.data(), p));
        EXPECT_LT(GapError(x, clean, 1024, 1024 + gap), 30.0) << gap;
        EXPECT_EQ(GapError(x, clean, 0, 1024), 0.0);
        EXPECT_EQ(GapError(x, clean, 1024 + gap, x.size()), 0.0);
    }
}

TEST(ArInterpolator, RefusesWhatDoesNotFitItsWorkspace) {
    CArInterpolator fill;
    ASSERT_TRUE(fill.Reserve(8, 4));
    std::vector<double> x(64, 1.0);
    const double c[4] = {0.5, 0.2, 0.1, 0.1};
    EXPECT_FALSE(fill.Fill(x.data(), x.size(), 10, 9, c, 4));  // gap too long
    EXPECT_FALSE(fill.Fill(x.data(), x.size(), 10, 4, c, 5));  // order too high
    EXPECT_FALSE(fill.Fill(x.data(), x.size(), 60, 8, c, 4));  // past the end
    EXPECT_TRUE(fill.Fill(x.data(), x.size(), 56, 8, c, 4));   // at the very end: one side only
    for (double v : x) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
