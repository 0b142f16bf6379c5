// Automatic indexing of an open song: the threshold, what the dividers are
// called, where they are stored in plain and session mode, old dividers kept,
// and what a cancel and an unreadable song leave behind. Declining the question
// is covered end to end by the index command.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "audiofile/FileNames.h"
#include "processing/FilterRunner.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/DividerEntries.h"
#include "tracks/SongDocument.h"
#include "tracks/SongsRecording.h"
#include "tracks/TrackIndexer.h"

namespace fs = std::filesystem;

namespace {

// The dividers as stored, read back by opening the song again (through its session when it has
// one), and the number of steps of that session.
std::pair<Entries, size_t> Stored(const std::string& song) {
    const bool session = fs::exists(SessionFileName(song));
    CSongDocument again;
    EXPECT_EQ(again.Open(song, session), kFileOk);
    std::pair<Entries, size_t> out{EntriesOf(again.Dividers()), session ? again.Wave().Session().Steps().size() : 0};
    again.Close(false, false);
    return out;
}

class TrackIndexerTest : public ProcessingTest {
protected:
    std::string WriteSide(const std::string& name, const std::vector<Stretch>& layout, int channels,
                          double gapLevel = 0, uint16_t bits = 16) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, static_cast<uint16_t>(channels), 44100, bits,
                              MakeRecording(layout, channels, 44100, gapLevel, bits == 24 ? 256 : 1)));
        return path;
    }
    bool Open(const std::string& path, bool sessionMode) {
        doc.SetRunner(&runner);
        return doc.Open(path, sessionMode) == kFileOk;
    }
    double Seconds(int i) const { return doc.Dividers().Position(i) / double(doc.BytesPerSecond()); }
    Entries InDocument() const { return EntriesOf(doc.Dividers()); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : InDocument()) names.push_back(e.second);
        return names;
    }

    CFilterRunner runner;
    CSongDocument doc;
    CTrackIndexer indexer;
};

}  // namespace

TEST_F(TrackIndexerTest, ThresholdIsTwelveDbUnderTheLevelAndAlwaysDefined) {
    const double fs = 8388352.0;
    const std::pair<double, int> cases[] = {
        {fs, -12},
        {fs / 2, -18},  // 6.02 dB truncates to 6
        {fs * 4, 0},    // float files can be louder than full scale
        {0.0, -200},
        {1e-300, -200},
        {std::numeric_limits<double>::quiet_NaN(), -200},
        {std::numeric_limits<double>::infinity(), -200},
    };
    for (const auto& [rms, want] : cases) EXPECT_EQ(CTrackIndexer::ThresholdFor(rms), want) << rms;
}

TEST_F(TrackIndexerTest, ThreeSongsGetNamedDividersInTheGapsStoredWhereTheSongKeepsThem) {
    const struct {
        const char* title;
        int channels;
        uint16_t bits;
        double hiss;  // peak of the noise in the gaps
        bool session;
    } cases[] = {{"Side A", 1, 16, 20, false}, {"Side B", 2, 16, 0, true}, {"Side C", 2, 24, 20, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string song = WriteSide(std::string(c.title) + ".wav", ThreeSongs(), c.channels, c.hiss, c.bits);
        ASSERT_TRUE(Open(song, c.session));
        const size_t steps = c.session ? doc.Wave().Session().Steps().size() : 0;

        ASSERT_TRUE(indexer.IndexTracks(doc, true, true));
        EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kIndexed);
        ASSERT_EQ(doc.Dividers().Count(), 3);
        EXPECT_EQ(Seconds(0), 0.0);
        for (int i = 1; i < 3; ++i) {
            EXPECT_NEAR(Seconds(i), i == 1 ? 13.5 : 28.5, 0.050);  // the middles of the gaps
            EXPECT_EQ(doc.Dividers().Position(i) % doc.Format().nBlockAlign, 0u) << "divider inside a frame";
        }
        const std::string title = c.title;
        EXPECT_EQ(Names(), (std::vector<std::string>{title, title + "_2", title + "_3"}));
        const Entries mine = InDocument();
        ASSERT_TRUE(doc.Close(false, false));

        // The session's current step or the peak file holds them; indexing adds no step, and a run
        // in plain mode leaves no session behind.
        EXPECT_EQ(fs::exists(SessionFileName(song)), c.session);
        EXPECT_EQ(Stored(song), std::make_pair(mine, steps));
        EXPECT_TRUE(TempFiles().empty());
    }
}

TEST_F(TrackIndexerTest, SongsWithoutUsableSilenceGetOneDividerNamedAfterTheFile) {
    const std::pair<const char*, std::vector<Stretch>> cases[] = {
        {"a gap of 2 s", {Music(12), Gap(2), Music(12)}},
        {"digital silence", {Gap(20)}},
        {"empty", {}},
    };
    for (const auto& [what, layout] : cases) {
        SCOPED_TRACE(what);
        const std::string song = WriteSide(std::string(what) + " An Extremely Long Title.wav", layout, 2);
        ASSERT_TRUE(Open(song, false));
        ASSERT_TRUE(indexer.IndexTracks(doc, false, true));
        // The full title, where hand-added dividers use only its first 15 characters.
        EXPECT_EQ(InDocument(), (Entries{{0, std::string(what) + " An Extremely Long Title"}}));
        ASSERT_TRUE(doc.Close(false, false));
    }
}

TEST_F(TrackIndexerTest, WithoutClearingTheOldDividersAreSortedInAndRenamedAfterTheQuestion) {
    const std::string song = WriteSide("Side B.wav", ThreeSongs(), 2);
    ASSERT_TRUE(Open(song, false));
    doc.Dividers().Add(44100 * 4 * 20, doc.Title());
    services.QueueAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(indexer.IndexTracks(doc, true, false));
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].buttons, MsgButtons::YesNo);
    ASSERT_EQ(doc.Dividers().Count(), 4);
    EXPECT_NEAR(Seconds(1), 13.5, 0.05);
    EXPECT_EQ(Seconds(2), 20.0);
    EXPECT_NEAR(Seconds(3), 28.5, 0.05);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Side B", "Side B_2", "Side B_3", "Side B_4"}));
    EXPECT_EQ(Stored(song).first, InDocument());
}

TEST_F(TrackIndexerTest, CancelKeepsNamesAndSavesTheDividersPlacedSoFar) {
    const std::string song = WriteSide("Side C.wav", ThreeSongs(), 2);
    ASSERT_TRUE(Open(song, false));
    // Cancel as soon as the first gap's divider is in: the level scan before it places none.
    services.onPump = [this](int) {
        if (doc.Dividers().Count() == 2) CancelFlag().store(true);
    };
    EXPECT_FALSE(indexer.IndexTracks(doc, false, true));
    services.onPump = nullptr;
    EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kCancelled);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Side C", "Side C_2"}));
    EXPECT_NEAR(Seconds(1), 13.5, 0.05);
    EXPECT_EQ(Stored(song).first, InDocument());
    EXPECT_FALSE(fs::exists(SessionFileName(song)));
}

TEST_F(TrackIndexerTest, AnUnreadableSongKeepsItsDividers) {
    const std::string song = WriteSide("Side D.wav", ThreeSongs(), 1);
    ASSERT_TRUE(Open(song, false));
    doc.Dividers().Add(44100 * 2 * 5, doc.Title());
    const Entries before = InDocument();
    fs::remove(song);
    EXPECT_FALSE(indexer.IndexTracks(doc, false, true));
    EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kFailed);
    EXPECT_EQ(InDocument(), before);

    CSongDocument closed;
    closed.SetRunner(&runner);
    EXPECT_FALSE(indexer.IndexTracks(closed, false, true));
}
