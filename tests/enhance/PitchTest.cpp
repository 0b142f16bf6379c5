// Speed correction: the Pitch filter through the runner (lengths, what the
// audio becomes, speed curves, partial ranges, absurd speeds) and the
// operation that re-times a whole song in place.
#include "audiofile/FileNames.h"
#include "enhance/Pitch.h"
#include "enhance/SpeedCorrection.h"
#include "processing/FilterRunner.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

class PitchTest : public ProcessingTest {
protected:
    // Start and end speed, curve, and the curve's two shape values.
    static CFilter::Params Params(int p0, int p1, int mode = 0, int p4 = 0, int p6 = 0) {
        return {p0, p1, mode, 0, p4, 0, p6, 0, 0, 0, 0};
    }

    // Runs Pitch over [start, end) of in (bytes; 0, 0 = all) and writes the song's new audio into out.
    static bool Run(const CFilter::Params& params, const std::string& in, const std::string& out, uint32_t start = 0,
                    uint32_t end = 0) {
        CPitch pitch;
        pitch.SetParams(params);
        return RunIntoFile(pitch, in, out, start, end);
    }

    // Upward zero crossings of one channel in frames [from, to).
    static int Crossings(const std::vector<int64_t>& s, int channels, int channel, size_t from, size_t to) {
        int n = 0;
        for (size_t i = from + 1; i < to; ++i)
            n += s[(i - 1) * channels + channel] < 0 && s[i * channels + channel] >= 0;
        return n;
    }
};

TEST_F(PitchTest, A78PlayedAt33IsShortenedAndRaisedInPlace) {
    const double ratio = CSpeedCorrection::Ratio(78, 33);
    const size_t frames = 44100;
    const double f = 300.0 / 44100;
    ASSERT_TRUE(WriteWave(dir.File("song.wav"), 2, 44100, 16, SineWave(frames, 2, f, 12000)));

    CFilterRunner runner;
    ASSERT_TRUE(CSpeedCorrection::DoCorrectSpeed(runner, dir.File("song.wav"), ratio));
    const auto s = WaveSamples(dir.File("song.wav"));
    const size_t out = s.size() / 2;
    EXPECT_NEAR(double(out) / frames, 0.426, 0.0005);
    // The tone is 2.3478 times higher on both channels; the song's waveform is gone until rebuilt.
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(Crossings(s, 2, c, 0, out) / (out * f), 1.3478 + 1.0, 0.01) << c;
    }
    EXPECT_FALSE(std::filesystem::exists(PeakFileName(dir.File("song.wav"))));
    EXPECT_EQ(runner.Source(), nullptr);
}

TEST_F(PitchTest, RatioOneKeepsTheLength) {
    std::vector<int64_t> in(30001);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int64_t>((i * 7919) % 200001) - 100000;
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 48000, 24, in));
    ASSERT_TRUE(Run(Params(0, 0), dir.File("in.wav"), dir.File("out.wav")));
    const auto out = WaveSamples(dir.File("out.wav"));
    ASSERT_EQ(out.size(), in.size());
    // Each output frame is the input frame before it: the first comes from the silent history.
    EXPECT_EQ(out[0], 0);
    for (size_t i = 1; i < out.size(); ++i) ASSERT_EQ(out[i], in[i - 1]) << i;
}

TEST_F(PitchTest, LinearRampCoversTheRangeInAnyFormat) {
    // From speed 1 to 2 the output lasts N·ln 2 frames, whatever the channels and width.
    const size_t frames = 60000;
    for (const auto& [channels, bits] : {std::pair<int, int>{2, 24}, {1, 16}}) {
        ASSERT_TRUE(WriteWave(dir.File("in.wav"), channels, 44100, bits, SineWave(frames, channels, 0.01, 1000)));
        ASSERT_TRUE(Run(Params(0, 10000), dir.File("in.wav"), dir.File("out.wav")));
        const auto out = WaveSamples(dir.File("out.wav"));
        EXPECT_NEAR(double(out.size() / channels) / frames, std::log(2.0), 0.002) << channels << "/" << bits;
    }
}

TEST_F(PitchTest, CubicRampRisesMonotonically) {
    const size_t frames = 200000;
    const double f = 0.01;
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 44100, 16, SineWave(frames, 2, f, 10000)));
    ASSERT_TRUE(Run(Params(0, 10000, 1, 2000, 8000), dir.File("in.wav"), dir.File("out.wav")));
    const auto s = WaveSamples(dir.File("out.wav"));
    const size_t out = s.size() / 2;
    // The tone's frequency, window by window, climbs from f to 2f and never falls back.
    const size_t window = out / 20;
    double previous = 0;
    for (size_t w = 0; w < 20; ++w) {
        const double rate = Crossings(s, 2, 1, w * window, (w + 1) * window) / (window * f);
        EXPECT_GE(rate, previous - 0.02) << w;
        if (w == 0 || w == 19) {
            EXPECT_NEAR(rate, w == 0 ? 1.0 : 2.0, 0.05);
        }
        previous = rate;
    }
}

TEST_F(PitchTest, ARangeInTheMiddleLeavesTheRestAlone) {
    std::vector<int64_t> in(30000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int64_t>((i * 31) % 20001) - 10000;
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 44100, 16, in));
    ASSERT_TRUE(Run(Params(10000, 10000), dir.File("in.wav"), dir.File("out.wav"), 20000, 40000));
    const auto out = WaveSamples(dir.File("out.wav"));
    // Twice the speed halves the 10000 frames of the range; the audio around it is unchanged and
    // not repeated.
    ASSERT_EQ(out.size(), 25000u);
    for (size_t i = 0; i < 10000; ++i) ASSERT_EQ(out[i], in[i]) << i;
    for (size_t i = 0; i < 10000; ++i) ASSERT_EQ(out[15000 + i], in[20000 + i]) << i;
}

TEST_F(PitchTest, AbsurdSpeedsEndAndAreRefusedForSongs) {
    // A speed of zero or below would never move on: the filter holds it at its lowest.
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 44100, 16, std::vector<int64_t>(1000, 500)));
    ASSERT_TRUE(Run(Params(-10000, -30000), dir.File("in.wav"), dir.File("out.wav")));
    EXPECT_EQ(WaveSamples(dir.File("out.wav")).size(), size_t(1000 / CPitch::kMinSpeed));

    EXPECT_EQ(CSpeedCorrection::Ratio(16, 33), 0.0);
    ASSERT_TRUE(WriteWave(dir.File("song.wav"), 1, 44100, 16, std::vector<int64_t>(1000, 7)));
    const Bytes before = ReadBytes(dir.File("song.wav"));
    CFilterRunner runner;
    EXPECT_FALSE(CSpeedCorrection::DoCorrectSpeed(runner, dir.File("song.wav"), 0.0));
    EXPECT_FALSE(CSpeedCorrection::DoCorrectSpeed(runner, dir.File("song.wav"), std::nan("")));
    EXPECT_EQ(ReadBytes(dir.File("song.wav")), before);
    EXPECT_FALSE(CSpeedCorrection::DoCorrectSpeed(runner, dir.File("none.wav"), 2.0));
    EXPECT_FALSE(services.Messages().empty());
}

}  // namespace
