// restova-cli enhance from the outside: the built binary with its home,
// config and program folders inside a test folder.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class EnhanceCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int64_t> samples(2 * 30000);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int64_t>(12000 * std::sin(i * 0.031) + 3000 * std::sin(i * 0.7));
        }
        ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 44100, 16, samples));
    }

    int Cli(const std::vector<std::string>& args) {
        const CliRun r = BuiltCli(dir.Path()).Run(args);
        err = r.err;
        return r.status;
    }

    TempDir dir;
    std::string err;
};

// Without presets of the user's own the shipped "Default" is used: the output has the
// input's format and length, differs from it, and the input is left as it was.
TEST_F(EnhanceCliTest, ShippedDefaultEnhancesIntoOut) {
    const std::string before = ReadText(dir.File("in.wav"));
    ASSERT_EQ(Cli({"--quiet", "enhance", dir.File("in.wav"), dir.File("out.wav")}), 0) << err;
    EXPECT_EQ(ReadText(dir.File("in.wav")), before);
    WaveContents in, out;
    ASSERT_TRUE(ReadWave(dir.File("in.wav"), in));
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, 44100u);
    EXPECT_EQ(out.bits, 16);
    EXPECT_EQ(out.data.size(), in.data.size());
    EXPECT_NE(out.data, in.data);
    EXPECT_FALSE(std::filesystem::exists(dir.File("in.ses")));
}

// A preset of the user's own is found in the program folder, and the options override its
// controls: with neutral dynamics, mix 0 and a flat tone stack the audio comes back unchanged.
TEST_F(EnhanceCliTest, UserPresetAndOptionsSetTheStage) {
    const std::string folder = dir.File("Restova/Presets/TaviEnhance");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Neutral.pst") << "[PunchAndCrunch_1]\nSet=0,0,0,0,10,100,50,0,0,0,40\n"
                                           << "[VirtualValve_2]\nSet=60,100,50,50,0,0,300,300,300,0,0\n";
    ASSERT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("out.wav"), "--preset", "Neutral", "--exciter", "0",
                   "--level", "-5", "--bass", "0", "--mids", "0", "--treble", "0"}),
              0)
        << err;
    WaveContents in, out;
    ASSERT_TRUE(ReadWave(dir.File("in.wav"), in));
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    ASSERT_EQ(out.data.size(), in.data.size());
    const auto a = DecodeSamples(16, in.data);
    const auto b = DecodeSamples(16, out.data);
    for (size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(b[i], a[i], 1) << i;

    // Without the overrides the preset's own tone and mix are heard.
    ASSERT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("out2.wav"), "--preset", "Neutral"}), 0) << err;
    EXPECT_NE(ReadText(dir.File("out2.wav")), ReadText(dir.File("out.wav")));
}

TEST_F(EnhanceCliTest, RefusesWhatItCannotDo) {
    EXPECT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("out.wav"), "--exciter", "101"}), 2);
    EXPECT_NE(err.find("--exciter"), std::string::npos) << err;
    EXPECT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("out.wav"), "--bass", "x"}), 2);
    EXPECT_EQ(Cli({"enhance", dir.File("in.wav")}), 2);
    EXPECT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("in.wav")}), 1);
    EXPECT_EQ(Cli({"enhance", dir.File("in.wav"), dir.File("out.wav"), "--preset", "Nope"}), 1);
    EXPECT_NE(err.find("Nope"), std::string::npos) << err;

    // A wave cut short in its header fails cleanly and leaves nothing behind.
    Bytes cut = ReadBytes(dir.File("in.wav"));
    cut.resize(30);
    ASSERT_TRUE(WriteBytes(dir.File("cut.wav"), cut));
    EXPECT_EQ(Cli({"--quiet", "enhance", dir.File("cut.wav"), dir.File("out.wav")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
}

}  // namespace
