#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "processing/ProcessingFixture.h"
#include "support/WaveBuilder.h"
#include "tracks/RecordingPlayer.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"

namespace {

constexpr uint32_t kSecond = 44100 * 4;  // bytes of one second of 16-bit stereo

class TrackEditorTest : public ProcessingTest {
protected:
    // A 16-bit stereo song of the given length in seconds.
    std::string MakeSong(const std::string& name, uint32_t seconds) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, 2, 44100, 16, std::vector<int64_t>(2 * 44100 * seconds, 100)));
        return path;
    }
    std::vector<uint32_t> StoredPositions(const std::string& song) {
        auto block = std::make_unique<DividerBlock>();
        uint32_t count = 0;
        EXPECT_TRUE(CPeakFile::ReadDividers(song, *block, count));
        std::vector<uint32_t> out;
        for (uint32_t i = 0; i < count; ++i) out.push_back(block->records[i].position);
        return out;
    }
    CRecordingPlayer player;
};

}  // namespace

TEST_F(TrackEditorTest, PlainModeEditsLandInThePeakFileAtOnce) {
    const std::string song = MakeSong("Side.wav", 10);
    CSongDocument doc;
    doc.SetPlayer(&player);
    ASSERT_EQ(doc.Open(song, false), 0);
    EXPECT_EQ(doc.DataLength(), 10 * kSecond);
    EXPECT_EQ(doc.MsToBytes(2000), 2 * kSecond);
    CTrackEditor editor(doc);

    // A stereo position between the two samples of a frame goes down to the frame.
    EXPECT_EQ(editor.AddDivider(3 * kSecond + 2), 0);
    EXPECT_EQ(editor.AddDivider(0), 0);
    EXPECT_EQ(editor.AddDivider(20 * kSecond), 2);  // beyond the data: at its end
    EXPECT_EQ(StoredPositions(song), (std::vector<uint32_t>{0, 3 * kSecond, 10 * kSecond}));
    EXPECT_EQ(doc.Dividers().Name(0), "Side_2");  // named in the order added

    EXPECT_TRUE(editor.DeleteDivider(2));
    EXPECT_TRUE(editor.RenameDivider(1, "Second Song"));
    // Reopening reads back what was stored.
    CSongDocument again;
    ASSERT_EQ(again.Open(song, false), 0);
    ASSERT_EQ(again.Dividers().Count(), 2);
    EXPECT_EQ(again.Dividers().Name(1), "Second Song");
}

TEST_F(TrackEditorTest, MovesAreClampedToTheDataAndAuditionFourSeconds) {
    const std::string song = MakeSong("Side.wav", 10);
    CSongDocument doc;
    doc.SetPlayer(&player);
    ASSERT_EQ(doc.Open(song, false), 0);
    CTrackEditor editor(doc);
    EXPECT_FALSE(editor.MoveDividerAhead());  // nothing selected
    editor.AddDivider(0);
    editor.AddDivider(9 * kSecond + kSecond / 2);

    doc.SetSelectedDivider(1);
    EXPECT_TRUE(editor.MoveDividerAhead());
    EXPECT_EQ(doc.Dividers().Position(1), 10 * kSecond);
    EXPECT_TRUE(editor.MoveDividerAhead());
    EXPECT_EQ(doc.Dividers().Position(1), 10 * kSecond);
    doc.SetSelectedDivider(0);
    EXPECT_TRUE(editor.MoveDividerBack());
    EXPECT_EQ(doc.Dividers().Position(0), 0u);
    // Moving the first divider past the second re-sorts and keeps it selected.
    for (int i = 0; i < 3; ++i) editor.MoveDividerAhead();
    EXPECT_EQ(doc.SelectedDivider(), 0);
    doc.SetSelectedDivider(1);
    editor.MoveDividerBack();
    editor.MoveDividerBack();
    EXPECT_EQ(doc.Dividers().Position(0), 3 * kSecond);
    EXPECT_EQ(doc.Dividers().Position(1), 8 * kSecond);
    // Each move played up to four seconds from the new place, never past the end (nothing at the end).
    std::vector<std::pair<uint32_t, uint32_t>> seconds;
    for (auto [a, b] : player.ranges) seconds.emplace_back(a / kSecond, b / kSecond);
    EXPECT_EQ(seconds, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 4}, {1, 5}, {2, 6}, {3, 7}, {9, 10}, {8, 10}}));

    // "Edit Track Name": the start is in samples of all channels.
    doc.SetSelectedDivider(1);
    std::string name;
    uint64_t samples = 0;
    ASSERT_TRUE(editor.TrackInfo(name, samples));
    EXPECT_EQ(samples, 8u * 44100 * 2);
    EXPECT_TRUE(editor.EditTrack("", 44100 * 2 + 1));  // an odd sample count lands on its frame
    EXPECT_EQ(doc.Dividers().Position(0), kSecond);
    EXPECT_EQ(doc.Dividers().Name(0), "1");
    EXPECT_EQ(doc.SelectedDivider(), 0);

    player.ranges.clear();
    EXPECT_TRUE(editor.PlayTrack(0));
    EXPECT_TRUE(editor.PlayTrack(1));
    EXPECT_EQ(player.ranges,
              (std::vector<std::pair<uint32_t, uint32_t>>{{kSecond, 3 * kSecond}, {3 * kSecond, 10 * kSecond}}));
}

TEST_F(TrackEditorTest, SessionModeStoresTheDividersInTheCurrentStep) {
    const std::string song = MakeSong("Side.wav", 6);
    {
        CSongDocument doc;
        ASSERT_EQ(doc.Open(song, true), 0);
        CTrackEditor editor(doc);
        editor.AddDivider(0);
        editor.AddDivider(2 * kSecond);
        EXPECT_TRUE(doc.Close(true, false));  // nothing modified: the session stays, uncommitted
    }
    CSongDocument doc;
    ASSERT_EQ(doc.Open(song, true), 0);
    ASSERT_EQ(doc.Dividers().Count(), 2);
    EXPECT_EQ(doc.Dividers().Position(1), 2 * kSecond);
    EXPECT_TRUE(doc.Close(false, true));
    EXPECT_FALSE(std::filesystem::exists(SessionFileName(song)));
}

TEST_F(TrackEditorTest, AMissingOrDamagedSongFailsToOpen) {
    CSongDocument doc;
    EXPECT_NE(doc.Open(dir.File("missing.wav"), false), 0);
    EXPECT_FALSE(doc.IsOpen());
    const std::string junk = dir.File("junk.wav");
    ASSERT_TRUE(WriteBytes(junk, Bytes(100, 0x55)));
    EXPECT_NE(doc.Open(junk, true), 0);
    EXPECT_FALSE(doc.IsOpen());
    CTrackEditor editor(doc);
    EXPECT_FALSE(editor.PlayTrack(0));
    EXPECT_FALSE(services.Messages().empty());
}
