// restova-cli enhance, riaa, speed and convert from the outside: the built
// binary with its home, config and program folders inside a test folder.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

using Args = std::vector<std::string>;

class EnhanceCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int64_t> samples(2 * 30000);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = std::lround(12000 * std::sin(i * 0.031) + 3000 * std::sin(i * 0.7));
        ASSERT_TRUE(WriteWave(in, 2, 44100, 16, samples));
    }

    int Cli(const Args& args) {
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

    TempDir dir;
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    std::string err;
};

// Without presets of the user's own the shipped "Default" is used: the output has the input's
// format and length and differs from it. A preset of the user's own is found in the program
// folder, and the options override its controls: with neutral dynamics, mix 0 and a flat tone
// stack the audio comes back unchanged.
TEST_F(EnhanceCliTest, EnhanceWithShippedAndUserPresets) {
    const std::string before = ReadText(in);
    ASSERT_EQ(Cli({"--quiet", "enhance", in, dir.File("default.wav")}), 0) << err;
    EXPECT_EQ(ReadText(in), before);
    const WaveContents source = Wave("in.wav"), enhanced = Wave("default.wav");
    EXPECT_EQ(enhanced.bits, 16);
    EXPECT_EQ(enhanced.data.size(), source.data.size());
    EXPECT_NE(enhanced.data, source.data);
    EXPECT_FALSE(std::filesystem::exists(dir.File("in.ses")));

    const std::string folder = dir.File("Restova/Presets/TaviEnhance");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Neutral.pst") << "[PunchAndCrunch_1]\nSet=0,0,0,0,10,100,50,0,0,0,40\n"
                                           << "[VirtualValve_2]\nSet=60,100,50,50,0,0,300,300,300,0,0\n";
    ASSERT_EQ(Cli({"enhance", in, out, "--preset", "Neutral", "--exciter", "0", "--level", "-5", "--bass", "0",
                   "--mids", "0", "--treble", "0"}),
              0)
        << err;
    const auto a = DecodeSamples(16, source.data);
    const auto b = DecodeSamples(16, Wave("out.wav").data);
    ASSERT_EQ(b.size(), a.size());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(b[i], a[i], 1) << i;
    // Without the overrides the preset's own tone and mix are heard.
    ASSERT_EQ(Cli({"enhance", in, dir.File("out2.wav"), "--preset", "Neutral"}), 0) << err;
    EXPECT_NE(ReadText(dir.File("out2.wav")), ReadText(out));
}

TEST_F(EnhanceCliTest, RiaaSpeedAndConvertWriteOutAndLeaveInAlone) {
    // 100 Hz on the left, 5 kHz on the right.
    const size_t frames = 44100;
    std::vector<int64_t> s(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        s[2 * i] = std::llround(2000 * std::sin(2 * M_PI * 100.0 * i / 44100));
        s[2 * i + 1] = std::llround(2000 * std::sin(2 * M_PI * 5000.0 * i / 44100));
    }
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, s));
    const Bytes before = ReadBytes(in);

    // RIAA lifts the bass by about 13 dB and cuts 5 kHz by about 8 dB.
    ASSERT_EQ(Cli({"--quiet", "riaa", in, dir.File("riaa.wav")}), 0) << err;
    const auto o = DecodeSamples(16, Wave("riaa.wav").data);
    ASSERT_EQ(o.size(), s.size());
    int64_t left = 0, right = 0;
    for (size_t i = o.size() / 2; i < o.size(); i += 2) {
        left = std::max(left, std::abs(o[i]));
        right = std::max(right, std::abs(o[i + 1]));
    }
    EXPECT_GT(left, 2000 * 4);
    EXPECT_LT(right, 2000 / 2);

    ASSERT_EQ(Cli({"speed", in, dir.File("a.wav"), "--record", "78", "--turntable", "33"}), 0) << err;
    EXPECT_NEAR(Wave("a.wav").data.size() / 4.0 / frames, 0.426, 0.001);
    ASSERT_EQ(Cli({"speed", in, dir.File("c.wav"), "--ratio", "1"}), 0) << err;
    EXPECT_EQ(Wave("c.wav").data.size(), 4 * frames);

    // Up to 96 kHz 24-bit, then back to CD format by default.
    ASSERT_EQ(Cli({"convert", in, dir.File("hi.wav"), "--rate", "96000", "--bits", "24"}), 0) << err;
    ASSERT_EQ(Cli({"convert", dir.File("hi.wav"), dir.File("cd.wav")}), 0) << err;
    const WaveContents hi = Wave("hi.wav"), cd = Wave("cd.wav");
    EXPECT_EQ(hi.rate, 96000u);
    EXPECT_EQ(hi.data.size(), 6u * 96000);
    EXPECT_EQ(cd.bits, 16);
    EXPECT_EQ(cd.data.size(), 4 * frames);

    EXPECT_EQ(ReadBytes(in), before);
    // No session, step file or peak file of IN is left behind.
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"a.pkf", "a.wav", "c.pkf", "c.wav", "cd.wav", "err.txt",
                                                                "hi.wav", "in.wav", "riaa.pkf", "riaa.wav"}));
}

// Bad arguments exit 2, failures 1, with the message naming the cause where there is one;
// none leaves an output behind.
TEST_F(EnhanceCliTest, RefusalsAndBadArguments) {
    Bytes cut = ReadBytes(in);
    cut.resize(30);  // cut short in its header
    ASSERT_TRUE(WriteBytes(dir.File("cut.wav"), cut));
    // Words IN, OUT, CUT and NONE stand for the input, the output, the cut wave and a missing one.
    const std::map<std::string, std::string> files = {
        {"IN", in}, {"OUT", out}, {"CUT", dir.File("cut.wav")}, {"NONE", dir.File("none.wav")}};
    const char* const badArguments[] = {"enhance IN OUT --bass x",  "riaa IN OUT --loud",
                                        "speed IN OUT --record 78", "speed IN OUT --ratio 2 --record 78 --turntable 33",
                                        "speed IN OUT --ratio nan", "convert IN OUT --bits 12"};
    const char* const failures[] = {"enhance IN IN", "--quiet enhance CUT OUT", "--quiet speed IN IN --ratio 2",
                                    "--quiet convert NONE OUT", "convert IN OUT"};
    auto run = [&](const std::string& line) {
        Args args;
        std::istringstream words(line);
        for (std::string w; words >> w;) args.push_back(files.count(w) ? files.at(w) : w);
        return Cli(args);
    };
    for (const char* line : badArguments) EXPECT_EQ(run(line), 2) << line;
    for (const char* line : failures) EXPECT_EQ(run(line), 1) << line;
    // The last, a conversion to the format the input already has, says why.
    EXPECT_NE(err.find("Nothing to do. Change either the sample rate or the resolution or both. "), std::string::npos)
        << err;
    EXPECT_EQ(run("enhance IN OUT --exciter 101"), 2);
    EXPECT_NE(err.find("--exciter"), std::string::npos) << err;
    EXPECT_EQ(run("enhance IN OUT --preset Nope"), 1);
    EXPECT_NE(err.find("Nope"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
