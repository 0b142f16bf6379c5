// restova-cli riaa, speed and convert from the outside: the built binary with
// its home, config and program folders inside a test folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class RiaaSpeedConvertCliTest : public ::testing::Test {
protected:
    int Cli(const std::vector<std::string>& args) {
        CliHarness cli = BuiltCli(dir.Path());
        cli.CaptureInto("", dir.File("err.txt"));
        const CliRun r = cli.Run(args);
        err = r.err;
        return r.status;
    }

    WaveContents Wave(const std::string& name) {
        WaveContents c;
        EXPECT_TRUE(ReadWave(dir.File(name), c)) << name;
        return c;
    }

    std::vector<std::string> Files() const { return FilesUnder(dir.Path()); }

    TempDir dir;
    std::string err;
};

TEST_F(RiaaSpeedConvertCliTest, EachCommandWritesOutAndLeavesInAlone) {
    // 100 Hz on the left, 5 kHz on the right.
    const size_t frames = 44100;
    std::vector<int64_t> s(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        s[2 * i] = std::llround(2000 * std::sin(2 * M_PI * 100.0 * i / 44100));
        s[2 * i + 1] = std::llround(2000 * std::sin(2 * M_PI * 5000.0 * i / 44100));
    }
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 44100, 16, s));
    const Bytes before = ReadBytes(dir.File("in.wav"));

    // RIAA lifts the bass by about 13 dB and cuts 5 kHz by about 8 dB.
    ASSERT_EQ(Cli({"--quiet", "riaa", dir.File("in.wav"), dir.File("riaa.wav")}), 0) << err;
    const auto o = DecodeSamples(16, Wave("riaa.wav").data);
    ASSERT_EQ(o.size(), s.size());
    int64_t left = 0, right = 0;
    for (size_t i = o.size() / 2; i < o.size(); i += 2) {
        left = std::max(left, std::abs(o[i]));
        right = std::max(right, std::abs(o[i + 1]));
    }
    EXPECT_GT(left, 2000 * 4);
    EXPECT_LT(right, 2000 / 2);

    ASSERT_EQ(Cli({"speed", dir.File("in.wav"), dir.File("a.wav"), "--record", "78", "--turntable", "33"}), 0) << err;
    EXPECT_NEAR(Wave("a.wav").data.size() / 4.0 / frames, 0.426, 0.001);
    ASSERT_EQ(Cli({"speed", dir.File("in.wav"), dir.File("b.wav"), "--turntable", "45", "--record", "33"}), 0) << err;
    EXPECT_NEAR(Wave("b.wav").data.size() / 4.0 / frames, 45 / 33.333333, 0.001);
    ASSERT_EQ(Cli({"speed", dir.File("in.wav"), dir.File("c.wav"), "--ratio", "1"}), 0) << err;
    EXPECT_EQ(Wave("c.wav").data.size(), 4 * frames);

    ASSERT_EQ(Cli({"convert", dir.File("in.wav"), dir.File("hi.wav"), "--rate", "96000", "--bits", "24"}), 0) << err;
    WaveContents hi = Wave("hi.wav");
    EXPECT_EQ(hi.rate, 96000u);
    EXPECT_EQ(hi.bits, 24);
    EXPECT_EQ(hi.data.size(), 6u * 96000);
    // Back to CD format by default.
    ASSERT_EQ(Cli({"convert", dir.File("hi.wav"), dir.File("cd.wav")}), 0) << err;
    WaveContents cd = Wave("cd.wav");
    EXPECT_EQ(cd.rate, 44100u);
    EXPECT_EQ(cd.bits, 16);
    EXPECT_EQ(cd.data.size(), 4 * frames);

    EXPECT_EQ(ReadBytes(dir.File("in.wav")), before);
    // No session, step file or peak file of IN is left behind.
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.pkf", "a.wav", "b.pkf", "b.wav", "c.pkf", "c.wav", "cd.wav",
                                                 "err.txt", "hi.wav", "in.wav", "riaa.pkf", "riaa.wav"}));
}

TEST_F(RiaaSpeedConvertCliTest, RefusalsAndBadArguments) {
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 44100, 16, std::vector<int64_t>(2000, 3)));
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    EXPECT_EQ(Cli({"convert", in, out}), 1);
    EXPECT_NE(err.find("Nothing to do. Change either the sample rate or the resolution or both. "), std::string::npos)
        << err;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"riaa", in},
             {"riaa", in, out, "--loud"},
             {"speed", in, out},
             {"speed", in, out, "--record", "78"},
             {"speed", in, out, "--record", "16", "--turntable", "33"},
             {"speed", in, out, "--ratio", "2", "--record", "78", "--turntable", "33"},
             {"speed", in, out, "--ratio", "0"},
             {"speed", in, out, "--ratio", "nan"},
             {"speed", in, out, "--ratio", "2x"},
             {"convert", in},
             {"convert", in, out, "--bits", "12"},
             {"convert", in, out, "--rate", "-44100"},
             {"convert", in, out, "--rate", "10"},
         }) {
        EXPECT_EQ(Cli(args), 2) << args[0] << " " << args.back();
    }
    EXPECT_EQ(Cli({"--quiet", "riaa", dir.File("none.wav"), out}), 1);
    EXPECT_EQ(Cli({"--quiet", "convert", dir.File("none.wav"), out}), 1);
    EXPECT_EQ(Cli({"--quiet", "speed", in, in, "--ratio", "2"}), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
