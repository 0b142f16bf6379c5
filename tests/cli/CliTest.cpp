// restova-cli from the outside: the built binary run with its home, config
// and program folders inside a test folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/StringTable.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"

namespace {

class CliTest : public ::testing::Test {
protected:
    CliRun Cli(const std::vector<std::string>& args) { return BuiltCli(dir.Path()).Run(args); }

    // A wave made by sox; false when sox is not there.
    bool Sox(const std::string& name, const std::string& options) {
        return std::system(("sox -n " + options + " " + ShellQuote(dir.File(name)) + " synth 0.5 sine 440 2>/dev/null")
                               .c_str()) == 0;
    }

    TempDir dir;
};

}  // namespace

// The help of the program and of each command, the version, and usage errors that name the faulty
// option and show the command's usage (exit status 2).
TEST_F(CliTest, HelpVersionAndUsageErrorsNameWhatIsWrong) {
    CliRun r = Cli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("info FILE..."), std::string::npos);
    EXPECT_NE(r.out.find("demo [DIR]"), std::string::npos);
    r = Cli({"help", "clean"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: restova-cli clean IN OUT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--hiss N"), std::string::npos) << r.out;
    EXPECT_NE(Cli({"help", "divider", "move"}).out.find("divider FILE move INDEX +1|-1"), std::string::npos);
    EXPECT_EQ(Cli({"help", "nothing"}).status, 2);
    r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("restova-cli ", 0), 0u) << r.out;

    EXPECT_EQ(Cli({}).status, 2);
    const std::vector<std::pair<std::vector<std::string>, std::string>> faults = {
        {{"info"}, "FILE is required"},
        {{"split", "a.wav", "out", "--naming", "4"}, "--naming takes a whole number from 0 to 3"},
        {{"clean", "a.wav", "b.wav", "--hiss", "010x"}, "--hiss takes a whole number"},
        {{"clean", "a.wav", "b.wav", "--fast"}, "--fast"},
        {{"trim", "a.wav", "--start", "5", "--end", "5"}, "--start excludes --end"},
        {{"fade", "a.wav"}, "give --in MS or --out MS"},
        {{"convert", "a.wav", "b.wav", "--bits", "12"}, "--bits"},
        {{"--yes", "--no", "info", "a.wav"}, "--yes excludes --no"},
    };
    for (const auto& [args, message] : faults) {
        r = Cli(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    // The global options may also follow the command.
    r = Cli({"info", dir.File("missing.wav"), "--quiet"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
}

// One block per file, one blank line between blocks; each bad file gets its own message and
// the exit status 1, while the good ones around it still print.
TEST_F(CliTest, InfoPrintsOneBlockPerFileAndReportsEachFailure) {
    if (!Sox("mono.wav", "-r 22050 -c 1 -b 16") || !Sox("Stereo8.WAV", "-r 8000 -c 2 -b 8 -e unsigned")) {
        GTEST_SKIP() << "sox is not installed";
    }
    WriteText(dir.File("garbage.wav"), std::string(3000, '\x5a'));
    WriteText(dir.File("notes.txt"), "hello");
    EXPECT_EQ(Cli({"info", dir.File("mono.wav")}).status, 0);
    CliRun r = Cli({"info", dir.File("mono.wav"), dir.File("missing.wav"), dir.File("garbage.wav"),
                    dir.File("notes.txt"), dir.File("Stereo8.WAV")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "file: " + dir.File("mono.wav") +
                         "\ntype: WAV\nformat: Linear PCM\nchannels: 1\nrate: 22050\nbits: 16\nblock-align: 2\n"
                         "data-bytes: 22050\nduration: 0.500\n\n"
                         "file: " +
                         dir.File("Stereo8.WAV") +
                         "\ntype: WAV\nformat: Linear PCM\nchannels: 2\nrate: 8000\nbits: 8\nblock-align: 2\n"
                         "data-bytes: 8000\nduration: 0.500\n");
    // The system's reason for a file that cannot be opened comes before the program's own message.
    EXPECT_NE(r.err.find("restova-cli: " + dir.File("missing.wav") +
                         ": No such file or directory\nRestova: " + LoadString(kMsgCannotOpen)),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(LoadString(kMsgFormatNotSupported)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(FormatString(kMsgBadFileType, dir.File("notes.txt"))), std::string::npos) << r.err;
    EXPECT_EQ(Cli({"--quiet", "info", dir.File("missing.wav")}).err, "");
}

TEST_F(CliTest, DemoWritesTheRecordingAndDescribesIt) {
    const std::string folder = dir.File("new/demo");
    CliRun r = Cli({"demo", folder});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string wav = folder + "/Demo Record.wav";
    EXPECT_TRUE(std::filesystem::exists(wav));
    EXPECT_NE(r.out.find(wav), std::string::npos);
    EXPECT_NE(r.out.find("\nformat: Linear PCM\nchannels: 2\nrate: 44100\nbits: 16\nblock-align: 4\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 20u * 44100u * 4u);

    // A plain file in the folder's place: a clean failure, nothing written.
    WriteText(dir.File("plain"), "x");
    CliRun blocked = Cli({"demo", dir.File("plain")});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(ReadText(dir.File("plain")), "x");
}
