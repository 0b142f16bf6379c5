// restova-cli split, run as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

class SplitCliTest : public ::testing::Test {
protected:
    void SetUp() override { SetServices(&m_services); }
    void TearDown() override { SetServices(nullptr); }

    // A 3 s stereo song with dividers at bytes 0, 100000 and 200000 (none when dividers is false), without a session.
    std::string MakeSong(const std::string& name, bool dividers = true) {
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(WriteWave(path, 2, 44100, 16, std::vector<int64_t>(2 * 3 * 44100, 1000)));
        if (dividers) {
            auto block = std::make_unique<DividerBlock>();
            for (int i = 0; i < 3; ++i) {
                block->records[i].position = static_cast<uint32_t>(i) * 100000;
                block->SetName(i, "Song " + std::to_string(i + 1));
            }
            CWaveFile wave;
            PeakResults results;
            EXPECT_EQ(wave.OpenRead(path), kFileOk);
            EXPECT_EQ(CPeakFile::BuildPeakFile(wave, 0, 0, block.get(), 3, results), 0);
        }
        return path;
    }

    CliRun RunCli(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--quiet"};
        all.insert(all.end(), args.begin(), args.end());
        return BuiltCli(m_home.Path()).Run(all);
    }

    CHeadlessServices m_services;
    TempDir m_dir;
    TempDir m_home;
};

}  // namespace

TEST_F(SplitCliTest, PrintsEveryFileWrittenAndKeepsOrRemovesTheSource) {
    const std::string song = MakeSong("Side.wav");
    const std::string kept = m_dir.File("kept");
    CliRun r = RunCli({"split", song, kept, "--naming", "2", "--keep"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kept + "/Song 1.wav\n" + kept + "/Song 2.wav\n" + kept + "/Song 3.wav\n");
    // Kept as it was: no session left behind by the split.
    EXPECT_TRUE(fs::exists(song));
    EXPECT_TRUE(fs::exists(PeakFileName(song)));
    EXPECT_FALSE(fs::exists(SessionFileName(song)));

    const std::string moved = m_dir.File("moved");
    r = RunCli({"split", song, moved, "--cd-align"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, moved + "/Side01.wav\n" + moved + "/Side02.wav\n" + moved + "/Side03.wav\n");
    WaveFileInfo info;
    ASSERT_EQ(CWaveFile::FileInfo(moved + "/Side01.wav", info, true), 0);
    EXPECT_EQ(info.dataBytes, 100000u / 2352 * 2352);
    EXPECT_EQ(FilesUnder(m_dir.Path()).size(), 6u);  // the source and its peak file are gone
}

TEST_F(SplitCliTest, NothingToSplitFailuresAndBadArguments) {
    const std::string bare = MakeSong("Bare.wav", false);
    CliRun r = RunCli({"split", bare, m_dir.File("out")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(FilesUnder(m_dir.Path()), std::vector<std::string>{"Bare.wav"});

    const std::string song = MakeSong("Side.wav");
    ASSERT_TRUE(WriteBytes(m_dir.File("plain"), {'x'}));
    r = RunCli({"split", song, m_dir.File("plain/out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::exists(song));

    EXPECT_EQ(RunCli({"split", m_dir.File("missing.wav"), m_dir.File("out")}).status, 1);
    for (const auto& args : std::vector<std::vector<std::string>>{{"split", song},
                                                                  {"split", song, "out", "--naming", "4"},
                                                                  {"split", song, "out", "--naming"},
                                                                  {"split", song, "out", "--fast"}}) {
        EXPECT_EQ(RunCli(args).status, 2);
    }
}
