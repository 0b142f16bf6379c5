// restova-cli trim, fade and maximize from the outside: edits pile up as steps
// of the song's session until one of them commits it, lengths beyond the song
// are refused, and a silent song is left alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 8000;  // 16-bit mono

class FinalTouchesCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = dir.File("Song.wav");
        for (uint32_t i = 0; i < kRate * 5; ++i) values.push_back(static_cast<int64_t>(i % 4001) - 2000);
        values[kRate * 2 + 123] = 16383;  // the peak, after the trim: maximize doubles the song
        ASSERT_TRUE(WriteWave(song, 1, kRate, 16, values));
    }
    CliRun Cli(const std::vector<std::string>& args) { return BuiltCli(home.Path()).Run(args); }
    std::vector<int64_t> Samples() {
        WaveContents w;
        EXPECT_TRUE(ReadWave(song, w));
        return DecodeSamples(16, w.data);
    }
    bool HasSession() const { return fs::exists(dir.File("Song.ses")); }

    TempDir dir;
    TempDir home;
    std::string song;
    std::vector<int64_t> values;
};

}  // namespace

TEST_F(FinalTouchesCliTest, EditsBecomeSessionStepsUntilOneCommits) {
    ASSERT_EQ(Cli({"--quiet", "trim", song, "--start", "1000"}).status, 0);
    EXPECT_TRUE(HasSession());
    EXPECT_EQ(Samples(), values);  // the song itself waits for the commit

    // A refused edit leaves the session that holds the earlier one.
    const CliRun tooLong = Cli({"trim", song, "--end", "4500"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("4500 ms is longer than"), std::string::npos) << tooLong.err;
    EXPECT_TRUE(HasSession());

    const CliRun gain = Cli({"--quiet", "maximize", song});
    ASSERT_EQ(gain.status, 0);
    EXPECT_EQ(gain.out, "peak: 4194048\ngain: 2.000\n");
    ASSERT_EQ(Cli({"--quiet", "fade", song, "--out", "500", "--commit"}).status, 0);
    EXPECT_FALSE(HasSession());

    const std::vector<int64_t> out = Samples();
    ASSERT_EQ(out.size(), kRate * 4);
    for (uint32_t i = 0; i < kRate * 3; ++i) ASSERT_EQ(out[i], values[kRate + i] * 2) << i;
    EXPECT_EQ(out.back(), 0);
}

TEST_F(FinalTouchesCliTest, RefusalsAndSilenceLeaveTheSongWithoutASession) {
    const std::vector<std::vector<std::string>> refused = {
        {"trim", song, "--start", "5001"},
        {"fade", song, "--in", "6000"},
        {"fade", song, "--out", "6000", "--commit"},
    };
    for (const auto& args : refused) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << args[0] << " " << args[2];
        EXPECT_NE(run.err.find("longer than"), std::string::npos) << run.err;
    }
    const std::vector<std::vector<std::string>> misused = {
        {"trim", song},
        {"trim", song, "--start", "0"},
        {"trim", song, "--in", "100"},
        {"fade", song, "--in", "1s"},
        {"maximize", song, "--start", "100"},
    };
    for (const auto& args : misused) EXPECT_EQ(Cli(args).status, 2) << args.back();
    EXPECT_FALSE(HasSession());
    EXPECT_EQ(Samples(), values);

    const std::string quiet = dir.File("Quiet.wav");
    ASSERT_TRUE(WriteWave(quiet, 1, kRate, 16, std::vector<int64_t>(kRate, 0)));
    const Bytes before = ReadBytes(quiet);
    const CliRun silent = Cli({"maximize", quiet, "--commit"});
    EXPECT_EQ(silent.status, 0);
    EXPECT_EQ(silent.out, "peak: 0\n");
    EXPECT_FALSE(fs::exists(dir.File("Quiet.ses")));
    EXPECT_EQ(ReadBytes(quiet), before);
}
