// restova-cli clean from the outside: the built binary with its home, config
// and program folders inside a test folder.
#include <gtest/gtest.h>

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

class CleanCliTest : public ::testing::Test {
protected:
    int Cli(const std::vector<std::string>& args) {
        const CliRun r = BuiltCli(dir.Path()).Run(args);
        out = r.out;
        err = r.err;
        return r.status;
    }

    // Two seconds of 16-bit stereo: a chord, hiss and a few loud clicks. Its data bytes.
    Bytes MakeSong(const std::string& name) {
        std::vector<int64_t> samples(2 * 88200);
        uint32_t seed = 12345;
        for (size_t f = 0; f < samples.size() / 2; ++f) {
            seed = seed * 1664525u + 1013904223u;
            const double t = f / 44100.0;
            double v = 6000 * std::sin(2 * std::numbers::pi * 440 * t) +
                       3000 * std::sin(2 * std::numbers::pi * 550 * t) + ((seed >> 16) % 600) - 300.0;
            if (f % 11025 == 5000) v += 25000;
            samples[2 * f] = samples[2 * f + 1] = std::clamp<int64_t>(std::lround(v), -32768, 32767);
        }
        EXPECT_TRUE(WriteWave(dir.File(name), 2, 44100, 16, samples));
        WaveContents c;
        EXPECT_TRUE(ReadWave(dir.File(name), c));
        return c.data;
    }

    std::vector<std::string> Files() const { return FilesUnder(dir.Path()); }

    TempDir dir;
    std::string out, err;
};

TEST_F(CleanCliTest, CleansIntoOutLeavesInAloneAndPrintsTheTotals) {
    const Bytes in = MakeSong("in.wav");
    const std::string before = ReadText(dir.File("in.wav"));
    ASSERT_EQ(Cli({"--quiet", "clean", dir.File("in.wav"), dir.File("out.wav"), "--hum", "60"}), 0) << err;
    EXPECT_EQ(ReadText(dir.File("in.wav")), before);
    WaveContents result;
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), result));
    ASSERT_EQ(result.data.size(), in.size());
    EXPECT_NE(result.data, in);
    // The pane's start values, with the hum choice given.
    EXPECT_NE(out.find("scratch: 500\ncrackle: 600\nhiss: 20\nhum: 60\n"), std::string::npos) << out;
    EXPECT_NE(out.find("scratch-events: "), std::string::npos) << out;
    EXPECT_NE(out.find("mean-hiss-gain: 0."), std::string::npos) << out;
    EXPECT_NE(out.find("hum-level: "), std::string::npos) << out;
    EXPECT_EQ(Files(), (std::vector<std::string>{"err.txt", "in.wav", "out.pkf", "out.txt", "out.wav"}));
}

TEST_F(CleanCliTest, BypassCopiesAndPresetsAndOptionsSetTheControls) {
    const Bytes in = MakeSong("in.wav");
    ASSERT_EQ(Cli({"--quiet", "clean", dir.File("in.wav"), dir.File("same.wav"), "--bypass"}), 0) << err;
    WaveContents same;
    ASSERT_TRUE(ReadWave(dir.File("same.wav"), same));
    EXPECT_EQ(same.data, in);

    std::filesystem::create_directories(dir.File("Restova/Presets/TaviClean"));
    std::ofstream(dir.File("Restova/Presets/TaviClean/Gentle.pst")) << "[TaviClean]\nSet=100,200,5,2,0,0,0,0,0,0,0\n";
    ASSERT_EQ(Cli({"--quiet", "clean", dir.File("in.wav"), dir.File("g.wav"), "--preset", "Gentle", "--hiss", "9"}), 0)
        << err;
    EXPECT_NE(out.find("scratch: 100\ncrackle: 200\nhiss: 9\nhum: 50\n"), std::string::npos) << out;
}

TEST_F(CleanCliTest, BadArgumentsAndMissingFilesFailWithoutOut) {
    MakeSong("in.wav");
    const std::string in = dir.File("in.wav"), o = dir.File("o.wav");
    EXPECT_EQ(Cli({"clean", in}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--hum", "70"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--scratch", "1001"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--hiss", "x"}), 2);
    EXPECT_EQ(Cli({"clean", in, o, "--wobble"}), 2);
    EXPECT_EQ(Cli({"clean", in, in}), 2);  // OUT must not be IN
    EXPECT_EQ(Cli({"clean", in, o, "--preset", "Nope"}), 1);
    EXPECT_NE(err.find("Nope"), std::string::npos) << err;
    EXPECT_EQ(Cli({"clean", dir.File("none.wav"), o}), 1);
    EXPECT_FALSE(std::filesystem::exists(o));
}

TEST_F(CleanCliTest, InterruptingLeavesNoOutAndNoTemporaryFiles) {
    // Forty seconds of audio take long enough to be interrupted part way.
    std::vector<int64_t> samples(2 * 44100 * 40);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>((i * 7919) % 20001) - 10000;
    ASSERT_TRUE(WriteWave(dir.File("long.wav"), 2, 44100, 16, samples));
    const std::string cmd =
        BuiltCli(dir.Path()).CommandLine({"--quiet", "clean", dir.File("long.wav"), dir.File("o.wav")}) +
        " >/dev/null 2>&1 & pid=$!; sleep 0.3; kill -INT $pid; wait $pid; echo $? >" + ShellQuote(dir.File("rc.txt"));
    ASSERT_EQ(std::system(("sh -c " + ShellQuote(cmd)).c_str()), 0);
    const int rc = std::atoi(ReadText(dir.File("rc.txt")).c_str());
    if (rc == 0) GTEST_SKIP() << "the run finished before it was interrupted";
    EXPECT_EQ(rc, 130);
    EXPECT_EQ(Files(), (std::vector<std::string>{"long.wav", "rc.txt"}));
}

}  // namespace
