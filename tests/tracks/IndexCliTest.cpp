// restova-cli index, run as a user would run it: plain and session mode, the
// question about existing dividers, and bad requests.
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
#include "tracks/SongsRecording.h"

namespace {

class IndexCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&services);
        std::filesystem::create_directories(home);
    }
    void TearDown() override { SetServices(nullptr); }

    std::string WriteSide(const std::string& name) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, 2, 44100, 16, MakeRecording(ThreeSongs(), 2)));
        return path;
    }
    CliRun Run(const std::vector<std::string>& args) { return BuiltCli(home).Run(args); }

    TempDir dir;
    std::filesystem::path home = dir.Path() / "home";
    CHeadlessServices services;
};

TEST_F(IndexCliTest, PlainFileGetsItsDividersInThePeakFile) {
    const std::string song = WriteSide("Side One.wav");
    const CliRun run = Run({"index", song});
    ASSERT_EQ(run.status, 0) << run.err;
    // The printed positions are checked where the indexer is; here the names and the format.
    EXPECT_NE(run.out.find(" 0.000 Side One\n1 "), std::string::npos);
    EXPECT_NE(run.out.find(" Side One_3\nclean: N\nenhance: N\nfinal: N\n"), std::string::npos);
    EXPECT_NE(run.err.find("The file has been re-indexed."), std::string::npos);
    // What was printed is what was stored.
    EXPECT_EQ(Run({"dividers", song}).out, run.out);
    EXPECT_FALSE(std::filesystem::exists(SessionFileName(song)));
}

TEST_F(IndexCliTest, ExistingDividersAreReplacedOnlyWithYes) {
    const std::string song = WriteSide("Side Two.wav");
    ASSERT_EQ(Run({"peaks", song}).status, 0);
    auto block = std::make_unique<DividerBlock>();
    block->records[0].position = 88200;
    block->SetName(0, "Mine");
    ASSERT_TRUE(CPeakFile::WriteDividers(song, *block, 1));

    const CliRun kept = Run({"--no", "index", song});
    EXPECT_EQ(kept.status, 0);
    EXPECT_EQ(kept.out.substr(0, kept.out.find('\n')), "0 88200 0.500 Mine");
    EXPECT_EQ(kept.err.find("re-indexed"), std::string::npos);

    const CliRun replaced = Run({"--yes", "index", song});
    EXPECT_EQ(replaced.status, 0);
    EXPECT_EQ(replaced.out.substr(0, replaced.out.find('\n')), "0 0 0.000 Side Two");
    EXPECT_EQ(Run({"dividers", song}).out, replaced.out);
}

TEST_F(IndexCliTest, ASessionKeepsTheDividersInItsCurrentStep) {
    const std::string song = WriteSide("Side Three.wav");
    {
        CWaveFile wave;
        wave.SetSessionMode(true);
        ASSERT_EQ(wave.OpenRead(song), kFileOk);
        wave.Close();
    }
    ASSERT_TRUE(std::filesystem::exists(SessionFileName(song)));
    const CliRun run = Run({"index", song});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "0 0 0.000 Side Three");
    EXPECT_TRUE(std::filesystem::exists(SessionFileName(song)));
    EXPECT_EQ(Run({"dividers", song}).out, run.out);
}

TEST_F(IndexCliTest, BadRequests) {
    EXPECT_EQ(Run({"index"}).status, 2);
    const std::string junk = dir.File("junk.wav");
    ASSERT_TRUE(WriteBytes(junk, Bytes(100, 'x')));
    for (const std::string& file : {dir.File("missing.wav"), junk}) {
        EXPECT_EQ(Run({"index", file}).status, 1);
        EXPECT_FALSE(std::filesystem::exists(PeakFileName(file)));
        EXPECT_FALSE(std::filesystem::exists(SessionFileName(file)));
    }
}

}  // namespace
