// The gain change filter run over real waves: every envelope shape checked
// sample by sample against its formula, the channel and bypass flags, and
// what happens with parameters that make no sense.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/ProcessingFixture.h"
#include "support/WaveBuilder.h"

namespace {

class GainChangeTest : public ProcessingTest {
protected:
    // Runs gain over [start, end) of a 24-bit song holding samples; the output's samples.
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

// The envelope as the shapes define it, P and N in bytes.
double Envelope(const CFilter::Params& p, double P, double N) {
    const double g0 = p[1] / 1000.0, g1 = p[2] / 1000.0, t = P / N;
    switch (p[0]) {
        case 0:
            return (g1 - g0) * std::exp(10 * t - 10) + g0;
        case 1:
            return (g0 - g1) * std::exp(-10 * t) + g1;
        case 2:
            return g0 + (g1 - g0) * t;
        case 3: {
            // The cubic Bezier curve in dB through g0 and g1 with the control values p5 and p6.
            const double u = 1 - t;
            const double db = u * u * u * g0 + 3 * u * u * t * p[5] + 3 * u * t * t * p[6] + t * t * t * g1;
            return std::pow(10.0, db / 20);
        }
        default:
            return 0;
    }
}

std::vector<int32_t> Varied(size_t count) {
    std::vector<int32_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = static_cast<int32_t>((i * 2654435761u) % 16000001) - 8000000;
    return v;
}

TEST_F(GainChangeTest, EveryShapeFollowsItsFormulaFrameByFrame) {
    const std::vector<CFilter::Params> cases = {
        {0, 0, 1000},
        {0, 200, 1500},
        {1, 1000, 0},
        {1, 1300, 100},
        {2, 1000, 0},
        {2, 0, 2000},
        {3, -30000, 0, 0, 0, -10, 5},
        {3, 0, -40000, 0, 0, 6, -20},
        {4, 1000, 1000},
        {2, 2000000000, 2000000000},  // far past full scale: clamped, never overflowing
    };
    const std::vector<int32_t> input = Varied(2 * 7001);
    for (const auto& p : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << p[0] << " " << p[1] << "->" << p[2]);
        CGainChange gain;
        gain.SetParams(p);
        const uint32_t start = 6 * 1000, end = 6 * 6500;
        const std::vector<int32_t> out = Run(gain, 2, input, start, end);
        ASSERT_EQ(out.size(), 2u * 5500);
        const double N = end - start;
        int worst = 0;
        for (size_t f = 0; f < 5500; ++f) {
            const double G = Envelope(p, 6.0 * f, N);
            for (int c = 0; c < 2; ++c) {
                const double v = input[2 * (1000 + f) + c] * G;
                const double want = std::clamp(std::trunc(v), -8388608.0, 8388607.0);
                worst = std::max(worst, static_cast<int>(std::abs(out[2 * f + c] - want)));
            }
        }
        // Truncation of values that differ in their last bits only.
        EXPECT_LE(worst, 1);
    }
}

TEST_F(GainChangeTest, UntouchedChannelAndBypassCopyTheSource) {
    const std::vector<int32_t> input = Varied(2 * 3000);
    CGainChange gain;
    gain.SetParams({2, 500, 500});
    // Only one channel selected for editing: the other is handed through.
    for (bool left : {true, false}) {
        runner.SetEditChannels(left, !left);
        const std::vector<int32_t> out = Run(gain, 2, input);
        ASSERT_EQ(out.size(), input.size());
        for (size_t i = 0; i < input.size(); ++i) {
            const bool edited = (i % 2 == 0) == left;
            ASSERT_EQ(out[i], edited ? static_cast<int32_t>(input[i] * 0.5) : input[i]) << i;
        }
        EXPECT_EQ(gain.RightUntouched(), left ? 1 : 0);
        EXPECT_EQ(gain.LeftUntouched(), left ? 0 : 1);
    }
    EXPECT_EQ(Run(gain, 1, input), input);  // a mono song's only channel is the left one
    runner.SetEditChannels(true, true);

    gain.SetBypass(1);
    EXPECT_EQ(Run(gain, 2, input), input);
    EXPECT_EQ(Run(gain, 1, input), input);
}

TEST_F(GainChangeTest, UnknownShapeKeepsTheLastGain) {
    const std::vector<int32_t> input(3000, 1000000);
    CGainChange gain;
    gain.SetParams({2, 700, 700});
    Run(gain, 1, input);
    gain.SetParams({9, 100, 100});
    EXPECT_EQ(Run(gain, 1, input), std::vector<int32_t>(input.size(), 700000));
}

}  // namespace
