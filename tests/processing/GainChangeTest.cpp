// The gain change filter run over real waves: each envelope shape at its start,
// middle and end, the channel and bypass flags, and parameters that make no sense.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/ProcessingFixture.h"
#include "support/WaveBuilder.h"

namespace {

class GainChangeTest : public ProcessingTest {
protected:
    // Runs gain over [start, end) (bytes) of a 24-bit song holding samples; the output's samples.
    std::vector<int32_t> Run(CGainChange& gain, uint16_t channels, const std::vector<int32_t>& samples,
                             uint32_t start = 0, uint32_t end = 0) {
        const std::string song = dir.File("song" + std::to_string(++m_songs) + ".wav");
        EXPECT_TRUE(WriteInternal(song, 1, channels, 44100, 24, samples));
        CWaveFile source(1000, 4096);
        EXPECT_EQ(source.OpenRead(song), kFileOk);
        runner.SetSource(&source);
        EXPECT_TRUE(runner.RunFilter(start, end, &gain, nullptr, false));
        std::vector<int32_t> out = ReadInternal(runner.LastOutputName());
        source.Session().DiscardSession(false);
        runner.SetSource(nullptr);
        return out;
    }

    CFilterRunner runner;

private:
    int m_songs = 0;
};

TEST_F(GainChangeTest, EveryShapeHasItsGainAtTheStartMiddleAndEndOfTheRange) {
    // Left +1e6 and right -1e6 over frames 1000..6500; the output at frames 0, 2750 and 5499 of the range.
    struct Case {
        CFilter::Params p;
        int32_t at[3];
    };
    const Case cases[] = {
        {{0, 0, 1000}, {45, 6737, 998183}},                          // rising exponential
        {{1, 1300, 100}, {1300000, 108085, 100054}},                 // falling exponential
        {{2, 0, 2000}, {0, 1000000, 1999636}},                       // straight line
        {{3, -30000, 0, 0, 0, -10, 5}, {31622, 523299, 1000313}},    // curve in dB through two control values
        {{4, 1000, 1000}, {0, 0, 0}},                                // silence
        {{2, 2000000000, 2000000000}, {8388607, 8388607, 8388607}},  // far past full scale: held, no overflow
    };
    std::vector<int32_t> input(2 * 7001);
    for (size_t i = 0; i < input.size(); ++i) input[i] = i % 2 ? -1000000 : 1000000;
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << k.p[0] << " " << k.p[1] << "->" << k.p[2]);
        CGainChange gain;
        gain.SetParams(k.p);
        const std::vector<int32_t> out = Run(gain, 2, input, 6 * 1000, 6 * 6500);
        ASSERT_EQ(out.size(), 2u * 5500);
        const size_t frames[] = {0, 2750, 5499};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(out[2 * frames[j]], k.at[j], 1) << "frame " << frames[j];
            EXPECT_NEAR(out[2 * frames[j] + 1], k.at[j] == 8388607 ? -8388608 : -k.at[j], 1) << "frame " << frames[j];
        }
    }
}

TEST_F(GainChangeTest, UntouchedChannelBypassAndUnknownShapes) {
    std::vector<int32_t> input(2 * 3000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<int32_t>((i * 2654435761u) % 16000001) - 8000000;
    CGainChange gain;
    gain.SetParams({2, 500, 500});
    // Only one channel selected for editing: the other is handed through.
    for (bool left : {true, false}) {
        runner.SetEditChannels(left, !left);
        const std::vector<int32_t> out = Run(gain, 2, input);
        ASSERT_EQ(out.size(), input.size());
        for (size_t i = 0; i < input.size(); ++i) {
            const bool edited = (i % 2 == 0) == left;
            ASSERT_EQ(out[i], edited ? input[i] / 2 : input[i]) << i;
        }
    }
    EXPECT_EQ(Run(gain, 1, input), input);  // a mono song's only channel is the left one
    runner.SetEditChannels(true, true);

    gain.SetBypass(1);
    EXPECT_EQ(Run(gain, 2, input), input);
    EXPECT_EQ(Run(gain, 1, input), input);

    // An unknown shape keeps the last gain of the one before.
    gain.SetBypass(0);
    const std::vector<int32_t> level(3000, 1000000);
    gain.SetParams({2, 700, 700});
    Run(gain, 1, level);
    gain.SetParams({9, 100, 100});
    EXPECT_EQ(Run(gain, 1, level), std::vector<int32_t>(level.size(), 700000));
}

}  // namespace
