// restova-cli devices, play and record on the virtual card, run from the outside.
#include <gtest/gtest.h>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

std::vector<int64_t> Ramp(size_t frames) {
    std::vector<int64_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<int64_t>(i % 30000) - 15000);
        s.push_back(static_cast<int64_t>(i % 20000));
    }
    return s;
}

}  // namespace

// The virtual card is always listed; playing into its sink and recording from its source carry the
// sound over unchanged, a part of it for --from/--to; an unknown device is a usage error.
TEST(SoundCli, PlayAndRecordThroughTheVirtualCard) {
    TempDir dir;
    const CliHarness cli = BuiltCli(dir.Path());
    const CliRun list = cli.Run({"devices"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("playback: Virtual card\n"), std::string::npos);
    EXPECT_NE(list.out.find("capture: Virtual card\n"), std::string::npos);

    const std::string in = dir.File("in.wav");
    ASSERT_TRUE(WriteWave(in, 2, 44100, 16, Ramp(3 * 44100)));
    WaveContents source;
    ASSERT_TRUE(ReadWave(in, source));

    EXPECT_EQ(cli.Run({"play", in, "--sink", dir.File("heard.wav"), "--fast"}).status, 0);
    WaveContents heard;
    ASSERT_TRUE(ReadWave(dir.File("heard.wav"), heard));
    EXPECT_TRUE(heard.data == source.data);

    EXPECT_EQ(cli.Run({"play", in, "--from", "0.5", "--to", "1", "--sink", dir.File("part.wav"), "--fast"}).status, 0);
    ASSERT_TRUE(ReadWave(dir.File("part.wav"), heard));
    EXPECT_TRUE(heard.data == Bytes(source.data.begin() + 22050 * 4, source.data.begin() + 44100 * 4));

    const CliRun rec = cli.Run({"record", dir.File("take.wav"), "--source", in, "--fast"});
    EXPECT_EQ(rec.status, 0) << rec.err;
    EXPECT_NE(rec.out.find("recorded 3.0 s"), std::string::npos) << rec.out;
    WaveContents take;
    ASSERT_TRUE(ReadWave(dir.File("take.wav"), take));
    EXPECT_TRUE(take.data == source.data);

    EXPECT_EQ(cli.Run({"play", in, "--device", "No Such Card"}).status, 2);
}

// A device chosen by name is stored and holds for the next run; a name not listed changes nothing.
TEST(SoundCli, DevicesChoosesThePlaybackAndCaptureDevice) {
    TempDir dir;
    const CliHarness cli = BuiltCli(dir.Path());
    EXPECT_NE(cli.Run({"devices"}).out.find("chosen playback: Default device\n"), std::string::npos);
    EXPECT_EQ(cli.Run({"devices", "--output", "Virtual card", "--input", "Virtual card"}).status, 0);
    EXPECT_EQ(cli.Run({"devices", "--output", "Nowhere"}).status, 2);
    const CliRun after = cli.Run({"devices"});
    EXPECT_NE(after.out.find("chosen playback: Virtual card\n"), std::string::npos);
    EXPECT_NE(after.out.find("chosen capture: Virtual card\n"), std::string::npos);
}
