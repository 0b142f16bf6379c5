// Savitzky–Golay tables and the running median.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/Median.h"
#include "dsp/SavitzkyGolay.h"

namespace {

std::vector<double> Table(int m, int d, int s, int pos = 0) {
    std::vector<double> t(static_cast<std::size_t>(2 * m + 1), -999.0);
    EXPECT_TRUE(dsp::DesignSavitzkyGolay(m, d, s, t.data(), pos));
    return t;
}

TEST(SavitzkyGolay, MatchesThePublishedTables) {
    const struct {
        int m, d, s;
        std::vector<double> num;
        double den;
    } cases[] = {{2, 2, 0, {-3, 12, 17, 12, -3}, 35.0},
                 {3, 3, 0, {-2, 3, 6, 7, 6, 3, -2}, 21.0},  // odd degree adds nothing at the centre
                 {3, 4, 0, {5, -30, 75, 131, 75, -30, 5}, 231.0},
                 {2, 2, 1, {-2, -1, 0, 1, 2}, 10.0},
                 {2, 2, 2, {2, -1, -2, -1, 2}, 7.0}};
    for (const auto& c : cases) {
        const auto got = Table(c.m, c.d, c.s);
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.num[i] / c.den, 1e-12) << c.m << c.d << c.s;
    }
}

TEST(SavitzkyGolay, ReproducesPolynomialsUpToItsDegreeOffCentreToo) {
    // The impulse filter's table (16 each side, degree 4) and a wide one, for values and slopes.
    for (auto [m, d] : {std::pair{16, 4}, std::pair{40, 6}}) {
        auto p = [d](double j) {
            double v = 0.0, t = 1.0;
            for (int k = 0; k <= d; ++k, t *= (j - 0.3)) v += (k + 1.5) * t * (k % 2 ? -1 : 1);
            return v;
        };
        auto dp = [&](double j) { return (p(j + 1e-4) - p(j - 1e-4)) / 2e-4; };
        for (int pos : {0, -m / 2, m}) {
            const auto smooth = Table(m, d, 0, pos), slope = Table(m, d, 1, pos);
            double v = 0.0, s = 0.0;
            for (int j = -m; j <= m; ++j) {
                v += smooth[static_cast<std::size_t>(j + m)] * p(j);
                s += slope[static_cast<std::size_t>(j + m)] * p(j);
            }
            EXPECT_NEAR(v, p(pos), 1e-9 * std::max(1.0, std::fabs(p(pos))) * std::pow(m, d)) << m << " " << pos;
            EXPECT_NEAR(s, dp(pos), 1e-5 * std::max(1.0, std::fabs(dp(pos))) * std::pow(m, d)) << m << " " << pos;
        }
    }
    double out[3] = {7, 7, 7};
    EXPECT_FALSE(dsp::DesignSavitzkyGolay(1, 3, 0, out));     // 4 unknowns from 3 points
    EXPECT_FALSE(dsp::DesignSavitzkyGolay(1, 2, 3, out));     // derivative beyond the degree
    EXPECT_FALSE(dsp::DesignSavitzkyGolay(1, 2, 0, out, 2));  // outside the window
    EXPECT_EQ(out[0], 7.0);
}

TEST(RunningMedian, AgreesWithASortOfTheWindow) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> level(-6, 6);  // few distinct levels so that ties are common
    for (int w = 1; w <= 31; ++w) {
        CRunningMedian med;
        ASSERT_TRUE(med.Init(w));
        std::vector<double> history(static_cast<std::size_t>(w), 0.0);
        for (int i = 0; i < 400; ++i) {
            history.push_back(level(rng) * 1.5);
            med.Push(history.back());
            std::vector<double> win(history.end() - w, history.end());
            std::sort(win.begin(), win.end());
            const int k = i % w;
            ASSERT_EQ(med.Median(), win[static_cast<std::size_t>(w / 2)]) << w << " " << i;
            ASSERT_EQ(med.Smallest(k), win[static_cast<std::size_t>(k)]);
            ASSERT_EQ(med.Largest(k), win[static_cast<std::size_t>(w - 1 - k)]);
        }
    }
}

TEST(RunningMedian, HostileValuesAndLimits) {
    CRunningMedian med;
    EXPECT_FALSE(med.Init(0));
    EXPECT_FALSE(med.Init(CRunningMedian::kMaxWindow + 1));
    ASSERT_TRUE(med.Init(5));
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {std::nan(""), inf, -inf, 3.0, std::nan(""), 1.0, inf})
        med.Push(x);  // window: −inf, 3, 0 (from the NaN), 1, inf
    EXPECT_EQ(med.Smallest(1), 0.0);
    EXPECT_EQ(med.Largest(0), inf);
    EXPECT_EQ(med.Median(), 1.0);
    EXPECT_EQ(med.Largest(99), med.Smallest(0));
}

}  // namespace
