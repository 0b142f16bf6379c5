// The CD writer's "Create MP3" / "Create WMA" batches and the MP3 set-up dialog's model.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "codecs/CompressedExport.h"
#include "codecs/Mp3SetupModel.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class CompressedExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&m_services);
        m_settings.Bin3Path = m_dir.File("Bin3");
        std::filesystem::create_directories(m_settings.Bin3Path);
        m_store.WriteProfileString(kSectionRestova, "MP3EncoderPath", (BuiltProgramFolder() / "lame_enc.dll").string());
        for (const char* name : {"One.wav", "Two.wav"}) {
            const std::string path = m_settings.Bin3Path + "/" + name;
            ASSERT_TRUE(WriteWave(path, 2, 44100, 16, std::vector<int64_t>(44100 * 2, 1000)));
            m_songs.push_back({path, {name, "", "", 0}});
        }
        m_songs.push_back({m_settings.Bin3Path + "/Missing.wav", {}});
    }
    void TearDown() override { SetServices(nullptr); }

    CHeadlessServices m_services;
    TempDir m_dir;
    AppSettings m_settings{m_dir.File("prog"), m_dir.File("share")};
    CSettingsStore m_store{m_dir.File("Restova.ini")};
    std::vector<ExportSong> m_songs;
};

// A failed song does not stop the batch; Yes opens the folder; WMA asks for the codec once and keeps
// the choice; FLAC replaces WMA when the setting says so.
TEST_F(CompressedExportTest, BatchesWriteEverySongTheyCan) {
    m_services.QueueAnswer(MsgAnswer::Yes);
    ExportResult mp3 = CreateMp3Files(m_songs, m_settings, m_store);
    EXPECT_EQ(mp3.written, 2);
    EXPECT_EQ(mp3.failed, 1);
    EXPECT_TRUE(std::filesystem::exists(m_settings.Bin3Path + "/Mp3Files/One.mp3"));
    EXPECT_EQ(m_services.OpenedDocuments(), std::vector<std::string>{m_settings.Bin3Path + "/Mp3Files"});

    int asked = 0;
    ExportResult wma = CreateWmaFiles(m_songs, m_settings, m_store, [&](int& codec, int& format) {
        ++asked;
        codec = 0;
        format = 3;
        return true;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(wma.written, 2);
    EXPECT_EQ(m_settings.WMAFormatIdx, 3);
    EXPECT_TRUE(std::filesystem::exists(m_settings.Bin3Path + "/WmaFiles/Two.wma"));

    m_store.WriteProfileInt(kSectionRestova, "OutputFlac", 1);
    EXPECT_EQ(CreateWmaFiles(m_songs, m_settings, m_store).written, 2);
    EXPECT_TRUE(std::filesystem::exists(m_settings.Bin3Path + "/FlacFiles/One.flac"));
}

TEST_F(CompressedExportTest, NothingSelectedAndNoFolder) {
    EXPECT_EQ(CreateMp3Files({}, m_settings, m_store).written, 0);
    ASSERT_FALSE(m_services.Messages().empty());
    EXPECT_NE(m_services.Messages().back().text.find("No files are selected"), std::string::npos);
    m_settings.Bin3Path = m_dir.File("no/such/bin");
    CreateWmaFiles(m_songs, m_settings, m_store);
    EXPECT_NE(m_services.Messages().back().text.find("WmaFiles directory"), std::string::npos);
}

// OK keeps the bit rate as typed, even one the library cannot take.
TEST(Mp3SetupTest, OkStoresTheTypedBitRate) {
    TempDir dir;
    CSettingsStore store(dir.File("Restova.ini"));
    CMP3Setup setup(store);
    setup.ChooseType(4);
    setup.bitRateText = "16";
    ASSERT_TRUE(setup.Ok(store));
    const Mp3Options stored = Mp3Options::Load(store);
    EXPECT_EQ(stored.bitRate, 16);  // kept as typed; the library uses 128 for it
    EXPECT_EQ(stored.LibraryBitRate(), 128);
    EXPECT_EQ(stored.encoderType, 4);
}

}  // namespace
