// The hiss reducer on its own, fed block by block through in-memory waves:
// exact length and identity at strength 0, residue, what the learned estimate
// keeps and removes, the two FFTs, presets and the profile mode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <random>
#include <vector>

#include "processing/ContinuousNoise.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"

namespace {

constexpr uint32_t kRate = 44100;

// The Clean stage's settings with the given strength.
CFilter::Params CleanParams(int strength, int mode = 2) {
    return {10, 10, strength, 4, 50, 12, mode, 1, 0, 0, 0};
}

// Mono or stereo noise plus a 1 kHz tone, on the 24-bit scale.
std::vector<int32_t> NoisyTone(size_t frames, int channels, double tone, double noise, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, noise);
    std::vector<int32_t> v(frames * channels);
    for (size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            v[f * channels + c] =
                static_cast<int32_t>(tone * std::sin(2 * std::numbers::pi * 1000.0 * f / kRate) + gauss(rng));
        }
    }
    return v;
}

std::vector<int32_t> RunWith(const CFilter::Params& p, const std::vector<int32_t>& in, int channels,
                             bool residue = false, bool ownFft = false) {
    CContinuousNoise f;
    f.SetUseOwnFft(ownFft);
    f.SetParams(p);
    f.SetKeepResidue(residue);
    return FeedFilter(f, in, channels);
}

using ContinuousNoiseTest = ProcessingTest;

TEST_F(ContinuousNoiseTest, StrengthZeroGivesTheInputBackWithinOneLsbAtAnyLengthInBothModes) {
    for (int mode : {2, 1}) {
        for (int channels : {1, 2}) {
            for (size_t frames : {size_t{1}, size_t{4095}, size_t{4096}, size_t{12345}}) {
                const auto in = NoisyTone(frames, channels, 2e6, 3e5);
                const auto out = RunWith(CleanParams(0, mode), in, channels);
                ASSERT_EQ(out.size(), in.size()) << mode << " " << channels << " " << frames;
                for (size_t i = 0; i < in.size(); ++i) ASSERT_LE(std::abs(out[i] - in[i]), 256) << i;
            }
        }
    }
}

TEST_F(ContinuousNoiseTest, ResidueAddsUpToTheInputAndBypassAndAnUntouchedChannelPassExactly) {
    const auto in = NoisyTone(60000, 2, 1e6, 2e5);
    const auto clean = RunWith(CleanParams(40), in, 2);
    const auto residue = RunWith(CleanParams(40), in, 2, true);
    ASSERT_EQ(clean.size(), in.size());
    ASSERT_EQ(residue.size(), in.size());
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(int64_t{clean[i]} + residue[i], in[i]) << i;
    EXPECT_NE(clean, in);

    CContinuousNoise f;
    f.SetParams(CleanParams(100));
    ExpectFlagsPassTheInput(f, in);
}

// Amplitude of the 1 kHz component of frames [from, to) of a mono signal.
double ToneAmplitude(const std::vector<int32_t>& v, size_t from, size_t to) {
    double c = 0, s = 0;
    for (size_t f = from; f < to; ++f) {
        const double phase = 2 * std::numbers::pi * 1000.0 * f / kRate;
        c += v[f] * std::cos(phase);
        s += v[f] * std::sin(phase);
    }
    return 2.0 * std::hypot(c, s) / double(to - from);
}

TEST_F(ContinuousNoiseTest, NoiseIsLearnedAndReducedWhileASustainedToneStays) {
    // Eight seconds: white noise alone, and the same noise under a tone held all the way through.
    const size_t frames = 8 * kRate, from = 5 * kRate, to = 8 * kRate;
    const auto noise = NoisyTone(frames, 1, 0.0, 2e4);
    const auto tone = NoisyTone(frames, 1, 8e5, 2e4);
    const auto quieter = RunWith(CleanParams(20), noise, 1);
    EXPECT_LT(Rms(quieter, from, to), 0.6 * Rms(noise, from, to));  // at least 4 dB
    // A tone that never stops is music all the same: within half a decibel.
    const auto kept = RunWith(CleanParams(20), tone, 1);
    EXPECT_NEAR(ToneAmplitude(kept, from, to) / 8e5, 1.0, 0.055);
    // Stereo shares one estimate; the stronger setting takes more away.
    std::vector<int32_t> both(2 * frames);
    for (size_t f = 0; f < frames; ++f) both[2 * f] = both[2 * f + 1] = noise[f];
    const auto shared = RunWith(CleanParams(20), both, 2);
    const auto strong = RunWith(CleanParams(60), both, 2);
    EXPECT_LT(Rms(shared, from, to, 2, 1), 0.6 * Rms(both, from, to, 2, 1));
    EXPECT_LT(Rms(strong, from, to, 2, 0), 0.7 * Rms(shared, from, to, 2, 0));
}

TEST_F(ContinuousNoiseTest, MusicAfterAQuietLeadInIsNotLearnedAsNoise) {
    // Two seconds of faint noise, then a tone 50 dB above it for six: the floor stays the noise's.
    const size_t frames = 8 * kRate;
    auto in = NoisyTone(frames, 1, 8e5, 2.5e3);
    const auto lead = NoisyTone(2 * kRate, 1, 0.0, 2.5e3);
    std::copy(lead.begin(), lead.end(), in.begin());
    const auto out = RunWith(CleanParams(20), in, 1);
    EXPECT_NEAR(ToneAmplitude(out, 6 * kRate, 8 * kRate) / 8e5, 1.0, 0.055);
    EXPECT_LT(Rms(out, kRate, 2 * kRate - 8192), 0.6 * Rms(in, kRate, 2 * kRate - 8192));
}

TEST_F(ContinuousNoiseTest, OwnAndFftwTransformsAgree) {
    const auto in = NoisyTone(3 * kRate, 2, 1e6, 1e5);
    const auto fftw = RunWith(CleanParams(30), in, 2, false, false);
    const auto own = RunWith(CleanParams(30), in, 2, false, true);
    ASSERT_EQ(fftw.size(), own.size());
    for (size_t i = 0; i < in.size(); ++i) ASSERT_LE(std::abs(fftw[i] - own[i]), 2) << i;
    // The setting picks the implementation when the filter is made.
    profile.WriteProfileInt(kSectionRestova, "useOldFFT", 1);
    EXPECT_TRUE(CContinuousNoise().UsesOwnFft());
}

TEST_F(ContinuousNoiseTest, PresetsKeepTheProfileAndRefuseShortLists) {
    const auto folder = PresetFolder("ContinuousNoise");
    CContinuousNoise a;
    a.SetParams({15, 90, 33, 2, 40, 0, 0, 1, 1, 7, 9});
    a.SetProfile({2, 10, 40}, {256.0, 512.0, 128.0}, {300.0, 200.0, 100.0});
    ASSERT_TRUE(a.SavePreset("Mine"));
    const std::string body = ReadText(folder / "Mine.pst");
    EXPECT_NE(body.find("Bin=2,10,40,"), std::string::npos) << body;
    EXPECT_NE(body.find("Amp=1,2,0.5,"), std::string::npos) << body;

    CContinuousNoise b;
    ASSERT_EQ(b.LoadPreset("Mine"), 0);
    // p8 (freeze) is never taken from a preset; p10 is stored as 0.
    EXPECT_EQ(b.GetParams(), (CFilter::Params{15, 90, 33, 2, 40, 3, 0, 1, 0, 7, 0}));
    ASSERT_EQ(b.ProfilePoints(), 3);
    EXPECT_DOUBLE_EQ(b.ProfileAmp(1, 2), 100.0);

    // Twelve points announced, five bins given: message 305, the profile untouched.
    std::ofstream(folder / "Short.pst") << "[ContinuousNoise]\nSet=20,100,50,4,80,12,2,1,1,0,0\nBin=1,2,3,4,5,\n"
                                        << "Amp=1,1,1,1,1,1,1,1,1,1,1,1,\nAmp2=1,1,1,1,1,1,1,1,1,1,1,1,\n";
    EXPECT_EQ(b.LoadPreset("Short"), 1);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text,
              "ERROR: An error occured reading the preset. Try deleting this preset and saving it again");
    EXPECT_EQ(b.ProfilePoints(), 3);
    EXPECT_EQ(b.GetParams()[4], 50);  // the hop is clamped into 10..50
}

TEST_F(ContinuousNoiseTest, ProfileModeFollowsItsCurve) {
    CContinuousNoise f;
    f.SetParams({10, 10, 40, 0, 50, 3, 0, 0, 0, 0, 0});
    // Loud noise profile above bin 100 only: interpolated, extrapolated, never below 0.01.
    f.SetProfile({0, 100, 101}, {-5.0, -5.0, 1e7}, {-5.0, -5.0, 1e7});
    const auto in = NoisyTone(kRate, 1, 1e6, 0);
    const auto out = FeedFilter(f, in, 1);
    EXPECT_DOUBLE_EQ(f.CurveAt(0, 50), 0.01 * 0.01);
    EXPECT_DOUBLE_EQ(f.CurveAt(0, 101), 1e14);
    EXPECT_GT(f.CurveAt(0, 200), 1e14);
    // 1 kHz is bin 46 of 256: below the loud part, kept.
    EXPECT_GT(Rms(out, kRate / 2, kRate), 0.95 * Rms(in, kRate / 2, kRate));
}

}  // namespace
