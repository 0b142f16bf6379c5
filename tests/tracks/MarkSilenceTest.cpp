// The silence marker run through the filter runner over real waves: what is
// too short to count, a full divider list, and a filter run twice. Where the
// dividers land in mono, stereo and 24-bit recordings is checked through the
// indexer, which sets the marker's threshold from the song's level.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "processing/FilterRunner.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/DividerList.h"
#include "tracks/MarkSilence.h"
#include "tracks/SongsRecording.h"

namespace {

class MarkSilenceTest : public ProcessingTest {
protected:
    // Writes the 16-bit recording and runs filter over all of it at -30 dB into list; the dividers in seconds.
    std::vector<double> Mark(const std::vector<Stretch>& layout, int channels, CDividerList& list,
                             CMarkSilence& filter) {
        const std::string path = dir.File("side.wav");
        EXPECT_TRUE(WriteWave(path, static_cast<uint16_t>(channels), 44100, 16, MakeRecording(layout, channels)));
        CWaveFile wave(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
        EXPECT_EQ(wave.OpenRead(path), kFileOk);
        CFilterRunner runner;
        runner.SetSource(&wave);
        filter.SetParams({-30, CMarkSilence::kDefaultMinSilence, CMarkSilence::kDefaultMinTrack});
        filter.SetDividerList(&list);
        EXPECT_TRUE(runner.RunFilter(0, 0, &filter, nullptr, false));
        wave.Close();
        wave.Session().DiscardSession(false);
        std::vector<double> seconds;
        for (int i = 0; i < list.Count(); ++i) seconds.push_back(list.Position(i) / (2.0 * channels * 44100));
        return seconds;
    }
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 0.050) << i;
}

}  // namespace

TEST_F(MarkSilenceTest, ShortSilencesAndShortTracksPlaceNoDivider) {
    struct Case {
        const char* what;
        std::vector<Stretch> layout;
        std::vector<double> want;  // seconds
    } cases[] = {
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
            CMarkSilence filter;
            ExpectNear(Mark(c.layout, channels, list, filter), c.want);
        }
    }
}

TEST_F(MarkSilenceTest, AFullListTakesNoMoreAndAReusedFilterStartsAfresh) {
    CMarkSilence filter;
    CDividerList list;
    for (int i = 0; i < 99; ++i) ASSERT_TRUE(list.Append(static_cast<uint32_t>(4 * (i + 1)), "old"));
    Mark(ThreeSongs(), 2, list, filter);
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Position(99), 0u);  // the run's first divider took the last place

    // The first run ended inside a silence; the second recording gets only its own dividers.
    CDividerList first, second;
    Mark({Music(12), Gap(3), Music(12), Gap(3)}, 1, first, filter);
    Mark({Music(12), Gap(3), Music(12)}, 1, second, filter);
    EXPECT_EQ(first.Count(), 2);
    EXPECT_EQ(second.Count(), 2);
    EXPECT_EQ(filter.DividersPlaced(), 2);
}
