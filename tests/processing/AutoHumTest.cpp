// The hum remover: depth of its notches at the mains frequencies and their
// harmonics, how little it touches music, the hum level it reports, the pass
// flags and its preset order.
#include <cmath>
#include <filesystem>

#include "processing/AutoHum.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"

namespace {

constexpr uint32_t kRate = 44100;
const CFilter::Params kMode60 = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Level of channel c over the last half second, in dB relative to the input's.
double ChangeDb(const std::vector<int32_t>& in, const std::vector<int32_t>& out, int channels = 1, int c = 0) {
    double a = 0, b = 0;
    for (size_t i = in.size() - channels * kRate / 2 + c; i < in.size(); i += channels) {
        a += double(in[i]) * in[i];
        b += double(out[i]) * out[i];
    }
    return 10.0 * std::log10((b + 1e-9) / a);
}

double Through(int mode, double freq) {
    CAutoHum hum;
    hum.SetParams({mode, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto in = Tone(freq, 2 * kRate, 1, 2e6);
    return ChangeDb(in, FeedFilter(hum, in, 1));
}

TEST(AutoHumTest, NotchesTheMainsHarmonicsDeeplyAndLeavesMusicAlone) {
    for (double f : {50.0, 150.0}) EXPECT_LT(Through(2, f), -30.0) << f;
    for (double f : {60.0, 180.0}) {
        EXPECT_LT(Through(1, f), -30.0) << f;
        EXPECT_LT(Through(3, f), -30.0) << f;  // any mode but 0 and 2 is 60 Hz
    }
    for (int mode : {1, 2}) EXPECT_LT(std::fabs(Through(mode, 1000.0)), 0.5) << mode;
    EXPECT_GT(Through(1, 50.0), -6.0);  // 50 Hz hum is not what the 60 Hz notch is for
}

TEST(AutoHumTest, AdaptiveMethodTakesTheHumAndKeepsTheBassTheNotchesTake) {
    // A bass note inside the fundamental's notch, with 60 Hz hum and its harmonics on top: the
    // canceller takes the hum, leaves the note and still reports the hum it removed.
    const size_t frames = 12 * kRate;
    std::vector<int32_t> in(frames), hum(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        double h = 0;
        for (int k = 1; k <= 3; ++k) h += 2e5 / k * std::sin(2 * M_PI * 60.0 * k * t);
        hum[i] = static_cast<int32_t>(h);
        in[i] = static_cast<int32_t>(h + 1e6 * std::sin(2 * M_PI * 58.3 * t));
    }
    CAutoHum notches, adaptive;
    adaptive.SetMethod(CAutoHum::Method::kAdaptive);
    std::vector<int> levels;
    for (CAutoHum* f : {&notches, &adaptive}) f->SetParams(kMode60);
    const auto viaNotches = FeedFilter(notches, in, 1);
    const auto viaCanceller = FeedFilter(
        adaptive, in, 1, {.block = 4096, .beforeBlock = [&](size_t) { levels.push_back(adaptive.GetHumLevel()); }});
    // How close each comes to the note alone over the last second: the canceller's depth at
    // the harmonics themselves is the canceller's own test.
    auto noteSnrDb = [&](const std::vector<int32_t>& out) {
        double e = 0, n = 0;
        for (size_t i = frames - kRate; i < frames; ++i) {
            const double note = in[i] - hum[i];
            e += std::pow(out[i] - note, 2);
            n += note * note;
        }
        return 10 * std::log10(n / e);
    };
    EXPECT_GT(noteSnrDb(viaCanceller), 15.0);
    EXPECT_LT(noteSnrDb(viaNotches), 5.0);  // the notches take the note with the hum
    EXPECT_GT(levels.back(), 0);
}

TEST(AutoHumTest, HumLevelRisesTowardTheTopForPureHumButNeverPassesIt) {
    for (int channels : {1, 2}) {
        CAutoHum hum;
        hum.SetParams(kMode60);
        std::vector<int> levels;
        FeedFilter(hum, Tone(60.0, 8 * kRate, channels, 8e6), channels,
                   {.block = 4096, .beforeBlock = [&](size_t) { levels.push_back(hum.GetHumLevel()); }});
        levels.push_back(hum.LastBlockLevel());
        EXPECT_LE(*std::max_element(levels.begin(), levels.end()), CAutoHum::kMaxLevel);
        EXPECT_GT(levels.back(), 950) << channels;
        EXPECT_GE(levels.back(), levels[levels.size() / 4]);
        EXPECT_EQ(hum.GetHumLevel(), 0);  // cleared by Finish
    }
    // Music without hum keeps it near the bottom.
    CAutoHum hum;
    hum.SetParams(kMode60);
    FeedFilter(hum, Tone(1000.0, 4 * kRate, 2, 2e6), 2);
    EXPECT_LT(hum.LastBlockLevel(), 20);
}

// Off, bypass and an untouched side come through unchanged; off reports no hum.
TEST(AutoHumTest, OffBypassAndAnUntouchedSideComeThroughUnchanged) {
    const auto in = Tone(60.0, 3 * kRate / 2, 2, 2e6);
    CAutoHum hum;
    EXPECT_EQ(FeedFilter(hum, in, 2), in);
    EXPECT_EQ(hum.LastBlockLevel(), 0);
    hum.SetParams(kMode60);
    EXPECT_LT(ChangeDb(in, ExpectFlagsPassTheInput(hum, in), 2, 0), -30.0);
}

class AutoHumPresetTest : public ProcessingTest {};

TEST_F(AutoHumPresetTest, PresetsStoreTheModeThird) {
    PresetFolder("AutoHum");
    CAutoHum a;
    a.SetParams({2, 5, 6, 7, 8, 9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(a.SavePreset("Euro"));
    const std::string text = ReadText(settings.PresetPath + "/AutoHum/Euro.pst");
    EXPECT_NE(text.find("Set=5,6,2,7,0,0,0,0,0,0,0"), std::string::npos) << text;
    CAutoHum b;
    ASSERT_EQ(b.LoadPreset("Euro"), 0);
    EXPECT_EQ(b.GetParams(), (CFilter::Params{2, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
