// restova-cli divider from the outside: scripted divider edits in the peak file
// of a plain wave and in the session of a wave being worked on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

using Lines = std::vector<std::string>;

// The divider lines `dividers` prints (the stage flags left out).
Lines DividerLines(const std::string& out) {
    Lines lines;
    for (size_t pos = 0, nl; pos < out.size(); pos = nl + 1) {
        nl = out.find('\n', pos);
        if (nl == std::string::npos) nl = out.size();
        if (out.find(':', pos) >= nl) lines.push_back(out.substr(pos, nl - pos));
    }
    return lines;
}

}  // namespace

TEST(DividerCli, EditsThePeakFileOrTheSessionAndRefusesBadRequests) {
    TempDir dir;
    const CliHarness cli = BuiltCli(dir.Path());
    const std::string song = dir.File("Side.wav");
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 44100 * 10, 300)));
    auto listed = [&] { return DividerLines(cli.Run({"dividers", song}).out); };

    EXPECT_EQ(cli.Run({"divider", song, "add", "0"}).status, 0);
    EXPECT_EQ(cli.Run({"divider", song, "add", "4.5", "Second Song"}).status, 0);
    CliRun run = cli.Run({"divider", song, "add", "2.00001"});  // rounded down to its frame
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(DividerLines(run.out),
              (Lines{"0 0 0.000 Side_1", "1 352800 2.000 Side_3", "2 793800 4.500 Second Song"}));
    EXPECT_EQ(DividerLines(cli.Run({"divider", song, "move", "1", "+1"}).out)[1], "1 529200 3.000 Side_3");
    EXPECT_EQ(DividerLines(cli.Run({"divider", song, "rename", "1", "Opening"}).out)[1], "1 529200 3.000 Opening");
    run = cli.Run({"divider", song, "delete", "0"});
    const Lines kept = {"0 529200 3.000 Opening", "1 793800 4.500 Second Song"};
    EXPECT_EQ(DividerLines(run.out), kept);
    EXPECT_EQ(listed(), kept);  // what was printed is what the peak file holds

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"divider", song, "add", "11"},
                                               {"divider", song, "add", "-1"},
                                               {"divider", song, "add", "1e3"},
                                               {"divider", song, "add", "nan"},
                                               {"divider", song, "delete", "2"},
                                               {"divider", song, "rename", "5", "x"},
                                               {"divider", song, "move", "0", "+2"},
                                               {"divider", dir.File("missing.wav"), "add", "1"}}) {
        EXPECT_NE(cli.Run(args).status, 0) << args[2] << " " << args[3];
    }
    EXPECT_EQ(listed(), kept);
    run = cli.Run({"divider", song, "delete", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(DividerLines(run.out).empty());

    // With a session the edit goes into its current step (the song shortened to 9 s), and the commit
    // carries it into the peak file.
    ASSERT_EQ(cli.Run({"trim", song, "--start", "1000"}).status, 0);
    ASSERT_EQ(cli.Run({"divider", song, "add", "2"}).status, 0);
    EXPECT_EQ(listed(), (Lines{"0 352800 2.000 Side_1"}));
    ASSERT_EQ(cli.Run({"commit", song}).status, 0);
    EXPECT_EQ(listed(), (Lines{"0 352800 2.000 Side_1"}));
}
