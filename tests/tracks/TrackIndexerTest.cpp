// Automatic indexing of an open song: where the dividers go, what they are
// called, where they are stored in plain and session mode, and what the
// question, a cancel and an unreadable song leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "processing/FilterRunner.h"
#include "processing/ProcessingFixture.h"
#include "support/WaveBuilder.h"
#include "tracks/SongDocument.h"
#include "tracks/SongsRecording.h"
#include "tracks/TrackIndexer.h"

namespace {

struct Stored {
    std::vector<uint32_t> positions;
    std::vector<std::string> names;
    size_t steps = 0;  // of the session
};

class TrackIndexerTest : public ProcessingTest {
protected:
    std::string WriteSide(const std::string& name, const std::vector<Stretch>& layout, int channels,
                          double gapLevel = 0) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, static_cast<uint16_t>(channels), 44100, 16,
                              MakeRecording(layout, channels, 44100, gapLevel)));
        return path;
    }
    bool Open(const std::string& path, bool sessionMode) {
        doc.SetRunner(&runner);
        return doc.Open(path, sessionMode) == kFileOk;
    }
    std::vector<double> Seconds() const {
        std::vector<double> s;
        for (int i = 0; i < doc.Dividers().Count(); ++i) {
            s.push_back(doc.Dividers().Position(i) / double(doc.BytesPerSecond()));
        }
        return s;
    }
    static Stored FromBlock(const DividerBlock& block, uint32_t count) {
        Stored s;
        for (uint32_t i = 0; i < count; ++i) {
            s.positions.push_back(block.records[i].position);
            s.names.push_back(block.Name(static_cast<int>(i)));
        }
        return s;
    }
    static Stored InPeakFile(const std::string& song) {
        auto block = std::make_unique<DividerBlock>();
        uint32_t count = 0;
        EXPECT_TRUE(CPeakFile::ReadDividers(song, *block, count));
        return FromBlock(*block, count);
    }
    static Stored InSession(const std::string& song) {
        CWaveFile wave;
        wave.SetSessionMode(true);
        EXPECT_EQ(wave.OpenRead(song), kFileOk);
        auto block = std::make_unique<DividerBlock>();
        uint32_t count = 0;
        wave.Session().GetDividers(*block, count);
        Stored s = FromBlock(*block, count);
        s.steps = wave.Session().Steps().size();
        wave.Close();
        wave.Session().DiscardSession(true);
        return s;
    }
    Stored InDocument() const { return FromBlock(doc.Dividers().Block(), doc.Dividers().Count()); }

    CFilterRunner runner;
    CSongDocument doc;
    CTrackIndexer indexer;
};

TEST_F(TrackIndexerTest, ThresholdIsTwelveDbUnderTheLevelAndAlwaysDefined) {
    const double fs = 8388352.0;
    struct Case {
        double rms;
        int want;
    } cases[] = {
        {fs, -12},
        {fs / 10, -32},
        {fs / 2, -18},  // 6.02 dB truncates to 6
        {fs * 4, 0},    // float files can be louder than full scale
        {1.0, -150},
        {0.0, -200},
        {-1.0, -200},
        {1e-300, -200},
        {std::numeric_limits<double>::quiet_NaN(), -200},
        {std::numeric_limits<double>::infinity(), -200},
    };
    for (const Case& c : cases) EXPECT_EQ(CTrackIndexer::ThresholdFor(c.rms), c.want) << c.rms;
}

TEST_F(TrackIndexerTest, ThreeSongsGetNamedDividersInTheGaps) {
    struct Case {
        int channels;
        bool session;
        double gapLevel;
    } cases[] = {{1, false, 0}, {2, false, 20}, {1, true, 20}, {2, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, session " + std::to_string(c.session));
        const std::string song = WriteSide("Side A.wav", ThreeSongs(), c.channels, c.gapLevel);
        ASSERT_TRUE(Open(song, c.session));
        const size_t steps = c.session ? doc.Wave().Session().Steps().size() : 0;

        ASSERT_TRUE(indexer.IndexTracks(doc, true, true));
        EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kIndexed);
        const std::vector<double> got = Seconds();
        const std::vector<double> mids = GapMidpoints(ThreeSongs());
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[0], 0.0);
        for (size_t i = 0; i < mids.size(); ++i) EXPECT_NEAR(got[i + 1], mids[i], 0.050);
        const Stored mine = InDocument();
        EXPECT_EQ(mine.names, (std::vector<std::string>{"Side A", "Side A_2", "Side A_3"}));

        ASSERT_TRUE(doc.Close(false, false));
        // The session's current step or the peak file holds them; indexing adds no step.
        const Stored stored = c.session ? InSession(song) : InPeakFile(song);
        EXPECT_EQ(stored.positions, mine.positions);
        EXPECT_EQ(stored.names, mine.names);
        EXPECT_EQ(stored.steps, steps);
        EXPECT_EQ(std::filesystem::exists(SessionFileName(song)), c.session) << "the run's session stayed behind";
        EXPECT_TRUE(TempFiles().empty());
        std::filesystem::remove(PeakFileName(song));
        std::filesystem::remove(SessionFileName(song));
    }
}

TEST_F(TrackIndexerTest, SongsWithoutUsableSilenceGetOneDividerNamedAfterTheFile) {
    struct Case {
        const char* what;
        std::vector<Stretch> layout;
    } cases[] = {
        {"music throughout", {Music(30)}},
        {"digital silence", {Gap(20)}},
        {"empty", {}},
        {"a gap of 2 s", {Music(12), Gap(2), Music(12)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string song = WriteSide("An Extremely Long Song Title.wav", c.layout, 2);
        ASSERT_TRUE(Open(song, false));
        ASSERT_TRUE(indexer.IndexTracks(doc, false, true));
        // The full title, where hand-added dividers use only its first 15 characters.
        EXPECT_EQ(InDocument().names, std::vector<std::string>{"An Extremely Long Song Title"});
        EXPECT_EQ(InDocument().positions, std::vector<uint32_t>{0});
        ASSERT_TRUE(doc.Close(false, false));
        std::filesystem::remove(PeakFileName(song));
    }
}

TEST_F(TrackIndexerTest, TheQuestionGuardsExistingDividers) {
    const std::string song = WriteSide("Side B.wav", ThreeSongs(), 2);
    ASSERT_TRUE(Open(song, false));
    doc.Dividers().Add(44100 * 4 * 20, doc.Title());
    ASSERT_TRUE(doc.SaveDividers());
    const Stored before = InPeakFile(song);

    services.QueueAnswer(MsgAnswer::No);
    EXPECT_FALSE(indexer.IndexTracks(doc, true, true));
    EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kDeclined);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(services.Messages()[0].caption, "Restova");
    EXPECT_EQ(InDocument().positions, before.positions);
    EXPECT_EQ(InPeakFile(song).positions, before.positions);

    // Without clearing, the old divider is sorted in among the new ones; all are renamed.
    services.QueueAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(indexer.IndexTracks(doc, true, false));
    const std::vector<double> got = Seconds();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_NEAR(got[1], 13.5, 0.05);
    EXPECT_EQ(got[2], 20.0);
    EXPECT_NEAR(got[3], 28.5, 0.05);
    EXPECT_EQ(InPeakFile(song).names, (std::vector<std::string>{"Side B", "Side B_2", "Side B_3", "Side B_4"}));

    CTrackIndexer::ShowIndexed();
    EXPECT_EQ(services.Messages().back().text.rfind("The file has been re-indexed.", 0), 0u);
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
    EXPECT_EQ(InPeakFile(song).names, (std::vector<std::string>{"Side C", "Side C_2"}));
    EXPECT_NEAR(Seconds()[1], 13.5, 0.05);
    EXPECT_FALSE(std::filesystem::exists(SessionFileName(song)));
}

TEST_F(TrackIndexerTest, AnUnreadableSongKeepsItsDividers) {
    const std::string song = WriteSide("Side D.wav", ThreeSongs(), 1);
    ASSERT_TRUE(Open(song, false));
    doc.Dividers().Add(44100 * 2 * 5, doc.Title());
    const Stored before = InDocument();
    std::filesystem::remove(song);
    EXPECT_FALSE(indexer.IndexTracks(doc, false, true));
    EXPECT_EQ(indexer.LastResult(), CTrackIndexer::kFailed);
    EXPECT_EQ(InDocument().positions, before.positions);
    EXPECT_EQ(InDocument().names, before.names);

    CSongDocument closed;
    closed.SetRunner(&runner);
    EXPECT_FALSE(indexer.IndexTracks(closed, false, true));
}

}  // namespace
