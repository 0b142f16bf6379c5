// restova-cli divider from the outside: scripted divider edits in the peak file
// of a plain wave and in the session of a wave being worked on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class DividerCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = dir.File("Side.wav");
        ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 44100 * 10, 300)));
    }
    // The divider lines `dividers` prints (the stage flags left out).
    std::vector<std::string> Lines(const std::string& out) {
        std::vector<std::string> lines;
        size_t pos = 0;
        while (pos < out.size()) {
            const size_t nl = out.find('\n', pos);
            std::string line = out.substr(pos, nl - pos);
            if (line.find(':') == std::string::npos) lines.push_back(line);
            pos = nl == std::string::npos ? out.size() : nl + 1;
        }
        return lines;
    }
    TempDir dir;
    CliHarness cli = BuiltCli(dir.Path());
    std::string song;
};

}  // namespace

TEST_F(DividerCliTest, AddRenameMoveAndDeleteInThePeakFile) {
    EXPECT_EQ(cli.Run({"divider", song, "add", "0"}).status, 0);
    EXPECT_EQ(cli.Run({"divider", song, "add", "4.5", "Second Song"}).status, 0);
    CliRun run = cli.Run({"divider", song, "add", "2.00001"});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{"0 0 0.000 Side_1", "1 352800 2.000 Side_3", "2 793800 4.500 Second Song"}));
    run = cli.Run({"divider", song, "move", "1", "+1"});
    EXPECT_EQ(Lines(run.out)[1], "1 529200 3.000 Side_3");
    run = cli.Run({"divider", song, "rename", "1", "Opening"});
    EXPECT_EQ(Lines(run.out)[1], "1 529200 3.000 Opening");
    run = cli.Run({"divider", song, "delete", "0"});
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{"0 529200 3.000 Opening", "1 793800 4.500 Second Song"}));
    // The plain listing reads the same from the peak file.
    EXPECT_EQ(Lines(cli.Run({"dividers", song}).out), Lines(run.out));
    run = cli.Run({"divider", song, "delete", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Lines(run.out).empty());
}

TEST_F(DividerCliTest, ASessionTakesTheEditsInItsCurrentStep) {
    ASSERT_EQ(cli.Run({"trim", song, "--start", "1000"}).status, 0);
    ASSERT_EQ(cli.Run({"divider", song, "add", "2"}).status, 0);
    // The session now shows 9 s; the peak file of the untouched song keeps no divider.
    EXPECT_EQ(Lines(cli.Run({"dividers", song}).out), (std::vector<std::string>{"0 352800 2.000 Side_1"}));
    ASSERT_EQ(cli.Run({"commit", song}).status, 0);
    EXPECT_EQ(Lines(cli.Run({"dividers", song}).out), (std::vector<std::string>{"0 352800 2.000 Side_1"}));
}

TEST_F(DividerCliTest, BadRequestsChangeNothing) {
    ASSERT_EQ(cli.Run({"divider", song, "add", "1"}).status, 0);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"divider", song, "add", "11"},
                                               {"divider", song, "add", "-1"},
                                               {"divider", song, "add", "1e3"},
                                               {"divider", song, "add", "nan"},
                                               {"divider", song, "delete", "1"},
                                               {"divider", song, "rename", "5", "x"},
                                               {"divider", song, "move", "0", "+2"},
                                               {"divider", song, "split", "0"},
                                               {"divider", dir.File("missing.wav"), "add", "1"}}) {
        EXPECT_NE(cli.Run(args).status, 0) << args[2] << " " << args[3];
    }
    EXPECT_EQ(Lines(cli.Run({"dividers", song}).out), (std::vector<std::string>{"0 176400 1.000 Side_1"}));
}
