// restova-cli enhance from the outside: the built binary with its home,
// config and program folders inside a test folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
        std::string cmd = "HOME=" + Quote(dir.Path()) + " XDG_CONFIG_HOME=" + Quote(dir.File("config")) +
                          " RESTOVA_HOME=" + Quote(dir.File("Restova")) + " " + Quote(RESTOVA_CLI_PATH);
        for (const auto& a : args) cmd += " " + Quote(a);
        cmd += " >" + Quote(dir.File("out.txt")) + " 2>" + Quote(dir.File("err.txt")) + " </dev/null";
        const int raw = std::system(cmd.c_str());
        err = Slurp(dir.File("err.txt"));
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    TempDir dir;
    std::string err;
};

// Without presets of the user's own the shipped "Default" is used: the output has the
// input's format and length, differs from it, and the input is left as it was.
TEST_F(EnhanceCliTest, ShippedDefaultEnhancesIntoOut) {
    const std::string before = Slurp(dir.File("in.wav"));
    ASSERT_EQ(Cli({"--quiet", "enhance", dir.File("in.wav"), dir.File("out.wav")}), 0) << err;
    EXPECT_EQ(Slurp(dir.File("in.wav")), before);
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
    EXPECT_NE(Slurp(dir.File("out2.wav")), Slurp(dir.File("out.wav")));
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
