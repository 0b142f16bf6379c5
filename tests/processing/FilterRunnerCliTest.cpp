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
    Bytes MakeSong(size_t frames) {
        std::vector<int64_t> samples(2 * frames);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>((i * 7919) % 40001) - 20000;
        EXPECT_TRUE(WriteWave(in, 2, 44100, 16, samples));
        return Data(in);
    }
    static Bytes Data(const std::string& path) {
        WaveContents c;
        EXPECT_TRUE(ReadWave(path, c));
        return c.data;
    }

    TempDir dir;
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    std::string err;
};

TEST_F(FilterCliTest, GainChangeOverARangeWritesOutLeavesInAloneAndPreviewsTheSame) {
    const Bytes before = MakeSong(10000);
    const std::string file = ReadText(in);
    ASSERT_EQ(Cli({"--quiet", "filter", "56", in, out, "--params", "2,500,500", "--range", "4001:20002"}), 0) << err;
    EXPECT_EQ(ReadText(in), file);
    const Bytes after = Data(out);
    ASSERT_EQ(after.size(), before.size());
    // The range rounds down to whole frames; outside it nothing changes, inside it is halved
    // on the 24-bit scale, then cut to 16 bits by dropping the low byte.
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 4000, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 20000, before.end(), after.begin() + 20000));
    const auto a = DecodeSamples(16, Bytes(before.begin() + 4000, before.begin() + 20000));
    const auto b = DecodeSamples(16, Bytes(after.begin() + 4000, after.begin() + 20000));
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(b[i], (a[i] * 128) >> 8) << i;
    // No session, step file or peak file of IN is left behind.
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"err.txt", "in.wav", "out.pkf", "out.txt", "out.wav"}));

    // A preview writes the stream it would play instead of OUT.
    const std::string p = dir.File("p.wav");
    ASSERT_EQ(Cli({"--quiet", "filter", "56", in, "--params", "2,500,500", "--range", "4001:20002", "--preview-to", p}),
              0)
        << err;
    EXPECT_EQ(Data(p), Bytes(after.begin() + 4000, after.begin() + 20000));
}

TEST_F(FilterCliTest, UnbuiltTypesBadArgumentsAndMissingFilesFailWithoutOut) {
    MakeSong(1000);
    EXPECT_EQ(Cli({"filter", "15", in, out}), 1);
    EXPECT_NE(err.find("ERROR: An Internal Error has occured; No filter is selected. Please Contact Support"),
              std::string::npos)
        << err;
    EXPECT_EQ(Cli({"filter", "56", in}), 2);
    EXPECT_EQ(Cli({"filter", "x", in, out}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, out, "--params", "1,2,3,4,5,6,7,8,9,10,11,12"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, out, "--params", "1,,2"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, out, "--range", "9:3"}), 2);
    EXPECT_EQ(Cli({"filter", "56", in, out, "--range", "1:99999999999"}), 2);
    EXPECT_EQ(Cli({"--quiet", "filter", "56", dir.File("none.wav"), out}), 1);
    EXPECT_EQ(Cli({"--quiet", "filter", "56", in, out, "--preset", "Nope"}), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
