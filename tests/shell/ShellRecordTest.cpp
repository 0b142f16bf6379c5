// The workflow's recording steps and its MP3/WMA import and output, on the
// virtual sound card and the real encoders.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "cd/CdBurner.h"
#include "cd/SongList.h"
#include "codecs/MediaEncoder.h"
#include "codecs/Mp3Writer.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "devices/Recorder.h"
#include "devices/VirtualCard.h"
#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "shell/ShellFixture.h"
#include "shell/WavePane.h"
#include "support/CliHarness.h"
#include "support/WaveBuilder.h"

namespace {

class ShellRecordTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        profile.WriteProfileString(kSectionRestova, "MP3EncoderPath", (BuiltProgramFolder() / "lame_enc.dll").string());
        // Two pieces with a pause between them, fed as fast as the recorder takes them.
        std::vector<int64_t> samples;
        for (int piece = 0; piece < 3; ++piece) {
            for (int i = 0; i < 44100 / 2; ++i) {
                const int64_t v = piece == 1 ? 0 : ((i * 37) % 200 - 100) * 60;
                samples.push_back(v);
                samples.push_back(-v);
            }
        }
        ASSERT_TRUE(WriteWave(dir.File("line-in.wav"), 2, 44100, 16, samples));
        ASSERT_TRUE(ReadWave(dir.File("line-in.wav"), source));
        host.VirtualCard().SetSource(dir.File("line-in.wav"));
        host.VirtualCard().SetPace(0);
        shell.SetPlayer(&player);
        shell.SetCdDrives(false);
    }
    // Record player or tape chosen by events from the source screen, then straight to Start
    // Recording (monitoring would use the source up), all of it, Pause.
    void RecordTake(std::initializer_list<int> setup, bool flatPreamp) {
        shell.SetState(kStateChooseSource);
        for (int event : setup) shell.Dispatch(event);
        shell.SetState(kStateReadyToRecord);
        shell.Dispatch(kEventButton1);
        ASSERT_EQ(shell.State(), kStateRecording);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        // Pause drops what the capture buffer still holds: wait until all of it reached the take.
        while (player.TakeBytes() < source.data.size() && std::chrono::steady_clock::now() < limit) {
            services.WaitMessages(5);
        }
        shell.Dispatch(kEventButton1);
        ASSERT_EQ(shell.State(), kStateRecordingPaused);
        shell.RecordPane()->SetFlatPreamp(flatPreamp);
    }

    WaveContents source;
    CAudioHost host{false};
    std::unique_ptr<CAudioDevice> engine = CreateAudioDevice(settings, host);
    CPlayer player{*engine};
    CShellDlg shell{settings, profile, songs};
};

}  // namespace

// Stop and Save names the take, corrects the speed when the turntable ran at another speed than the
// record's, equalises a record played through a flat preamp (never a tape), and opens the take
// indexed with its track list. The tape follows a 78 in the same run: its speeds must not carry over.
TEST_F(ShellRecordTest, StopAndSaveCorrectsEqualisesAndIndexes) {
    struct Case {
        const char* name;
        std::initializer_list<int> setup;
        bool flat;
        double lengthRatio;  // of the source's
        bool sameAudio;
    } cases[] = {
        {"LP", {kEventButton3, kEventButton1}, false, 1.0, true},
        {"LP flat", {kEventButton3, kEventButton1}, true, 1.0, false},
        {"78 at 33", {kEventButton3, kEventButton3, kEventButton1}, false, 33.333333 / 78.2608, false},
        {"Tape flat", {kEventButton4}, true, 1.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.VirtualCard().SetSource(dir.File("line-in.wav"));
        RecordTake(c.setup, c.flat);
        services.QueueText(c.name);
        shell.Dispatch(kEventButton2);
        ASSERT_EQ(shell.State(), kStateTrackReview);
        const std::string take = settings.Bin1Path + "/" + c.name + ".wav";
        EXPECT_EQ(songs.Current(), take);
        ASSERT_EQ(songs.Count(), 1u);  // the one song Done copies into the worklist
        EXPECT_EQ(songs.Path(0), take);
        ASSERT_NE(shell.WaveformPane(), nullptr);
        EXPECT_EQ(shell.WaveformPane()->Doc().Path(), take);
        EXPECT_TRUE(shell.WaveformPane()->TrackList());
        EXPECT_EQ(shell.WaveformPane()->Indexer().LastResult(), CTrackIndexer::kIndexed);
        shell.ClosePanes();
        WaveContents got;
        ASSERT_TRUE(ReadWave(take, got));
        EXPECT_NEAR(static_cast<double>(got.data.size()) / source.data.size(), c.lengthRatio, 0.02);
        EXPECT_EQ(got.data == source.data, c.sameAudio);
    }
}

// A name refused at Stop and Save keeps the take and the state.
TEST_F(ShellRecordTest, RefusedNameStaysPaused) {
    RecordTake({kEventButton3, kEventButton1}, false);
    const std::string take = shell.RecordPane()->TakePath();
    shell.Dispatch(kEventButton2);
    EXPECT_EQ(shell.State(), kStateRecordingPaused);
    EXPECT_EQ(shell.WaveformPane(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(take));
}

// Create MP3 and Create WMA encode the CD writer's selected songs into their folders under Bin3.
TEST_F(ShellRecordTest, CompressedFilesFromTheSelectedSongs) {
    for (const char* name : {"One.wav", "Two.wav"}) {
        ASSERT_TRUE(std::filesystem::copy_file(dir.File("line-in.wav"), settings.Bin3Path + "/" + name));
    }
    shell.SetState(kStateWorkingOn);
    shell.Dispatch(kEventBin3);
    ASSERT_NE(shell.CdWriterPane(), nullptr);
    CCdBurner& writer = *shell.CdWriterPane();
    ASSERT_EQ(writer.Rows().size(), 2u);
    for (size_t i = 0; i < writer.Rows().size(); ++i) writer.SetSelected(i, writer.Rows()[i].name == "Two.wav");
    for (int event : {kEventButton1, kEventButton3}) {
        shell.Dispatch(kEventButton2);
        ASSERT_EQ(shell.State(), kStateCompressedFiles);
        services.QueueAnswer(MsgAnswer::No);
        shell.Dispatch(event);
        EXPECT_EQ(shell.State(), kStateReadyForCd);
    }
    EXPECT_TRUE(std::filesystem::file_size(settings.Bin3Path + "/Mp3Files/Two.mp3") > 1000);
    EXPECT_TRUE(std::filesystem::file_size(settings.Bin3Path + "/WmaFiles/Two.wma") > 1000);
    EXPECT_FALSE(std::filesystem::exists(settings.Bin3Path + "/Mp3Files/One.mp3"));
}

// Bin1's Import decodes MP3 and WMA into waves of the song's length (WMA to the frame; MP3 within
// the decoder's gap handling) and copies a wave as it is.
TEST_F(ShellRecordTest, ImportDecodesCompressedSongsIntoBin1) {
    const std::string song = dir.File("line-in.wav");
    std::filesystem::create_directories(dir.File("in"));
    Mp3Options mp3;
    mp3.encoderPath = (BuiltProgramFolder() / Mp3Options::kDefaultPath).string();
    ASSERT_EQ(WriteMp3File(song, dir.File("in/a.mp3"), mp3, {}), kEncodeOk);
    ASSERT_EQ(CMediaEncoder::WriteWmaAt(song, dir.File("in/b.wma"), 128, {}), kEncodeOk);
    std::filesystem::copy_file(song, dir.File("in/c.wav"));
    shell.SetState(kStateChooseSource);
    shell.Dispatch(kEventButton1);
    ASSERT_NE(shell.Bin1Pane(), nullptr);
    const std::pair<const char*, size_t> cases[] = {{"a.mp3", 1152}, {"b.wma", 0}, {"c.wav", 0}};
    for (const auto& [name, slackFrames] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(shell.ImportFiles({dir.File(std::string("in/") + name)}, 4));
        WaveContents got;
        ASSERT_TRUE(ReadWave(settings.Bin1Path + "/" + name[0] + ".wav", got));
        EXPECT_NEAR(double(got.data.size() / 4), double(source.data.size() / 4), double(slackFrames));
    }
    EXPECT_TRUE(services.Messages().empty());
}
