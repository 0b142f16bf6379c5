// The hum remover: depth of its notches at the mains frequencies and their
// harmonics, how little it touches music, the hum level it reports, the pass
// flags and its preset order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <numbers>
#include <vector>

#include "audiofile/WaveFile.h"
#include "enhance/AutoHum.h"
#include "shell/AppSettings.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kRate = 44100;
const CFilter::Params kMode60 = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Feeds interleaved values block by block; afterBlock sees the filter after each block.
std::vector<int32_t> FeedFilter(CFilter& filter, const std::vector<int32_t>& in, int channels,
                                const std::function<void()>& afterBlock = {}) {
    CWaveFile src(4096, 4096);
    CWaveFile out(8192, 0);
    for (CWaveFile* w : {&src, &out}) {
        w->SetFormat(1, static_cast<uint16_t>(channels), kRate, 16);
        w->SetOutputMode(kOutNone);
        w->SetClipping(false);
    }
    std::vector<int32_t> result;
    EXPECT_TRUE(filter.Prepare(src, out));
    const size_t step = 4096 / channels * channels;
    for (size_t at = 0; at < in.size(); at += step) {
        src.KeepHistory();
        for (size_t i = at; i < std::min(in.size(), at + step); ++i) src.PutSample(in[i]);
        EXPECT_TRUE(filter.Process(src, out));
        result.insert(result.end(), out.BlockStart(), out.EndCursor());
        out.KeepHistory();
        if (afterBlock) afterBlock();
    }
    EXPECT_TRUE(filter.Finish(src, out));
    return result;
}

std::vector<int32_t> Tone(double freq, double seconds, int channels = 1, double amp = 2e6) {
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<int32_t> v(frames * channels);
    for (size_t f = 0; f < frames; ++f) {
        const auto x = static_cast<int32_t>(amp * std::sin(2.0 * std::numbers::pi * freq * f / kRate));
        for (int c = 0; c < channels; ++c) v[f * channels + c] = x;
    }
    return v;
}

// Level of channel c over the last half second, in dB relative to the input's.
double ChangeDb(const std::vector<int32_t>& in, const std::vector<int32_t>& out, int channels = 1, int c = 0) {
    const size_t frames = in.size() / channels;
    double a = 0, b = 0;
    for (size_t f = frames - kRate / 2; f < frames; ++f) {
        a += double(in[f * channels + c]) * in[f * channels + c];
        b += double(out[f * channels + c]) * out[f * channels + c];
    }
    return 10.0 * std::log10((b + 1e-9) / a);
}

double Through(int mode, double freq) {
    CAutoHum hum;
    hum.SetParams({mode, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto in = Tone(freq, 2.0);
    const auto out = FeedFilter(hum, in, 1);
    EXPECT_EQ(out.size(), in.size());
    return ChangeDb(in, out);
}

TEST(AutoHumTest, NotchesTheMainsHarmonicsDeeplyAndLeavesMusicAlone) {
    for (double f : {50.0, 100.0, 150.0}) EXPECT_LT(Through(2, f), -30.0) << f;
    for (double f : {60.0, 120.0, 180.0}) {
        EXPECT_LT(Through(1, f), -30.0) << f;
        EXPECT_LT(Through(3, f), -30.0) << f;  // any mode but 0 and 2 is 60 Hz
    }
    for (int mode : {1, 2}) {
        for (double f : {440.0, 1000.0}) EXPECT_LT(std::fabs(Through(mode, f)), 0.5) << mode << " " << f;
    }
    // 50 Hz hum is not what the 60 Hz notch is for.
    EXPECT_GT(Through(1, 50.0), -6.0);
}

TEST(AutoHumTest, HumLevelRisesTowardTheTopForPureHumButNeverPassesIt) {
    for (int channels : {1, 2}) {
        CAutoHum hum;
        hum.SetParams(kMode60);
        int highest = 0;
        std::vector<int> levels;
        FeedFilter(hum, Tone(60.0, 8.0, channels, 8e6), channels, [&] {
            levels.push_back(hum.GetHumLevel());
            highest = std::max(highest, hum.GetHumLevel());
        });
        EXPECT_LE(highest, CAutoHum::kMaxLevel);
        EXPECT_GT(levels.back(), 950) << channels;
        EXPECT_GE(levels.back(), levels[levels.size() / 4]);
        EXPECT_EQ(hum.LastBlockLevel(), levels.back());
        EXPECT_EQ(hum.GetHumLevel(), 0);  // cleared by Finish
    }
    // Music without hum keeps it near the bottom.
    CAutoHum hum;
    hum.SetParams(kMode60);
    FeedFilter(hum, Tone(1000.0, 4.0, 2), 2);
    EXPECT_LT(hum.LastBlockLevel(), 20);
}

// Off, bypass and an untouched side come through unchanged; off reports no hum.
TEST(AutoHumTest, OffBypassAndAnUntouchedSideComeThroughUnchanged) {
    const auto in = Tone(60.0, 1.5, 2);
    CAutoHum hum;
    EXPECT_EQ(FeedFilter(hum, in, 2), in);
    EXPECT_EQ(hum.GetHumLevel(), 0);
    hum.SetParams(kMode60);
    hum.SetBypass(1);
    EXPECT_EQ(FeedFilter(hum, in, 2), in);
    hum.SetBypass(0);
    hum.SetChannelPass(1, 0);  // right untouched
    const auto out = FeedFilter(hum, in, 2);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 1; i < in.size(); i += 2) ASSERT_EQ(out[i], in[i]) << i;
    EXPECT_LT(ChangeDb(in, out, 2, 0), -30.0);
}

TEST(AutoHumTest, PresetsStoreTheModeThird) {
    TempDir dir;
    AppSettings settings;
    settings.PresetPath = dir.File("Presets");
    std::filesystem::create_directories(settings.PresetPath + "/AutoHum");
    SetSettings(&settings);
    CAutoHum a;
    a.SetParams({2, 5, 6, 7, 8, 9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(a.SavePreset("Euro"));
    const std::string text = ReadText(settings.PresetPath + "/AutoHum/Euro.pst");
    EXPECT_NE(text.find("Set=5,6,2,7,0,0,0,0,0,0,0"), std::string::npos) << text;
    CAutoHum b;
    ASSERT_EQ(b.LoadPreset("Euro"), 0);
    EXPECT_EQ(b.GetParams(), (CFilter::Params{2, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(b.Fundamental(), 50.0);
    EXPECT_EQ(b.LoadPreset("Missing"), 1);
    SetSettings(nullptr);
}

TEST(AutoHumTest, NotchDesignStaysStableAtTheBandEdges) {
    // Near Nyquist and near 0 Hz the band is moved inside; the section stays stable (|beta| < 0.5).
    for (double f : {0.001, 60.0, 22000.0, 22049.0}) {
        const CAutoHum::NotchCoeffs c = CAutoHum::DesignNotch(f, 0.07, 44100.0);
        EXPECT_TRUE(std::isfinite(c.alpha) && std::isfinite(c.beta) && std::isfinite(c.gamma)) << f;
        EXPECT_LT(std::fabs(c.beta), 0.5) << f;
    }
}

}  // namespace
