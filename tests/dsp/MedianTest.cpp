// The running median.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/Median.h"

namespace {

TEST(RunningMedian, AgreesWithASortOfTheWindow) {
    const double inf = std::numeric_limits<double>::infinity();
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> level(-7, 7);  // few distinct levels so that ties are common
    const auto valueOf = [&](int l) {                 // three levels stand for the hostile values
        return l == 7 ? inf : l == -7 ? -inf : l == 6 ? std::nan("") : l * 1.5;
    };
    for (int w = 1; w <= CRunningMedian::kMaxWindow; ++w) {
        CRunningMedian med;
        ASSERT_TRUE(med.Init(w));
        std::vector<double> history(static_cast<std::size_t>(w), 0.0);
        for (int i = 0; i < 400; ++i) {
            const double x = valueOf(level(rng));
            med.Push(x);
            history.push_back(std::isnan(x) ? 0.0 : x);
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
