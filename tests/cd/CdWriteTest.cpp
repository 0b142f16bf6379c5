#include <gmock/gmock.h>

#include <fstream>

#include "CdFixture.h"
#include "cd/CdBurner.h"
#include "cd/CdFolder.h"
#include "cd/CdRipper.h"
#include "support/CliHarness.h"
#include "support/WaveBuilder.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A recorder whose disc a test describes; every call is recorded.
class CFakeRecorder : public IDiscRecorder {
public:
    explicit CFakeRecorder(DiscMedia media, std::vector<std::string>& calls) : m_media(media), m_calls(calls) {}
    std::string DisplayName() const override { return "Fake Writer"; }
    uint32_t OpenExclusive() override { return kDiscOk; }
    uint32_t QueryMedia(DiscMedia& media) override {
        media = m_media;
        return kDiscOk;
    }
    uint32_t Erase() override {
        m_calls.push_back("erase");
        m_media.hasSessions = false;
        return kDiscOk;
    }
    void Close() override {}
    uint32_t BeginTrack(uint32_t blocks) override {
        m_calls.push_back("track " + std::to_string(blocks));
        return kDiscOk;
    }
    uint32_t AddBlocks(const uint8_t*, size_t) override { return kDiscOk; }
    uint32_t EndTrack() override { return kDiscOk; }
    uint32_t Record(bool simulate, bool eject) override {
        m_calls.push_back(std::string("record") + (simulate ? " sim" : "") + (eject ? " eject" : ""));
        return kDiscOk;
    }
    void ClearStaged() override { m_calls.push_back("clear"); }

private:
    DiscMedia m_media;
    std::vector<std::string>& m_calls;
};

class CdWriteTest : public CdFixture {
protected:
    // A CD-format song of bytes bytes of audio in Bin3; returns its audio.
    Bytes Song(const std::string& name, size_t bytes, uint16_t channels = 2, uint32_t rate = 44100) {
        std::vector<int64_t> samples(bytes / 2);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7919 + name.size() * 31);
        EXPECT_TRUE(WriteWave(Bin3(name), channels, rate, 16, samples));
        return EncodeSamples(16, samples);
    }
    std::string Bin3(const std::string& name) const { return settings.Bin3Path + "/" + name; }
    std::unique_ptr<CCdBurner> Burner() {
        auto b = std::make_unique<CCdBurner>(settings, SongList(), false);
        EXPECT_TRUE(b->Open());
        return b;
    }
};

TEST_F(CdWriteTest, ImageWrittenAndRippedBackGivesTheSameAudioAndTrackBounds) {
    // 226 blocks: the last one holds 4 bytes of audio and 2348 of silence.
    std::vector<Bytes> songs = {Song("a.wav", 225 * 2352 + 4), Song("b.wav", 400 * 2352),
                                Song("c.wav", 300 * 2352 + 2348)};
    auto burner = Burner();
    EXPECT_EQ(burner->RecorderNames().back(), "Disc image (CUE/BIN)");
    EXPECT_EQ(burner->DiscText(), "Blank CDR");
    EXPECT_EQ(burner->UsedBlocks(), 226u + 400 + 301);
    EXPECT_EQ(burner->SpaceBar(), 927 * 1000 / 360000);
    EXPECT_EQ(burner->SpaceText(), "00:12.360");
    const std::string cue = dir.File("out/disc.cue");
    std::filesystem::create_directories(dir.File("out"));
    burner->Master().ImageRecorder().SetOutput(cue);
    ASSERT_TRUE(burner->WriteCd());
    EXPECT_THAT(Texts().back(), HasSubstr("successfully created"));
    EXPECT_THAT(FilesUnder(dir.File("out")), ElementsAre("disc.bin", "disc.cue"));

    const auto ripper = ImageRipper(dir.File("out"));
    ASSERT_EQ(ripper->Toc().tracks.size(), 3u);
    EXPECT_EQ(ripper->Toc().tracks[1].startLsn, 226);
    EXPECT_EQ(ripper->Toc().tracks[2].startLsn, 626);
    EXPECT_EQ(ripper->Toc().leadOutLsn, 927);
    ASSERT_TRUE(ripper->RipAll());
    for (size_t i = 0; i < songs.size(); ++i) {
        WaveContents w;
        ASSERT_TRUE(ReadWave(ripper->RippedFiles()[i], w));
        Bytes padded = songs[i];
        padded.resize((padded.size() + 2351) / 2352 * 2352, 0);
        EXPECT_EQ(w.data, padded) << i;
    }
}

TEST_F(CdWriteTest, DiscChecksComeBeforeAnythingIsStaged) {
    struct Case {
        const char* name;
        DiscMedia media;
        MsgAnswer eraseAnswer;
        const char* message;
        std::vector<std::string> calls;
    };
    DiscMedia full{kMediaNone, kMediaBlank | kMediaWritable, 300, false};
    DiscMedia pressed{kMediaCdda, 0, 0, true};
    DiscMedia usedRw{kMediaNone, kMediaRewritable, 360000, true};
    DiscMedia empty{};
    const Case cases[] = {
        {"too full", full, MsgAnswer::Ok, "either full", {}},
        {"pressed CD", pressed, MsgAnswer::Ok, "not writable", {}},
        {"no disc", empty, MsgAnswer::Ok, "No Disc in the CDR drive", {}},
        {"used CD-RW erased",
         usedRw,
         MsgAnswer::Ok,
         "successfully created",
         {"erase", "track 226", "track 301", "record eject"}},
        {"used CD-RW kept",
         usedRw,
         MsgAnswer::Cancel,
         "successfully created",
         {"track 226", "track 301", "record eject"}},
    };
    Song("a.wav", 225 * 2352 + 4);
    Song("b.wav", 301 * 2352);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> calls;
        auto burner = std::make_unique<CCdBurner>(settings, SongList(), false);
        ASSERT_TRUE(burner->Open());
        burner->Master().AddRecorder(std::make_unique<CFakeRecorder>(c.media, calls));
        burner->SelectRecorder(0);
        services.QueueAnswer(c.eraseAnswer);
        burner->WriteCd();
        EXPECT_THAT(Texts().back(), HasSubstr(c.message));
        // The disc master empties its staging when it goes.
        burner.reset();
        if (!calls.empty() && calls.back() == "clear") calls.pop_back();
        EXPECT_EQ(calls, c.calls);
    }
}

TEST_F(CdWriteTest, ShortTrackStopsTheWriteAndDropsWhatWasStaged) {
    Song("a.wav", 300 * 2352);
    Song("b.wav", 224 * 2352);
    std::vector<std::string> calls;
    auto burner = Burner();
    burner->Master().AddRecorder(std::make_unique<CFakeRecorder>(DiscMedia{0, 5, 360000, false}, calls));
    burner->SelectRecorder(0);
    burner->SetSimulate(true);
    EXPECT_FALSE(burner->WriteCd());
    EXPECT_EQ(Texts().back(), "ERROR: This track is not long enough. Tracks must be at least 3.0 seconds long: b.wav");
    EXPECT_THAT(calls, ElementsAre("track 300", "clear"));
}

TEST_F(CdWriteTest, PreparationConvertsToCdFormatAndReconcilesThePlaylist) {
    Song("mono.wav", 22050 * 2, 1, 22050);  // one second
    Song("kept.wav", 300 * 2352);
    CSongList old;
    old.Append(Bin3("kept.wav"));
    old.Append(Bin3("KEPT.wav"));
    old.Append(Bin3("gone.wav"));
    ASSERT_TRUE(old.Save(CCdFolder::PlaylistPath(settings.Bin3Path)));
    auto burner = Burner();
    WaveContents w;
    ASSERT_TRUE(ReadWave(Bin3("mono.wav"), w));
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_NEAR(static_cast<double>(w.data.size()), 176400.0, 4 * 64);
    ASSERT_EQ(burner->Rows().size(), 2u);
    EXPECT_EQ(burner->Rows()[0].name, "kept.wav");
    EXPECT_EQ(burner->Rows()[0].length, "00:04.0000");
    EXPECT_EQ(burner->Rows()[1].name, "mono.wav");
    CSongList saved;
    ASSERT_TRUE(saved.Load(CCdFolder::PlaylistPath(settings.Bin3Path)));
    EXPECT_EQ(saved.Count(), 2u);
}

TEST_F(CdWriteTest, ReorderDeleteAndImportKeepThePlaylistInStep) {
    Song("a.wav", 300 * 2352);
    Song("b.wav", 300 * 2352);
    Song("c.wav", 300 * 2352);
    WriteBytes(Bin3("c.pkf"), {1});
    auto burner = Burner();
    burner->MoveRow(2, 0);
    burner->SetSelected(1, true);  // a.wav
    services.QueueAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(burner->DeleteSelected());
    EXPECT_THAT(Texts().back(), HasSubstr("delete the file \"a.wav\""));
    EXPECT_FALSE(std::filesystem::exists(Bin3("a.wav")));
    CSongList saved;
    ASSERT_TRUE(saved.Load(CCdFolder::PlaylistPath(settings.Bin3Path)));
    ASSERT_EQ(saved.Count(), 2u);
    EXPECT_EQ(saved.Path(0), Bin3("c.wav"));
    EXPECT_EQ(saved.Path(1), Bin3("b.wav"));

    std::ofstream(dir.File("list.m3u")) << "# songs\r\n" << Bin3("b.wav") << "\r\nmissing.wav\r\n";
    EXPECT_TRUE(burner->ImportPlaylist(dir.File("list.m3u")));
    EXPECT_EQ(burner->Rows().size(), 3u);
    EXPECT_TRUE(burner->ListChanged());
    WriteBytes(dir.File("bad.wls"), Bytes(600, 'x'));
    EXPECT_FALSE(burner->ImportPlaylist(dir.File("bad.wls")));
    EXPECT_THAT(Texts().back(), HasSubstr("Could not read that file"));
}

TEST(CdMediaTextTest, FlagsWinOverTheType) {
    EXPECT_EQ(CCdBurner::MediaText({0, 0, 0, false}), "No Disc");
    EXPECT_EQ(CCdBurner::MediaText({0, 1 | 4, 0, false}), "Blank CDR");
    EXPECT_EQ(CCdBurner::MediaText({0, 1 | 2, 0, false}), "Blank CDRW");
    EXPECT_EQ(CCdBurner::MediaText({kMediaXa, 0, 0, false}), " XA Disc");
    EXPECT_EQ(CCdBurner::MediaText({9, 0, 0, false}), " Unknown Disc");
}

}  // namespace
