// restova-cli filter and clean from the outside: the built binary with its
// home, config and program folders inside a test folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

// n 16-bit samples that seldom repeat, so a misplaced or altered block shows.
std::vector<int64_t> Pattern(size_t n, uint64_t stride = 7919) {
    std::vector<int64_t> s(n);
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<int64_t>((i * stride) % 20001) - 10000;
    return s;
}

class ProcessingCliTest : public ::testing::Test {
protected:
    int Cli(const std::vector<std::string>& args) {
        const CliRun r = BuiltCli(dir.Path()).Run(args);
        out = r.out;
        err = r.err;
        return r.status;
    }

    TempDir dir;
    const std::string in = dir.File("in.wav"), o = dir.File("o.wav");
    std::string out, err;
};

TEST_F(ProcessingCliTest, FilterRunsAGainChangeOverARangeIntoOutAndPreviewsTheSame) {
    std::vector<int64_t> samples(2 * 10000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>((i * 7919) % 40001) - 20000;
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, samples));
    const std::string file = ReadText(in);
    const Bytes before = WaveData(in);
    ASSERT_EQ(Cli({"--quiet", "filter", "56", in, o, "--params", "2,500,500", "--range", "4001:20002"}), 0) << err;
    EXPECT_EQ(ReadText(in), file);
    const Bytes after = WaveData(o);
    ASSERT_EQ(after.size(), before.size());
    // The range rounds down to whole frames; outside it nothing changes, inside it is halved
    // on the 24-bit scale, then cut to 16 bits by dropping the low byte.
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 4000, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 20000, before.end(), after.begin() + 20000));
    const auto a = DecodeSamples(16, Bytes(before.begin() + 4000, before.begin() + 20000));
    const auto b = DecodeSamples(16, Bytes(after.begin() + 4000, after.begin() + 20000));
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(b[i], (a[i] * 128) >> 8) << i;
    // No session, step file or peak file of IN is left behind.
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"err.txt", "in.wav", "o.pkf", "o.wav", "out.txt"}));

    // A preview writes the stream it would play instead of OUT.
    const std::string p = dir.File("p.wav");
    ASSERT_EQ(Cli({"--quiet", "filter", "56", in, "--params", "2,500,500", "--range", "4001:20002", "--preview-to", p}),
              0)
        << err;
    EXPECT_EQ(WaveData(p), Bytes(after.begin() + 4000, after.begin() + 20000));
}

TEST_F(ProcessingCliTest, CleanWritesOutLeavesInAloneAndPrintsTheControlsAndTotals) {
    // Two seconds of 16-bit stereo: a chord, hiss and a few loud clicks.
    std::vector<int64_t> samples(2 * 88200);
    uint32_t seed = 12345;
    for (size_t f = 0; f < samples.size() / 2; ++f) {
        seed = seed * 1664525u + 1013904223u;
        const double t = f / 44100.0;
        double v = 6000 * std::sin(2 * std::numbers::pi * 440 * t) + 3000 * std::sin(2 * std::numbers::pi * 550 * t) +
                   ((seed >> 16) % 600) - 300.0;
        if (f % 11025 == 5000) v += 25000;
        samples[2 * f] = samples[2 * f + 1] = std::clamp<int64_t>(std::lround(v), -32768, 32767);
    }
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, samples));
    const std::string file = ReadText(in);
    ASSERT_EQ(Cli({"--quiet", "clean", in, o, "--hum", "60"}), 0) << err;
    EXPECT_EQ(ReadText(in), file);
    const Bytes before = WaveData(in), after = WaveData(o);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
    // The shipped Default preset, with the hum choice given, then the totals.
    EXPECT_NE(out.find("scratch: 500\ncrackle: 300\nhiss: 20\nhum: 60\n"), std::string::npos) << out;
    for (const char* total : {"scratch-events: ", "mean-hiss-gain: 0.", "hum-level: "}) {
        EXPECT_NE(out.find(total), std::string::npos) << out;
    }
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"err.txt", "in.wav", "o.pkf", "o.wav", "out.txt"}));

    // The shipped preset serves a user who has none of that name.
    ASSERT_EQ(Cli({"--quiet", "clean", in, dir.File("d.wav"), "--preset", "Default"}), 0) << err;

    // A preset from the user's folder, an option over it, and bypass copying the audio.
    std::filesystem::create_directories(dir.File("Restova/Presets/TaviClean"));
    std::ofstream(dir.File("Restova/Presets/TaviClean/Gentle.pst")) << "[TaviClean]\nSet=100,200,5,2,0,0,0,0,0,0,0\n";
    const std::string g = dir.File("g.wav");
    ASSERT_EQ(Cli({"--quiet", "clean", in, g, "--preset", "Gentle", "--hiss", "9", "--bypass"}), 0) << err;
    EXPECT_NE(out.find("scratch: 100\ncrackle: 200\nhiss: 9\nhum: 50\n"), std::string::npos) << out;
    EXPECT_EQ(WaveData(g), before);
}

// Many files into a folder, side by side: each output is what a run of its own writes, and nothing
// else is left there. Names like these once shared one scratch file beside the outputs.
TEST_F(ProcessingCliTest, CleanOfManyFilesAtOnceWritesWhatOneAtATimeWrites) {
    std::filesystem::create_directories(dir.File("src"));
    std::vector<std::string> args = {"--quiet", "clean"};
    for (int n = 1; n <= 3; ++n) {
        args.push_back(dir.File("src/a" + std::to_string(n) + ".wav"));
        ASSERT_TRUE(WriteWave(args.back(), 2, 44100, 16, Pattern(2 * 30000, 7919 * n)));
    }
    const std::vector<std::string> inputs(args.begin() + 2, args.end());
    args.insert(args.end(), {"--to", dir.File("batch"), "--jobs", "3", "--hum", "60"});
    ASSERT_EQ(Cli(args), 0) << err;
    EXPECT_EQ(FilesUnder(dir.File("batch")),
              (std::vector<std::string>{"a1.pkf", "a1.wav", "a2.pkf", "a2.wav", "a3.pkf", "a3.wav"}));
    for (int n = 1; n <= 3; ++n) {
        const std::string single = dir.File("single" + std::to_string(n) + ".wav");
        ASSERT_EQ(Cli({"--quiet", "clean", inputs[n - 1], single, "--hum", "60"}), 0) << err;
        EXPECT_EQ(WaveData(dir.File("batch/a" + std::to_string(n) + ".wav")), WaveData(single)) << n;
    }
    // Two inputs of one name would write one output: refused before anything is written.
    std::filesystem::create_directories(dir.File("other"));
    std::filesystem::copy_file(inputs[0], dir.File("other/a1.wav"));
    EXPECT_EQ(Cli({"clean", inputs[0], dir.File("other/a1.wav"), "--to", dir.File("twice")}), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("twice")));
}

TEST_F(ProcessingCliTest, UnbuiltFiltersBadArgumentsAndMissingFilesFailWithoutOut) {
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, std::vector<int64_t>(2000, 100)));
    EXPECT_EQ(Cli({"filter", "15", in, o}), 1);
    EXPECT_NE(err.find("ERROR: An Internal Error has occured; No filter is selected. Please Contact Support"),
              std::string::npos)
        << err;
    EXPECT_EQ(Cli({"filter", "56", in}), 2);
    EXPECT_EQ(Cli({"filter", "x", in, o}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, o, "--params", "1,2,3,4,5,6,7,8,9,10,11,12"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, o, "--params", "1,,2"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, o, "--range", "9:3"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, o, "--range", "1:99999999999"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, o, "--preset", "Nope"}), 1);
    EXPECT_EQ(Cli({"clean", in}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--hum", "70"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--scratch", "1001"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--hiss", "x"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--wobble"}), 2);
    EXPECT_EQ(Cli({"clean", in, in}), 2);  // OUT must not be IN
    EXPECT_EQ(Cli({"clean", in, o, "--preset", "Nope"}), 1);
    EXPECT_NE(err.find("Nope"), std::string::npos) << err;
    EXPECT_EQ(Cli({"filter", "56", dir.File("none.wav"), o}), 1);
    EXPECT_EQ(Cli({"clean", dir.File("none.wav"), o}), 1);
    EXPECT_FALSE(std::filesystem::exists(o));
}

TEST_F(ProcessingCliTest, InterruptingCleanLeavesNoOutAndNoTemporaryFiles) {
    // Forty seconds of audio take long enough to be interrupted part way.
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, Pattern(2 * 44100 * 40)));
    const std::string cmd = BuiltCli(dir.Path()).CommandLine({"--quiet", "clean", in, o}) +
                            " >/dev/null 2>&1 & pid=$!; sleep 0.3; kill -INT $pid; wait $pid; echo $? >" +
                            ShellQuote(dir.File("rc.txt"));
    ASSERT_EQ(std::system(("sh -c " + ShellQuote(cmd)).c_str()), 0);
    const int rc = std::atoi(ReadText(dir.File("rc.txt")).c_str());
    if (rc == 0) GTEST_SKIP() << "the run finished before it was interrupted";
    EXPECT_EQ(rc, 130);
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"in.wav", "rc.txt"}));
}

TEST_F(ProcessingCliTest, CleanReadsInFromAReadOnlyFolderAndWritesNothingBesideIt) {
    const std::filesystem::path folder = dir.Path() / "cd";
    std::filesystem::create_directory(folder);
    const std::string song = (folder / "in.wav").string();
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 44100, 1000)));
    const std::string run = BuiltCli(dir.Path()).CommandLine({"--quiet", "clean", song, o}) + " >/dev/null 2>&1";
    std::string cmd;
    if (::geteuid() == 0) {
        // Root writes through a missing write bit; a read-only mount holds it back.
        const std::string f = ShellQuote(folder.string());
        cmd = "unshare -m sh -c " + ShellQuote("mount --bind " + f + " " + f + " && mount -o remount,bind,ro " + f +
                                               " " + f + " || exit 99; " + run);
    } else {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        cmd = run;
    }
    const int raw = std::system(cmd.c_str());
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    if (WIFEXITED(raw) && WEXITSTATUS(raw) == 99) GTEST_SKIP() << "no read-only mount can be made here";
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0);
    EXPECT_TRUE(std::filesystem::exists(o));
    EXPECT_EQ(FilesUnder(folder), std::vector<std::string>{"in.wav"});
}

TEST_F(ProcessingCliTest, CleanKilledAnywhereLeavesNothingThatStopsTheNextRun) {
    const std::filesystem::path songs = dir.Path() / "songs";
    std::filesystem::create_directory(songs);
    const std::string song = (songs / "in.wav").string();
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, Pattern(2 * 44100 * 3)));
    const std::string clean = BuiltCli(dir.Path()).CommandLine({"--quiet", "clean", song, o});
    std::srand(12345);
    for (int kill = 0; kill < 20; ++kill) {
        const int ms = std::rand() % 400;
        SCOPED_TRACE(::testing::Message() << "killed after " << ms << " ms");
        const std::string cmd = clean + " >/dev/null 2>&1 & pid=$!; sleep " + std::to_string(ms / 1000.0) +
                                "; kill -9 $pid 2>/dev/null; wait $pid";
        std::system(("sh -c " + ShellQuote(cmd) + " 2>/dev/null").c_str());
        std::filesystem::remove(o);
        ASSERT_EQ(Cli({"--quiet", "clean", song, o}), 0) << err;
        std::filesystem::remove(o);
        EXPECT_EQ(FilesUnder(songs), std::vector<std::string>{"in.wav"});
    }
    // Each run swept what the killed one before it left in the temporary folder.
    EXPECT_EQ(FilesUnder(dir.Path() / "Restova" / "Temp"), std::vector<std::string>{});
}

}  // namespace
