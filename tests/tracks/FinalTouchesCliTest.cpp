// restova-cli trim, fade and maximize from the outside: edits pile up as steps
// of the song's session until one of them commits it, lengths beyond the song
// are refused, and a song left unchanged gets no session.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

TEST(FinalTouchesCli, EditsBecomeSessionStepsUntilOneCommitsAndRefusalsLeaveNoSession) {
    constexpr uint32_t kRate = 8000;  // 16-bit mono
    TempDir dir;
    const CliHarness cli = BuiltCli(dir.Path());
    const std::string song = dir.File("Song.wav");
    std::vector<int64_t> values;
    for (uint32_t i = 0; i < kRate * 5; ++i) values.push_back(static_cast<int64_t>(i % 4001) - 2000);
    values[kRate * 2 + 123] = 16383;  // the peak, after the trim: maximize doubles the song
    ASSERT_TRUE(WriteWave(song, 1, kRate, 16, values));
    auto samples = [&] {
        WaveContents w;
        EXPECT_TRUE(ReadWave(song, w));
        return DecodeSamples(16, w.data);
    };
    const std::string session = dir.File("Song.ses");

    ASSERT_EQ(cli.Run({"--quiet", "trim", song, "--start", "1000"}).status, 0);
    EXPECT_TRUE(fs::exists(session));
    EXPECT_EQ(samples(), values);  // the song itself waits for the commit

    // A refused edit leaves the session that holds the earlier one.
    const CliRun tooLong = cli.Run({"trim", song, "--end", "4500"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("4500 ms is longer than"), std::string::npos) << tooLong.err;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"trim", song, "--start", "0"}, {"trim", song, "--in", "100"}, {"fade", song, "--in", "1s"}}) {
        EXPECT_EQ(cli.Run(args).status, 2) << args[2] << " " << args[3];
    }
    EXPECT_TRUE(fs::exists(session));

    const CliRun gain = cli.Run({"--quiet", "maximize", song});
    ASSERT_EQ(gain.status, 0);
    EXPECT_EQ(gain.out, "peak: 4194048\ngain: 2.000\npeak-dbfs: -6.02\n");
    ASSERT_EQ(cli.Run({"--quiet", "fade", song, "--out", "500", "--commit"}).status, 0);
    EXPECT_FALSE(fs::exists(session));
    const std::vector<int64_t> out = samples();
    ASSERT_EQ(out.size(), kRate * 4);
    for (uint32_t i = 0; i < kRate * 3; ++i) ASSERT_EQ(out[i], values[kRate + i] * 2) << i;
    EXPECT_EQ(out.back(), 0);

    // Neither a refusal nor maximizing silence leaves a session behind or touches the song.
    const std::string quiet = dir.File("Quiet.wav");
    ASSERT_TRUE(WriteWave(quiet, 1, kRate, 16, std::vector<int64_t>(kRate, 0)));
    const Bytes before = ReadBytes(quiet);
    EXPECT_EQ(cli.Run({"fade", quiet, "--in", "2000"}).status, 1);
    const CliRun silent = cli.Run({"maximize", quiet, "--commit"});
    EXPECT_EQ(silent.status, 0);
    EXPECT_EQ(silent.out, "peak: 0\npeak-dbfs: -inf\n");
    EXPECT_FALSE(fs::exists(dir.File("Quiet.ses")));
    EXPECT_EQ(ReadBytes(quiet), before);
}
