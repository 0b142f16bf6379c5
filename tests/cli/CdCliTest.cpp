// restova-cli cd and playlist from the outside: an image ripped, the rip
// written back to an image, and the CD playlist of Bin3 imported and shown.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"

namespace {

TEST(CdCliTest, RipBurnAndPlaylistRoundTrip) {
    TempDir home;
    auto dir = [&home](const std::string& name) { return home.File(name); };
    const CliHarness cli = BuiltCli(home.Path());
    std::string audio;
    for (int i = 0; i < 530 * 2352; ++i) audio += static_cast<char>(i * 131 % 251);
    WriteText(dir("d.bin"), audio);
    WriteText(dir("d.cue"),
              "FILE \"d.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n");
    CliRun r = cli.Run({"cd", "tracks", "--image", dir("d.cue")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("02\t0:03\tAudio Track 02"), std::string::npos) << r.out;

    r = cli.Run({"--quiet", "cd", "rip", "--image", dir("d.cue"), "--one-file", "--to", dir("rip")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir("rip/Audio Track 01.wav") + "\n");
    r = cli.Run({"dividers", dir("rip/Audio Track 01.wav")});
    EXPECT_NE(r.out.find("Audio Track 02"), std::string::npos) << r.out;
    EXPECT_EQ(cli.Run({"cd", "rip", "--image", dir("d.cue"), "--tracks", "3"}).status, 2);

    r = cli.Run({"--quiet", "cd", "burn", "--recorder", "image:" + dir("o.cue"), dir("rip/Audio Track 01.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir("o.bin")), audio);

    const std::string bin3 = dir("Restova/Bin3_Ready_For_CD");
    std::filesystem::create_directories(bin3);
    std::filesystem::copy_file(dir("rip/Audio Track 01.wav"), bin3 + "/a.wav");
    WriteText(dir("l.m3u"), "#EXTM3U\r\n" + bin3 + "/a.wav\r\nnone.wav\r\n");
    EXPECT_EQ(cli.Run({"playlist", "import", dir("l.m3u")}).status, 0);
    r = cli.Run({"playlist", "show"});
    EXPECT_EQ(r.out, "1\t" + bin3 + "/a.wav\n");
}

}  // namespace
