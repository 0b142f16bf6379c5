#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "CdFixture.h"
#include "audiofile/PeakFile.h"
#include "cd/CdRipper.h"
#include "support/CdImageBuilder.h"
#include "support/WaveBuilder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class CdRipTest : public CdFixture {
protected:
    // A ripper on the test's one disc image.
    std::unique_ptr<CCdRipper> Ripper() { return ImageRipper(dir.Path().string()); }
    // A ripper on a drive holding audio tracks of these lengths (frames), whose reads go to read.
    std::unique_ptr<CCdRipper> ScriptedRipper(const std::vector<uint32_t>& lengths, CScriptedDevice::ReadFn read) {
        CCdToc toc;
        for (uint32_t frames : lengths) {
            toc.tracks.push_back({static_cast<int>(toc.tracks.size()) + 1, toc.leadOutLsn, frames, true});
            toc.leadOutLsn += static_cast<int32_t>(frames);
        }
        CCdDriveList::SetOpener(
            [toc, read](const CdDriveEntry&, bool) { return std::make_unique<CScriptedDevice>(toc, read); });
        MakeCueImage(dir.Path().string(), "disc", {{10}});
        return Ripper();
    }
    Bytes Audio(const std::string& path) {
        WaveContents w;
        EXPECT_TRUE(ReadWave(path, w)) << path;
        EXPECT_EQ(w.channels, 2);
        EXPECT_EQ(w.rate, 44100u);
        EXPECT_EQ(w.bits, 16);
        return w.data;
    }
    std::string Bin1(const std::string& name) const { return settings.Bin1Path + "/" + name; }
};

TEST_F(CdRipTest, SelectedImageTracksAreListedAndRippedSampleForSample) {
    // 750 frames (10 s) make 28 blocks of 26 and one of 22.
    const auto data = MakeCueImage(dir.Path().string(), "disc", {{750}, {300}, {226}});
    auto r = Ripper();
    ASSERT_EQ(r->Rows().size(), 3u);
    EXPECT_EQ(r->Rows()[0].name, "Audio Track 01");
    EXPECT_EQ(r->Rows()[0].time, "0:10");
    EXPECT_EQ(r->Rows()[2].time, "0:03");
    EXPECT_EQ(r->TotalText(), "Total Time 0:17");
    EXPECT_EQ(r->Status(), "Ready");

    r->SetSelected(0, true);
    r->SetSelected(2, true);
    EXPECT_TRUE(r->RipSelected());
    EXPECT_EQ(Audio(Bin1("Audio Track 01.wav")), data[0]);
    EXPECT_EQ(Audio(Bin1("Audio Track 03.wav")), data[2]);
    EXPECT_FALSE(std::filesystem::exists(Bin1("Audio Track 02.wav")));
    ASSERT_EQ(SongList().Count(), 2u);
    EXPECT_EQ(SongList().Path(1), Bin1("Audio Track 03.wav"));
    EXPECT_EQ(r->Status(), "Done");
    EXPECT_EQ(r->Prompt(), kMsgRipDonePrompt);
    EXPECT_FALSE(r->Rows()[0].selected);
}

TEST_F(CdRipTest, DataTracksShowTheirSizeAndAreLeftOutOfRipAll) {
    const auto data = MakeCueImage(dir.Path().string(), "mixed", {{300, false}, {450}});
    auto r = Ripper();
    ASSERT_EQ(r->Rows().size(), 2u);
    EXPECT_EQ(r->Rows()[0].name, "Data track 01");
    EXPECT_EQ(r->Rows()[0].time, "   705.6 KB");
    EXPECT_EQ(r->Rows()[1].name, "Audio Track 02");
    EXPECT_TRUE(r->RipAll());
    EXPECT_EQ(Audio(Bin1("Audio Track 02.wav")), data[1]);
    EXPECT_FALSE(std::filesystem::exists(Bin1("Data track 01.wav")));
}

TEST_F(CdRipTest, OneFileRipPutsADividerAtEachTrackStart) {
    const auto data = MakeCueImage(dir.Path().string(), "disc", {{750}, {300}, {226}});
    auto r = Ripper();
    r->Options().oneFile = true;
    r->SetRowName(1, "Second Song");
    ASSERT_TRUE(r->RipAll());
    const std::string file = Bin1("Audio Track 01.wav");
    Bytes all = data[0];
    all.insert(all.end(), data[1].begin(), data[1].end());
    all.insert(all.end(), data[2].begin(), data[2].end());
    EXPECT_EQ(Audio(file), all);
    DividerBlock block{};
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(file, block, count));
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(block.records[0].position, 0u);
    EXPECT_EQ(block.records[1].position, 750u * 2352);
    EXPECT_EQ(block.records[2].position, 1050u * 2352);
    EXPECT_EQ(block.Name(1), "Second Song");
    EXPECT_THAT(r->RippedFiles(), ElementsAre(file));
}

TEST_F(CdRipTest, ReadsAreRetriedThreeTimesAndAFailedTrackLeavesNoWave) {
    struct Case {
        int failuresPerBlock;
        bool ripped;
    };
    for (const Case c : {Case{2, true}, Case{3, false}}) {
        SCOPED_TRACE(c.failuresPerBlock);
        std::vector<uint32_t> blocks;
        int failed = 0;
        auto r = ScriptedRipper({750}, [&](int32_t, uint32_t frames, uint8_t* buffer) {
            if (failed < c.failuresPerBlock) {
                ++failed;
                return -1;
            }
            failed = 0;
            blocks.push_back(frames);
            std::memset(buffer, 1, frames * 2352);
            return static_cast<int>(frames);
        });
        EXPECT_EQ(r->RipAll(), c.ripped);
        EXPECT_EQ(std::filesystem::exists(Bin1("Audio Track 01.wav")), c.ripped);
        if (c.ripped) {
            ASSERT_EQ(blocks.size(), 29u);
            EXPECT_EQ(blocks[27], 26u);
            EXPECT_EQ(blocks[28], 22u);
        } else {
            EXPECT_THAT(Texts().back(), HasSubstr("Error at 150 scripted failure"));
        }
        std::filesystem::remove(Bin1("Audio Track 01.wav"));
    }
}

TEST_F(CdRipTest, CancelMidRipLeavesNoPartialWave) {
    std::atomic<int> reads{0};
    auto r = ScriptedRipper({3000, 300}, [&](int32_t, uint32_t frames, uint8_t* buffer) {
        std::memset(buffer, 0, frames * 2352);
        // The user presses Cancel while the third block is read.
        if (++reads == 3) {
            CancelFlag().store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        return static_cast<int>(frames);
    });
    EXPECT_FALSE(r->RipAll());
    EXPECT_TRUE(std::filesystem::is_empty(settings.Bin1Path));
    EXPECT_LT(reads.load(), 10);
    EXPECT_EQ(r->Status(), "Canceled");
    EXPECT_EQ(r->Prompt(), kMsgRipCanceledPrompt);
    EXPECT_EQ(SongList().Count(), 0u);
}

TEST_F(CdRipTest, MissingFolderAndExistingFileAskFirst) {
    MakeCueImage(dir.Path().string(), "disc", {{100}});
    auto r = Ripper();
    const std::string folder = dir.File("rips/new");
    r->Options().path = folder;
    r->SetSelected(0, true);
    services.QueueAnswer(MsgAnswer::No);
    EXPECT_FALSE(r->RipSelected());
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_THAT(Texts().back(), HasSubstr("The path " + folder + "/ does not exist"));

    EXPECT_TRUE(r->RipSelected());  // the default answer is Yes
    const std::string file = folder + "/Audio Track 01.wav";
    ASSERT_TRUE(std::filesystem::exists(file));

    WriteBytes(file, {1, 2, 3});
    r->SetSelected(0, true);
    services.QueueAnswer(MsgAnswer::No);
    EXPECT_FALSE(r->RipSelected());
    EXPECT_EQ(services.Messages().back().caption, "Overwrite file");
    EXPECT_EQ(ReadBytes(file).size(), 3u);
}

TEST_F(CdRipTest, NothingSelectedOrMp3WithoutEncoderIsRefused) {
    MakeCueImage(dir.Path().string(), "disc", {{100}});
    auto r = Ripper();
    EXPECT_FALSE(r->RipSelected());
    EXPECT_THAT(Texts().back(), HasSubstr("No tracks are selected"));
    r->Options().ripToMp3 = true;
    EXPECT_FALSE(r->RipAll());
    EXPECT_THAT(Texts().back(), HasSubstr("not available yet"));
    EXPECT_TRUE(std::filesystem::is_empty(settings.Bin1Path));
}

TEST_F(CdRipTest, StoredDriveIndexBeyondTheListSelectsTheLast) {
    MakeCueImage(dir.Path().string(), "a", {{100}});
    MakeCueImage(dir.Path().string(), "b", {{100}});
    store.WriteProfileInt("CDRip", "DrvIdx", 40);
    store.WriteProfileString("CDRip", "ImageFolder", dir.Path().string());
    CCdRipper r(store, settings);
    ASSERT_TRUE(r.Open());
    EXPECT_EQ(r.SelectedDrive(), static_cast<int>(r.Drives().size()) - 1);
    EXPECT_EQ(r.Drives().back().name, "b.cue");
    EXPECT_TRUE(r.Close());
    EXPECT_EQ(store.GetProfileInt("CDRip", "DrvIdx", -1), r.SelectedDrive());
}

TEST_F(CdRipTest, PlayTrackHandsTheSelectedTrackToThePlayer) {
    const auto data = MakeCueImage(dir.Path().string(), "disc", {{100}, {50}});
    auto r = Ripper();
    struct Sink : ICdAudioSink {
        Bytes got;
        bool Write(const uint8_t* bytes, size_t size) override {
            got.insert(got.end(), bytes, bytes + size);
            return true;
        }
    } player;
    r->SetSelected(1, true);
    r->PlayTrack();
    EXPECT_THAT(Texts().back(), HasSubstr("No audio output"));
    r->SetPlayer(&player);
    r->PlayTrack();
    EXPECT_EQ(player.got, data[1]);
    EXPECT_EQ(r->Status(), "Done");
    EXPECT_EQ(r->PlayCaption(), "Play Tracks");
    r->SetSelected(1, false);
    r->PlayTrack();
    EXPECT_THAT(Texts().back(), HasSubstr("No track is select"));
}

}  // namespace
