// The hand edits of dividers on an open song: positions kept inside the data,
// moves that re-sort and audition. Storing them in a peak file or a session,
// and songs that do not open, are covered end to end by the divider and index commands.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audiofile/PeakFile.h"
#include "devices/TrackPlayer.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"

namespace {

constexpr uint32_t kSecond = 44100 * 4;  // bytes of one second of 16-bit stereo

using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

// Plays nothing and remembers every range it was asked to play (bytes [start, end)).
class CRecordingPlayer : public ITrackPlayer {
public:
    bool PlayRange(CWaveFile&, uint32_t start, uint32_t end) override {
        ranges.emplace_back(start, end);
        return true;
    }
    bool IsPlaying() const override { return false; }
    void Stop() override {}
    Ranges ranges;
};

class TrackEditorTest : public ProcessingTest {
protected:
    // A 16-bit stereo song of the given length in seconds.
    std::string MakeSong(const std::string& name, uint32_t seconds) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, 2, 44100, 16, std::vector<int64_t>(2 * 44100 * seconds, 100)));
        return path;
    }
    CRecordingPlayer player;
};

}  // namespace

TEST_F(TrackEditorTest, EditsStayInsideTheDataReSortAuditionAndAreStoredAtOnce) {
    const std::string song = MakeSong("Side.wav", 10);
    CSongDocument doc;
    doc.SetPlayer(&player);
    ASSERT_EQ(doc.Open(song, false), 0);
    CTrackEditor editor(doc);
    EXPECT_FALSE(editor.MoveDividerAhead());  // nothing selected

    EXPECT_EQ(editor.AddDivider(20 * kSecond), 0);     // beyond the data: at its end
    EXPECT_EQ(editor.AddDivider(2 * kSecond + 2), 0);  // inside a frame: at its start; selected
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(editor.MoveDividerBack());
    EXPECT_EQ(doc.Dividers().Position(0), 0u);
    doc.SetSelectedDivider(1);
    EXPECT_TRUE(editor.MoveDividerAhead());
    EXPECT_EQ(doc.Dividers().Position(1), 10 * kSecond);
    EXPECT_TRUE(editor.MoveDividerBack());
    // Each move played four seconds from the new place, never past the end (nothing at the end).
    EXPECT_EQ(player.ranges,
              (Ranges{{kSecond, 5 * kSecond}, {0, 4 * kSecond}, {0, 4 * kSecond}, {9 * kSecond, 10 * kSecond}}));

    // "Edit Track Name" counts samples of all channels; moving past a neighbour re-sorts, the selection follows.
    doc.SetSelectedDivider(0);
    EXPECT_TRUE(editor.EditTrack("Last", 44100 * 2 * 9 + 44100 + 1));
    EXPECT_EQ(doc.SelectedDivider(), 1);
    std::string name;
    uint64_t samples = 0;
    ASSERT_TRUE(editor.TrackInfo(name, samples));
    EXPECT_EQ(std::make_pair(name, samples), std::make_pair(std::string("Last"), uint64_t{44100 * 2 * 9 + 44100}));

    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(song, *block, count));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(std::make_pair(block->records[1].position, block->Name(1)),
              std::make_pair(9 * kSecond + kSecond / 2, std::string("Last")));

    player.ranges.clear();
    EXPECT_TRUE(editor.PlayTrack(0));
    EXPECT_TRUE(editor.PlayTrack(1));
    EXPECT_FALSE(editor.PlayTrack(2));
    EXPECT_EQ(player.ranges,
              (Ranges{{9 * kSecond, 9 * kSecond + kSecond / 2}, {9 * kSecond + kSecond / 2, 10 * kSecond}}));
}
