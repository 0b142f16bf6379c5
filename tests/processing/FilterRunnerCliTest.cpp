// restova-cli filter from the outside: the built binary with its home, config
// and program folders inside a test folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class FilterCliTest : public ::testing::Test {
protected:
    int Cli(const std::vector<std::string>& args) {
        const CliRun r = BuiltCli(dir.Path()).Run(args);
        err = r.err;
        return r.status;
    }

    // A 16-bit stereo song; its data bytes.
    Bytes MakeSong(const std::string& name, size_t frames) {
        std::vector<int64_t> samples(2 * frames);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>((i * 7919) % 40001) - 20000;
        EXPECT_TRUE(WriteWave(dir.File(name), 2, 44100, 16, samples));
        WaveContents c;
        EXPECT_TRUE(ReadWave(dir.File(name), c));
        return c.data;
    }

    // What is in the test folder besides the command's own output files.
    std::vector<std::string> Leftovers() const { return FilesUnder(dir.Path()); }

    TempDir dir;
    std::string err;
};

TEST_F(FilterCliTest, GainChangeOverARangeWritesOutAndLeavesInAlone) {
    const Bytes in = MakeSong("in.wav", 10000);
    const std::string before = ReadText(dir.File("in.wav"));
    ASSERT_EQ(Cli({"--quiet", "filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--params", "2,500,500",
                   "--range", "4001:20002"}),
              0)
        << err;
    EXPECT_EQ(ReadText(dir.File("in.wav")), before);
    WaveContents out;
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    ASSERT_EQ(out.data.size(), in.size());
    // The range rounds down to whole frames; outside it nothing changes, inside it is halved.
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 4000, out.data.begin()));
    EXPECT_TRUE(std::equal(in.begin() + 20000, in.end(), out.data.begin() + 20000));
    const auto a = DecodeSamples(16, Bytes(in.begin() + 4000, in.begin() + 20000));
    const auto b = DecodeSamples(16, Bytes(out.data.begin() + 4000, out.data.begin() + 20000));
    // Halved on the 24-bit scale, then cut to 16 bits by dropping the low byte.
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(b[i], (a[i] * 128) >> 8) << i;
    // No session, step file or peak file of IN is left behind.
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"err.txt", "in.wav", "out.pkf", "out.txt", "out.wav"}));
}

TEST_F(FilterCliTest, PreviewWritesTheStreamInsteadOfOut) {
    MakeSong("in.wav", 5000);
    ASSERT_EQ(Cli({"--quiet", "filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--params", "1,1000,0"}), 0)
        << err;
    ASSERT_EQ(Cli({"--quiet", "filter", "56", dir.File("in.wav"), "--params", "1,1000,0", "--preview-to",
                   dir.File("preview.wav")}),
              0)
        << err;
    WaveContents out, preview;
    ASSERT_TRUE(ReadWave(dir.File("out.wav"), out));
    ASSERT_TRUE(ReadWave(dir.File("preview.wav"), preview));
    EXPECT_EQ(preview.data, out.data);
    EXPECT_EQ(preview.channels, 2);
    EXPECT_EQ(preview.bits, 16);
}

TEST_F(FilterCliTest, UnbuiltTypesAndBadArgumentsFail) {
    MakeSong("in.wav", 1000);
    EXPECT_EQ(Cli({"filter", "15", dir.File("in.wav"), dir.File("out.wav")}), 1);
    EXPECT_NE(err.find("ERROR: An Internal Error has occured; No filter is selected. Please Contact Support"),
              std::string::npos)
        << err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));

    EXPECT_EQ(Cli({"filter", "56", dir.File("in.wav")}), 2);
    EXPECT_EQ(Cli({"filter", "x", dir.File("in.wav"), dir.File("out.wav")}), 2);
    EXPECT_EQ(Cli({"filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--params", "1,2,3,4,5,6,7,8,9,10,11,12"}),
              2);
    EXPECT_EQ(Cli({"filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--params", "1,,2"}), 2);
    EXPECT_EQ(Cli({"filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--range", "9:3"}), 2);
    EXPECT_EQ(Cli({"filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--range", "1:99999999999"}), 2);

    // A missing input and a preset that does not exist fail without leaving anything.
    EXPECT_EQ(Cli({"--quiet", "filter", "56", dir.File("none.wav"), dir.File("out.wav")}), 1);
    EXPECT_EQ(Cli({"--quiet", "filter", "56", dir.File("in.wav"), dir.File("out.wav"), "--preset", "Nope"}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
}

}  // namespace
