// The four-band dynamics filter: the band split adding
// up to the input, the gain laws on a steady and a releasing level, the stereo
// detector, bypass and channel flags with the computation still running, and
// parameters no preset should hold.
#include <array>
#include <climits>

#include "enhance/PunchAndCrunch.h"
#include "support/FilterHarness.h"

namespace {

constexpr double kFs = 44100.0;

CFilter::Params Params(std::initializer_list<std::pair<int, int>> set) {
    CFilter::Params p{};
    for (auto [index, value] : set) p[index] = value;
    return p;
}

// With unity band gains the bands add up to the input: only the input and make-up gains
// act (and the tiny offset that keeps the filters off denormals, 1e-6 of full scale).
TEST(PunchAndCrunchTest, UnityBandGainsGiveTheInputBack) {
    const std::vector<int32_t> in = Noise(2 * 30000, 6e6);
    const double offset = 1e-6 * 8388607.0, scale = 8388607.0 / 8388608.0, makeUp = std::pow(10.0, -0.3);
    struct Case {
        CFilter::Params params;
        double gain;    // input level and make-up
        double makeUp;  // make-up alone, which scales the offset
    };
    std::vector<Case> cases = {
        // Thresholds at full scale, law 0: nothing reaches them.
        {Params({{10, -5}, {4, 20}}), 1.0, 1.0},
        // Input level 0 (x1.05) and make-up -6 dB, crossover set 1.
        {Params({{4, 10}, {7, -60}, {9, 1}, {10, 0}}), 1.05 * makeUp, makeUp},
    };
    // Ratio code 10 (exponent 1) under law 2, with thresholds far below the signal.
    cases.push_back({Params({{0, -600}, {1, -600}, {2, -600}, {3, -600}, {4, 10}, {8, 2}, {10, -5}}), 1, 1});
    for (const Case& c : cases) {
        for (uint16_t channels : {1, 2}) {
            CPunchAndCrunch punch;
            punch.SetParams(c.params);
            const std::vector<int32_t> out = FeedFilter(punch, in, channels);
            ASSERT_EQ(out.size(), in.size());
            double worst = 0;
            for (size_t i = 0; i < in.size(); ++i) {
                worst = std::max(worst, std::fabs(out[i] - (in[i] * c.gain * scale + offset * c.makeUp)));
            }
            EXPECT_LT(worst, 1.5) << "channels " << channels << " law " << c.params[8];
        }
    }
}

// A steady level settles each envelope on the detector value, so the band gain follows
// the law exactly: a constant lives wholly in band 1, and mono halves the detector.
TEST(PunchAndCrunchTest, GainLawsOnASteadyLevel) {
    // Threshold -20 dB (0.1), ratio code 20 (r = 0.5): the exponent is -0.5. Law 0
    // compresses above the threshold, law 1 expands there, law 2 acts below as well.
    const struct {
        int law;
        double level;  // of full scale
        bool acts;     // whether the law applies at that level
    } cases[] = {{0, 0.5, true}, {1, 0.5, true}, {0, 0.05, false}, {1, 0.05, false}, {2, 0.05, true}};
    for (const auto& c : cases) {
        const int32_t sample = static_cast<int32_t>(c.level * 8388608.0);
        const double env = sample / 8388608.0 / 2 + 0.5e-6;  // the offset rides along
        const double expected = !c.acts ? 1.0 : std::pow(c.law == 1 ? 0.1 / env : env / 0.1, -0.5);
        CPunchAndCrunch punch;
        // Attack 0: the smoothers' corners (up to 7 / T) lie beyond Nyquist and must stay stable.
        punch.SetParams(Params({{0, -200}, {4, 20}, {5, 0}, {6, 10}, {8, c.law}, {10, -5}}));
        const std::vector<int32_t> in(20000, sample);
        const std::vector<int32_t> out = FeedFilter(punch, in, 1);
        // The held value may have just released by one step (0.22 per mille) below the level.
        EXPECT_NEAR(punch.Envelopes()[0], env, 2.3e-4 * env) << c.law;
        EXPECT_NEAR(punch.BandGains()[0], expected, 1.2e-4 * expected) << c.law;
        EXPECT_NEAR(out.back(), in.back() * expected, 1.2e-4 * in.back() * expected + 10) << c.law;
    }
}

// While the envelopes release, each band's gain still follows the law at its own threshold.
TEST(PunchAndCrunchTest, ReleasingGainsFollowTheLaw) {
    std::vector<int32_t> in = Noise(2 * 40000, 8e6, 6);
    for (size_t i = 2 * 8000; i < in.size(); ++i) in[i] /= 300;  // a loud start, then quiet
    for (int law : {0, 1, 2}) {
        CPunchAndCrunch punch;
        punch.SetParams(Params({{0, -300}, {1, -350}, {2, -400}, {3, -450}, {4, 30}, {5, 20}, {6, 40}, {8, law}}));
        int checked = 0;
        FeedFilter(punch, in, 2, {.block = 1024, .beforeBlock = [&](size_t at) {
                                      if (at == 0) return;  // nothing computed yet
                                      const auto& k = punch.Coefficients();
                                      for (int b = 0; b < 4; ++b) {
                                          const double env = punch.Envelopes()[b], t = k.thresholds[b];
                                          if (law != 2 && env < t) {
                                              EXPECT_EQ(punch.BandGains()[b], 1.0);
                                              continue;
                                          }
                                          const double q = law == 1 ? t / env : std::max(env, 1e-9) / t;
                                          EXPECT_NEAR(punch.BandGains()[b] / std::pow(q, k.ratio - 1.0), 1.0, 1e-9)
                                              << law << " " << b;
                                          ++checked;
                                      }
                                  }});
        EXPECT_GT(checked, 20) << law;
    }
}

// Equal and opposite channels cancel in the detector: the envelopes behave exactly as
// for digital silence, however loud the channels are, and past the smoothers' start only decay.
TEST(PunchAndCrunchTest, OppositeChannelsGiveTheDetectorNothing) {
    const std::vector<int32_t> mono = Noise(20000, 7e6, 3);
    std::vector<int32_t> opposite, silence(2 * mono.size(), 0);
    for (int32_t v : mono) opposite.insert(opposite.end(), {v, -v});
    std::vector<std::array<double, 4>> env[2];
    for (int run = 0; run < 2; ++run) {
        CPunchAndCrunch punch;
        punch.SetParams(Params({{0, -400}, {1, -400}, {2, -400}, {3, -400}, {4, 20}, {5, 50}, {6, 20}}));
        FeedFilter(punch, run ? silence : opposite, 2,
                   {.block = 512, .beforeBlock = [&](size_t) { env[run].push_back(punch.Envelopes()); }});
    }
    ASSERT_EQ(env[0].size(), env[1].size());
    for (size_t i = 0; i < env[0].size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            EXPECT_NEAR(env[0][i][b], env[1][i][b], 1e-12) << i << " band " << b;
            if (i >= 2) {
                EXPECT_LE(env[0][i][b], env[0][i - 1][b]) << i << " band " << b;
            }
        }
    }
}

// Bypass and the channel flags hand the input through, while the computation runs on:
// lifting bypass mid-run gives exactly what a run without it gives from there on.
TEST(PunchAndCrunchTest, BypassAndChannelFlagsKeepTheStateRunning) {
    const std::vector<int32_t> in = Noise(2 * 20000, 5e6, 9);
    const auto params = Params({{0, -300}, {1, -300}, {2, -300}, {3, -300}, {4, 25}, {5, 20}, {6, 30}, {7, 40}});
    CPunchAndCrunch plain, bypassed, left, right;
    for (CPunchAndCrunch* p : {&plain, &bypassed, &left, &right}) p->SetParams(params);
    left.SetChannelPass(0, 1);
    right.SetChannelPass(1, 0);

    const std::vector<int32_t> reference = FeedFilter(plain, in, 2, {.block = 4096});
    const size_t half = 4096 * 5;
    const std::vector<int32_t> toggled = FeedFilter(
        bypassed, in, 2, {.block = 4096, .beforeBlock = [&](size_t at) { bypassed.SetBypass(at < half ? 1 : 0); }});
    ASSERT_EQ(toggled.size(), in.size());
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + half, toggled.begin()));
    EXPECT_TRUE(std::equal(reference.begin() + half, reference.end(), toggled.begin() + half));
    EXPECT_NE(reference, in);

    const std::vector<int32_t> l = FeedFilter(left, in, 2);
    const std::vector<int32_t> r = FeedFilter(right, in, 2);
    for (size_t i = 0; i < in.size(); i += 2) {
        ASSERT_EQ(l[i], in[i]);
        ASSERT_EQ(l[i + 1], reference[i + 1]);
        ASSERT_EQ(r[i], reference[i]);
        ASSERT_EQ(r[i + 1], in[i + 1]);
    }
}

// Parameters no shipped preset holds must still give a finite, full-length output in
// range; Prepare refuses what the filter cannot run.
TEST(PunchAndCrunchTest, HostileParametersStayFinite) {
    std::vector<int32_t> in = Noise(2 * 9000, 8.3e6, 4);
    std::fill(in.begin() + 6000, in.end(), 0);
    for (int law : {0, 1, 2}) {
        for (int v : {INT_MIN, -1, 0, 1, INT_MAX}) {
            CPunchAndCrunch punch;
            const int n = v == INT_MIN ? INT_MAX : -v;
            punch.SetParams({v, n, v, v, v, v, v, n, law, v, v});
            const std::vector<int32_t> out = FeedFilter(punch, in, 2, {.block = 1000, .clamp = true});
            ASSERT_EQ(out.size(), in.size());
            for (int32_t s : out) ASSERT_TRUE(s >= -8388608 && s <= 8388607);
        }
    }
    CPunchAndCrunch punch;
    CWaveFile source, output;
    source.SetFormat(1, 2, 0, 16);
    EXPECT_FALSE(punch.Prepare(source, output));
}

}  // namespace
