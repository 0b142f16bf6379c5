// What restova-cli writes, and what it says about it: an OUT that cannot be
// written fails before any work, an existing one is never replaced unasked,
// every IN -> OUT command and every edit names what it wrote, and the presets
// a user can name are listed.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

class OutputCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int64_t> samples(2 * 44100);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>(i % 2000) * 8 - 8000;
        ASSERT_TRUE(WriteWave(song, 2, 44100, 16, samples));
    }

    CliRun Cli(const Args& args) const { return BuiltCli(home.Path()).Run(args); }

    TempDir home;
    TempDir dir;
    const std::string song = dir.File("Song.wav");
};

}  // namespace

// An OUT whose folder is missing or no folder fails at once with the system's reason, leaving nothing
// anywhere; an existing OUT is kept unless --yes is given (no terminal to ask on).
TEST_F(OutputCliTest, OutIsCheckedBeforeAnyWorkAndReplacedOnlyWithYes) {
    ASSERT_TRUE(WriteBytes(dir.File("plain"), {'x'}));
    const std::vector<std::pair<std::string, std::string>> unwritable = {
        {"/nonexistent/dir/x.wav", "/nonexistent/dir: No such file or directory"},
        {dir.File("plain/x.wav"), dir.File("plain") + ": Not a directory"},
        {dir.Path().string(), " is a folder"},
    };
    for (const auto& [out, reason] : unwritable) {
        const CliRun r = Cli({"clean", song, out});
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    }
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"Song.wav", "plain"}));

    const std::string out = dir.File("out.wav");
    ASSERT_TRUE(WriteBytes(out, {'k', 'e', 'e', 'p'}));
    const std::vector<Args> commands = {
        {"clean", song, out},
        {"enhance", song, out},
        {"riaa", song, out},
        {"speed", song, out, "--ratio", "1.1"},
        {"convert", song, out, "--rate", "22050"},
        {"filter", "56", song, out},
    };
    for (const Args& args : commands) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find(out + " exists; give --yes to replace it"), std::string::npos) << r.err;
        const CliRun declined = Cli([&] {
            Args no = args;
            no.insert(no.begin(), "--no");
            return no;
        }());
        EXPECT_EQ(declined.status, 1) << args[0];
    }
    EXPECT_EQ(ReadBytes(out), (Bytes{'k', 'e', 'e', 'p'}));

    const CliRun replaced = Cli({"riaa", song, out, "--yes"});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out.rfind("written: " + out + "\nclipped-samples: ", 0), 0u) << replaced.out;
    WaveContents wave;
    EXPECT_TRUE(ReadWave(out, wave));
}

// Each command that writes says what: the wave, or the session that holds an edit until its commit.
TEST_F(OutputCliTest, CommandsNameWhatTheyWrote) {
    const std::string out = dir.File("fast.wav");
    CliRun r = Cli({"--quiet", "speed", song, out, "--record", "33", "--turntable", "45"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written: " + out + "\nclipped-samples: 0\nclipped-max-db: 0.00\n");

    r = Cli({"--quiet", "fade", song, "--in", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "session: " + dir.File("Song.ses") + "\n");
    r = Cli({"--quiet", "trim", song, "--end", "100", "--commit"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written: " + song + "\n");
}

// Every stage says how much it clipped; more than a trace is warned about on stderr.
TEST_F(OutputCliTest, ClippingIsCountedAndMoreThanATraceIsWarnedAbout) {
    // A loud bass tone, which the RIAA curve raises far past full scale, and a quiet one it does not.
    for (const auto& [amplitude, clips] : std::vector<std::pair<double, bool>>{{20000, true}, {200, false}}) {
        std::vector<int64_t> samples(2 * 22050);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = std::lround(amplitude * std::sin(i / 2 * 0.0142));
        const std::string tone = dir.File("tone.wav"), out = dir.File("riaa.wav");
        ASSERT_TRUE(WriteWave(tone, 2, 22050, 16, samples));
        const CliRun r = Cli({"riaa", tone, out, "--yes"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find("written: " + out + "\nclipped-samples: "), 0u) << r.out;
        EXPECT_EQ(r.out.find("clipped-samples: 0\nclipped-max-db: 0.00\n") == std::string::npos, clips) << r.out;
        EXPECT_EQ(r.err.find("samples (") != std::string::npos, clips) << r.err;
        EXPECT_EQ(r.err.find("were clipped, by up to ") != std::string::npos, clips) << r.err;
    }
}

// The shipped presets are listed for every stage; a user's own comes first and hides a shipped one
// of the same name. Listing creates the user's presets folder.
TEST_F(OutputCliTest, PresetsListTheUsersOwnFirstThenTheShippedOnes) {
    CliRun r = Cli({"presets", "clean"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "clean\tDefault\tshipped\n");
    const fs::path user = home.Path() / "Restova/Presets";
    EXPECT_TRUE(fs::is_directory(user));

    fs::create_directories(user / "TaviEnhance");
    ASSERT_TRUE(WriteBytes((user / "TaviEnhance/Bright LP.pst").string(), {'\n'}));
    ASSERT_TRUE(WriteBytes((user / "TaviEnhance/Mine.pst").string(), {'\n'}));
    r = Cli({"presets", "enhance"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "enhance\tBright LP\tuser\nenhance\tMine\tuser\nenhance\tDefault\tshipped\nenhance\tDull Tape\tshipped\n"
              "enhance\tThin 78\tshipped\n");
    r = Cli({"presets"});
    EXPECT_EQ(r.out.rfind("clean\tDefault\tshipped\nenhance\tBright LP\tuser\n", 0), 0u) << r.out;
    EXPECT_EQ(Cli({"presets", "tape"}).status, 1);

    // What is listed loads, whichever stage it belongs to.
    r = Cli({"--quiet", "clean", song, dir.File("clean.wav"), "--preset", "Default"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("scratch: 500\ncrackle: 300\nhiss: 20\n", 0), 0u) << r.out;
}
