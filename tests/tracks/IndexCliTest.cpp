// restova-cli index, run as a user would run it: the dividers printed and
// stored, the question about existing dividers, and files it cannot read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"
#include "tracks/SongsRecording.h"

namespace fs = std::filesystem;

TEST(IndexCli, IndexesIntoThePeakFileAsksBeforeReplacingAndLeavesBadFilesAlone) {
    TempDir dir;
    const CliHarness cli = BuiltCli(dir.Path());
    const std::string song = dir.File("Side One.wav");
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, MakeRecording(ThreeSongs(), 2)));
    auto firstLine = [](const CliRun& run) { return run.out.substr(0, run.out.find('\n')); };

    const CliRun run = cli.Run({"index", song});
    ASSERT_EQ(run.status, 0) << run.err;
    // The positions are checked where the indexer is; here the names and the format.
    EXPECT_NE(run.out.find(" 0.000 Side One\n1 "), std::string::npos);
    EXPECT_NE(run.out.find(" Side One_3\nclean: N\nenhance: N\nfinal: N\n"), std::string::npos);
    EXPECT_NE(run.err.find("The file has been re-indexed."), std::string::npos);
    EXPECT_EQ(cli.Run({"dividers", song}).out, run.out);
    EXPECT_FALSE(fs::exists(SessionFileName(song)));

    // Keeping the dividers when asked is an answer, not a failure.
    ASSERT_EQ(cli.Run({"divider", song, "rename", "0", "Mine"}).status, 0);
    const CliRun kept = cli.Run({"--no", "index", song});
    EXPECT_EQ(kept.status, 0);
    EXPECT_EQ(firstLine(kept), "0 0 0.000 Mine");
    EXPECT_EQ(kept.err.find("re-indexed"), std::string::npos);
    const CliRun replaced = cli.Run({"--yes", "index", song});
    EXPECT_EQ(replaced.status, 0);
    EXPECT_EQ(firstLine(replaced), "0 0 0.000 Side One");
    EXPECT_EQ(cli.Run({"dividers", song}).out, replaced.out);

    EXPECT_EQ(cli.Run({"index"}).status, 2);
    const std::string junk = dir.File("junk.wav");
    ASSERT_TRUE(WriteBytes(junk, Bytes(100, 'x')));
    for (const std::string& file : {dir.File("missing.wav"), junk}) {
        EXPECT_EQ(cli.Run({"index", file}).status, 1);
        EXPECT_FALSE(fs::exists(PeakFileName(file)));
        EXPECT_FALSE(fs::exists(SessionFileName(file)));
    }
}
