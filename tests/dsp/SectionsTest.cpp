// Running the sections: every state layout computes the same filter, block
// splitting never changes a result, and a running section's steady-state
// gain is the gain its design's response evaluation claims.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/Biquad.h"
#include "dsp/BiquadCascade.h"
#include "dsp/FilterDesign.h"
#include "dsp/FirstOrder.h"
#include "dsp/OnePole.h"
#include "dsp/ThirdOrderSection.h"

namespace {

std::vector<double> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    std::vector<double> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

// Amplitude of a sine of frequency f after the section has settled.
template <class Section>
double SteadyGain(Section& s, double f, double fs) {
    double peak = 0.0;
    for (int i = 0; i < 24000; ++i) {
        const double y = s.Process(std::sin(2.0 * std::numbers::pi * f * i / fs));
        if (i >= 20000) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

TEST(BiquadSections, BothStateLayoutsInUseComputeTheSameFilter) {
    const auto x = RandomSignal(20000, 1);
    // A resonant peak and a low corner: the layouts' rounding differs most there.
    for (const dsp::BiquadCoeffs& c :
         {dsp::DesignPeaking(900.0, 12.0, 0.2, 44100.0), dsp::DesignButterworthHighpass2(20.0, 44100.0)}) {
        CBiquad df1(c, dsp::BiquadForm::DirectI), df2(c, dsp::BiquadForm::DirectII);
        for (double v : x) ASSERT_NEAR(df1.Process(v), df2.Process(v), 1e-9);
    }
}

TEST(BiquadSections, BlockSplittingAndInterleavingDoNotChangeTheResult) {
    const auto x = RandomSignal(5003, 2);
    CBiquadCascade design;
    ASSERT_TRUE(dsp::DesignButterworthLowpass(5, 3000.0, 48000.0, design));
    std::vector<double> whole = x, odd = x;
    CBiquadCascade a = design, c = design;
    a.ProcessBlock(whole.data(), whole.size());
    for (std::size_t pos = 0, len = 1; pos < odd.size(); len = len * 3 % 97 + 1) {  // 1, 4, 13, 40, 24, ...
        const std::size_t n = std::min(len, odd.size() - pos);
        c.ProcessBlock(odd.data() + pos, n);
        pos += n;
    }
    EXPECT_EQ(whole, odd);

    // Stride 2 walks one channel of an interleaved pair and leaves the other alone.
    std::vector<double> stereo(2 * x.size());
    for (std::size_t i = 0; i < x.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = x[i];
    CBiquad left(dsp::DesignPeaking(1000.0, 6.0, 1.0, 44100.0)), mono(left);
    left.ProcessBlock(stereo.data(), x.size(), 2);
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(stereo[2 * i], mono.Process(x[i]));
        ASSERT_EQ(stereo[2 * i + 1], x[i]);
    }
}

TEST(BiquadSections, RunningGainMatchesTheEvaluatedResponse) {
    const double fs = 44100.0;
    for (double f : {60.0, 2500.0, 9000.0}) {
        CThirdOrderSection hp(dsp::DesignButterworthHighpass3(900.0, fs));
        EXPECT_NEAR(SteadyGain(hp, f, fs), std::abs(dsp::Response(hp.Coeffs(), f, fs)), 2e-3) << f;
        CFirstOrder lp(dsp::DesignOnePoleLowpass(1000.0, fs));
        EXPECT_NEAR(SteadyGain(lp, f, fs), std::abs(dsp::Response(lp.Coeffs(), f, fs)), 2e-3) << f;
        CBiquadCascade bw;
        ASSERT_TRUE(dsp::DesignButterworthHighpass(4, 1000.0, fs, bw));
        EXPECT_NEAR(SteadyGain(bw, f, fs), std::abs(dsp::Response(bw, f, fs)), 2e-3) << f;
    }
}

TEST(OnePoleSmoother, TimeConstantsAndDecayLaw) {
    const double fs = 48000.0, attack = 0.01, release = 0.1;
    COnePole env;
    env.SetTimes(attack, release, fs);
    // A step reaches 1 − 1/e after one attack time, and falls back to 1/e after one release time.
    int n = 0;
    while (env.ProcessEnvelope(-1.0) < 1.0 - std::exp(-1.0)) ++n;
    EXPECT_NEAR(n, attack * fs, 2.0);
    env.Reset(1.0);
    for (n = 0; env.Process(0.0) > std::exp(-1.0);) ++n;
    EXPECT_NEAR(n, release * fs, 2.0);
    EXPECT_NEAR(std::pow(dsp::DecayPerSample(441.0), 441.0), 0.38, 1e-12);
    EXPECT_EQ(dsp::DecayPerSample(0.0), 0.0);
}

}  // namespace
