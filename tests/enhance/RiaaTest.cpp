// The record equalisation filter: the coefficient set it picks for each rate,
// how close each set comes to the RIAA playback curve, and what a run through
// the runner does to real audio, with bypass and an untouched channel.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"
#include "enhance/Riaa.h"
#include "processing/FilterRunner.h"
#include "shell/AppSettings.h"
#include "shell/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

// The analog RIAA playback curve in dB, 0 dB at 1 kHz.
double RiaaCurveDb(double f) {
    auto h = [](double freq) {
        const std::complex<double> s(0.0, 2.0 * M_PI * freq);
        return (1.0 + s * 318e-6) / ((1.0 + s * 3180e-6) * (1.0 + s * 75e-6));
    };
    return 20.0 * std::log10(std::abs(h(f)) / std::abs(h(1000.0)));
}

double GainDb(const dsp::BiquadCoeffs& c, double f, double fs) {
    return dsp::MagnitudeDb(dsp::Response(c, f, fs));
}

// The coefficients the filter picks after preparing for a file at rate.
dsp::BiquadCoeffs PreparedFor(CRiaa& riaa, uint32_t rate) {
    CWaveFile source, output;
    source.SetFormat(kWaveFormatPcm, 2, rate, 16);
    EXPECT_TRUE(riaa.Prepare(source, output));
    return riaa.Coeffs();
}

bool SameCoeffs(const dsp::BiquadCoeffs& a, const dsp::BiquadCoeffs& b) {
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

TEST(RiaaTest, StandardSetGivesThePlaybackCurveAt48k) {
    CRiaa riaa;
    const dsp::BiquadCoeffs c = PreparedFor(riaa, 48000);
    EXPECT_NEAR(GainDb(c, 20.0, 48000), 19.3, 0.1);
    EXPECT_NEAR(GainDb(c, 1000.0, 48000), 0.0, 0.05);
    EXPECT_NEAR(GainDb(c, 20000.0, 48000), -19.1, 0.1);
    // The same set at 44.1 kHz.
    EXPECT_TRUE(SameCoeffs(PreparedFor(riaa, 44100), CRiaa::StandardCoeffs()));
}

TEST(RiaaTest, DesignedSetsFollowThePublishedCurveAtHighRates) {
    for (const uint32_t rate : {96000u, 192000u}) {
        CRiaa riaa;
        const dsp::BiquadCoeffs c = PreparedFor(riaa, rate);
        EXPECT_FALSE(SameCoeffs(c, CRiaa::StandardCoeffs())) << rate;
        EXPECT_NEAR(GainDb(c, 1000.0, rate), 0.0, 0.01) << rate;
        double worst = 0;
        for (int i = 0; i <= 200; ++i) {
            const double f = 20.0 * std::pow(1000.0, i / 200.0);
            worst = std::max(worst, std::abs(GainDb(c, f, rate) - RiaaCurveDb(f)));
        }
        EXPECT_LT(worst, 0.3) << rate;
        // Stable: both poles inside the unit circle.
        EXPECT_LT(std::abs(c.a2), 1.0) << rate;
        EXPECT_LT(std::abs(c.a1), 1.0 + c.a2) << rate;
    }
}

TEST(RiaaTest, OtherRatesKeepTheSetInUse) {
    CRiaa riaa;
    // A fresh filter at 22050 Hz keeps the 44.1/48 kHz set it starts with.
    EXPECT_TRUE(SameCoeffs(PreparedFor(riaa, 22050), CRiaa::StandardCoeffs()));
    // After a 96 kHz run, 22050 and 88200 Hz keep the 96 kHz set; 48 kHz goes back to the standard one.
    const dsp::BiquadCoeffs at96 = PreparedFor(riaa, 96000);
    EXPECT_TRUE(SameCoeffs(PreparedFor(riaa, 22050), at96));
    EXPECT_TRUE(SameCoeffs(PreparedFor(riaa, 88200), at96));
    EXPECT_TRUE(SameCoeffs(PreparedFor(riaa, 48000), CRiaa::StandardCoeffs()));
}

class RiaaRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.TempPath = dir.File("temp");
        std::filesystem::create_directories(settings.TempPath);
        SetSettings(&settings);
        SetServices(&services);
    }
    void TearDown() override {
        SetServices(nullptr);
        SetSettings(nullptr);
    }

    // Runs the filter over the whole of in through the runner and writes the result into out.
    bool Run(CRiaa& riaa, const std::string& in, const std::string& out, bool editLeft = true, bool editRight = true) {
        CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
        if (source.OpenRead(in) != kFileOk) return false;
        CFilterRunner runner;
        runner.SetSource(&source);
        runner.SetEditChannels(editLeft, editRight);
        bool ok = runner.RunFilter(0, 0, &riaa, nullptr, false);
        if (ok) ok = source.Session().CommitSession(out);
        source.Close();
        source.Session().DiscardSession(false);
        return ok;
    }

    // 24-bit stereo at 48 kHz: 1 kHz on the left, 100 Hz on the right, both at amplitude a.
    std::vector<int64_t> TwoTones(size_t frames, double a) {
        std::vector<int64_t> s(2 * frames);
        for (size_t i = 0; i < frames; ++i) {
            s[2 * i] = std::llround(a * std::sin(2 * M_PI * 1000.0 * i / 48000.0));
            s[2 * i + 1] = std::llround(a * std::sin(2 * M_PI * 100.0 * i / 48000.0));
        }
        return s;
    }

    // Peak of one channel over the second half (past the section's settling).
    static double Peak(const std::vector<int64_t>& s, int channel) {
        double peak = 0;
        for (size_t i = s.size() / 2 + channel; i < s.size(); i += 2) peak = std::max(peak, std::abs(double(s[i])));
        return peak;
    }

    TempDir dir;
    AppSettings settings;
    CHeadlessServices services;
};

TEST_F(RiaaRunTest, EqualisesEachChannelOfARecording) {
    const double a = 400000;
    const auto in = TwoTones(48000, a);
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 48000, 24, in));
    CRiaa riaa;
    ASSERT_TRUE(Run(riaa, dir.File("in.wav"), dir.File("out.wav")));
    WaveContents out;
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    const auto s = DecodeSamples(24, out.data);
    ASSERT_EQ(s.size(), in.size());
    const dsp::BiquadCoeffs c = CRiaa::StandardCoeffs();
    EXPECT_NEAR(20 * std::log10(Peak(s, 0) / a), GainDb(c, 1000.0, 48000), 0.05);
    EXPECT_NEAR(20 * std::log10(Peak(s, 1) / a), GainDb(c, 100.0, 48000), 0.05);
    EXPECT_NEAR(GainDb(c, 100.0, 48000), 13.1, 0.3);  // the bass really is lifted
}

TEST_F(RiaaRunTest, BypassAndAnUntouchedChannelPassAudioThrough) {
    const auto in = TwoTones(20000, 300000);
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 48000, 24, in));
    WaveContents original;
    ASSERT_TRUE(ReadWave(dir.File("in.wav"), original));

    CRiaa riaa;
    riaa.SetBypass(1);
    ASSERT_TRUE(Run(riaa, dir.File("in.wav"), dir.File("bypass.wav")));
    WaveContents bypass;
    ASSERT_TRUE(ReadWave(dir.File("bypass.wav"), bypass));
    EXPECT_EQ(bypass.data, original.data);

    // Only the left channel is edited: the right comes out as it went in.
    riaa.SetBypass(0);
    ASSERT_TRUE(Run(riaa, dir.File("in.wav"), dir.File("left.wav"), true, false));
    WaveContents left;
    ASSERT_TRUE(ReadWave(dir.File("left.wav"), left));
    const auto s = DecodeSamples(24, left.data);
    ASSERT_EQ(s.size(), in.size());
    size_t changedLeft = 0;
    for (size_t i = 0; i < s.size(); i += 2) {
        ASSERT_EQ(s[i + 1], in[i + 1]) << i;
        changedLeft += s[i] != in[i];
    }
    EXPECT_GT(changedLeft, s.size() / 4);
}

TEST_F(RiaaRunTest, MonoIgnoresTheChannelFlags) {
    std::vector<int64_t> in(10000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::llround(3000 * std::sin(2 * M_PI * 100.0 * i / 44100.0));
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 44100, 16, in));
    CRiaa riaa;
    // Editing only the right channel leaves the left untouched, which means nothing without a right.
    ASSERT_TRUE(Run(riaa, dir.File("in.wav"), dir.File("out.wav"), false, true));
    WaveContents out;
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    const auto s = DecodeSamples(16, out.data);
    ASSERT_EQ(s.size(), in.size());
    EXPECT_GT(std::max(Peak(s, 0), Peak(s, 1)), 3.0 * 3000);  // about +13 dB, not passed through
}

}  // namespace
