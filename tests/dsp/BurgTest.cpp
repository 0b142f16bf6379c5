// Burg's method: recovers known models, survives degenerate input, and fills
// gaps in predictable signals from both sides.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/Burg.h"

namespace {

std::vector<double> Ar2(std::size_t n, double c1, double c2) {
    std::mt19937 rng(3);
    std::normal_distribution<double> e(0.0, 1.0);
    std::vector<double> x(n + 500);  // 500 samples to forget the start
    for (std::size_t i = 2; i < x.size(); ++i) x[i] = c1 * x[i - 1] + c2 * x[i - 2] + e(rng);
    return std::vector<double>(x.begin() + 500, x.end());
}

TEST(Burg, RecoversTheCoefficientsOfAnAr2Process) {
    CBurg burg;
    ASSERT_TRUE(burg.Reserve(8192, 8));
    for (auto [c1, c2] : {std::pair{1.6, -0.8}, std::pair{-0.5, 0.3}}) {
        const auto x = Ar2(8192, c1, c2);
        double c[8];
        ASSERT_EQ(burg.Estimate(x.data(), x.size(), 2, c), 2);
        EXPECT_NEAR(c[0], c1, 0.03);
        EXPECT_NEAR(c[1], c2, 0.03);
        // A higher order finds nothing more: the extra coefficients stay small.
        ASSERT_EQ(burg.Estimate(x.data(), x.size(), 6, c), 6);
        for (int i = 2; i < 6; ++i) EXPECT_LT(std::fabs(c[i]), 0.05) << i;
    }
}

TEST(Burg, TwoSpansAreOneProcessWithoutTheSeam) {
    // One tone on both sides of a gap, its phase broken where the spans meet: as two spans the
    // tone is modelled exactly; read as one run the break bends the model.
    CBurg burg;
    ASSERT_TRUE(burg.Reserve(512, 8));
    const double w = 0.05;
    std::vector<double> x(512);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 1000.0 * std::sin(w * i + (i < 256 ? 0.0 : 2.0));
    double c[2];
    auto miss = [&](const double* k) { return std::fabs(k[0] - 2 * std::cos(w)) + std::fabs(k[1] + 1.0); };
    ASSERT_EQ(burg.Estimate(x.data(), 256, x.data() + 256, 256, 2, c), 2);
    const double apart = miss(c);
    EXPECT_LT(apart, 1e-3);
    ASSERT_EQ(burg.Estimate(x.data(), x.size(), 2, c), 2);
    EXPECT_GT(miss(c), 10 * apart) << apart;
    // Together they must fit the workspace.
    EXPECT_EQ(burg.Estimate(x.data(), 256, x.data(), 257, 2, c), -1);
}

TEST(Burg, DegenerateInputGivesAFiniteLowOrderModel) {
    CBurg burg;
    ASSERT_TRUE(burg.Reserve(1000, 40));
    double c[40];
    std::vector<double> x(1000, 0.0);
    EXPECT_EQ(burg.Estimate(x.data(), x.size(), 40, c), 0);

    // A constant is predicted exactly by its last value; nothing else is needed.
    x.assign(1000, 250.0);
    const int p = burg.Estimate(x.data(), x.size(), 40, c);
    ASSERT_EQ(p, 1);
    EXPECT_NEAR(c[0], 1.0, 1e-12);

    // Not finite, too short, or too big for the workspace.
    x[10] = std::numeric_limits<double>::infinity();
    EXPECT_EQ(burg.Estimate(x.data(), x.size(), 40, c), 0);
    for (double v : c) EXPECT_EQ(v, 0.0);
    x.assign(3, 1.0);
    x[1] = -2.0;
    EXPECT_LE(burg.Estimate(x.data(), 3, 40, c), 2);
    EXPECT_EQ(burg.Estimate(x.data(), 1001, 4, c), -1);
    EXPECT_EQ(burg.Estimate(x.data(), 3, 41, c), -1);
    for (double v : c) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
