// The silence marker run through the filter runner over real waves: where it
// places dividers for mono, stereo and 24-bit recordings with digital or
// hissy gaps, and what is too short to count.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "processing/FilterRunner.h"
#include "processing/ProcessingFixture.h"
#include "support/WaveBuilder.h"
#include "tracks/DividerList.h"
#include "tracks/MarkSilence.h"
#include "tracks/SongsRecording.h"

namespace {

class MarkSilenceTest : public ProcessingTest {
protected:
    // Writes the recording and runs the marker over all of it with threshold dB (p0) into list.
    bool Mark(const std::vector<Stretch>& layout, int channels, uint16_t bits, double gapLevel, CDividerList& list,
              int threshold = -30, CMarkSilence* reused = nullptr) {
        const std::string path = dir.File("side.wav");
        const int64_t scale = bits == 24 ? 256 : 1;
        EXPECT_TRUE(WriteWave(path, static_cast<uint16_t>(channels), 44100, bits,
                              MakeRecording(layout, channels, 44100, gapLevel, scale)));
        CWaveFile wave(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
        EXPECT_EQ(wave.OpenRead(path), kFileOk);
        CFilterRunner runner;
        runner.SetSource(&wave);
        CMarkSilence own;
        CMarkSilence& filter = reused ? *reused : own;
        CFilter::Params params = filter.GetParams();
        params[0] = threshold;
        params[1] = CMarkSilence::kDefaultMinSilence;
        params[2] = CMarkSilence::kDefaultMinTrack;
        filter.SetParams(params);
        filter.SetDividerList(&list);
        const bool ok = runner.RunFilter(0, 0, &filter, nullptr, false);
        frameBytes = wave.Format().nBlockAlign;
        wave.Close();
        wave.Session().DiscardSession(false);
        return ok;
    }

    // The dividers in seconds.
    std::vector<double> Seconds(const CDividerList& list) const {
        std::vector<double> s;
        for (int i = 0; i < list.Count(); ++i) s.push_back(list.Position(i) / double(frameBytes) / 44100.0);
        return s;
    }

    uint32_t frameBytes = 0;
};

TEST_F(MarkSilenceTest, DividersAtStartAndInTheMiddleOfEachGap) {
    struct Case {
        int channels;
        uint16_t bits;
        double gapLevel;
    } cases[] = {{1, 16, 0}, {2, 16, 0}, {1, 16, 20}, {2, 16, 20}, {2, 24, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) + " bits, hiss " +
                     std::to_string(c.gapLevel));
        CDividerList list;
        ASSERT_TRUE(Mark(ThreeSongs(), c.channels, c.bits, c.gapLevel, list));
        const std::vector<double> mids = GapMidpoints(ThreeSongs());
        ASSERT_EQ(list.Count(), 3);
        const std::vector<double> got = Seconds(list);
        EXPECT_EQ(list.Position(0), 0u);
        for (size_t i = 0; i < mids.size(); ++i) {
            EXPECT_NEAR(got[i + 1], mids[i], 0.050);
            EXPECT_EQ(list.Position(static_cast<int>(i) + 1) % frameBytes, 0u) << "divider inside a frame";
        }
    }
}

TEST_F(MarkSilenceTest, ShortSilencesAndShortTracksPlaceNoDivider) {
    struct Case {
        const char* what;
        std::vector<Stretch> layout;
        std::vector<double> want;  // seconds
    } cases[] = {
        {"no gap", {Music(30)}, {0}},
        {"gap of 2.0 s", {Music(12), Gap(2.0), Music(12)}, {0}},
        {"gap of 2.1 s", {Music(12), Gap(2.1), Music(12)}, {0, 13.05}},
        // The second gap ends 9.5 s after the first divider: too close for a new track.
        {"gaps 8 s apart", {Music(12), Gap(3), Music(5), Gap(3), Music(12)}, {0, 13.5}},
        {"first song under 10 s", {Music(6), Gap(3), Music(12)}, {0}},
        {"silence running at the end", {Music(12), Gap(5)}, {0}},
    };
    for (int channels : {1, 2}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", channels " + std::to_string(channels));
            CDividerList list;
            ASSERT_TRUE(Mark(c.layout, channels, 16, 0, list));
            const std::vector<double> got = Seconds(list);
            ASSERT_EQ(got.size(), c.want.size());
            for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.want[i], 0.050);
        }
    }
}

TEST_F(MarkSilenceTest, AFullListTakesNoMoreAndTheRunStillFinishes) {
    CDividerList list;
    for (int i = 0; i < 99; ++i) ASSERT_TRUE(list.Append(static_cast<uint32_t>(4 * (i + 1)), "old"));
    ASSERT_TRUE(Mark(ThreeSongs(), 2, 16, 0, list));
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Position(99), 0u);  // the run's first divider took the last place
}

TEST_F(MarkSilenceTest, PrepareStartsAfresh) {
    // One filter run twice gives the second recording only its own dividers, also when the first
    // ended inside a silence.
    CMarkSilence filter;
    CDividerList first, second;
    ASSERT_TRUE(Mark({Music(12), Gap(3), Music(12), Gap(3)}, 1, 16, 0, first, -30, &filter));
    ASSERT_TRUE(Mark({Music(12), Gap(3), Music(12)}, 1, 16, 0, second, -30, &filter));
    EXPECT_EQ(first.Count(), 2);
    ASSERT_EQ(second.Count(), 2);
    EXPECT_EQ(filter.DividersPlaced(), 2);
}

}  // namespace
