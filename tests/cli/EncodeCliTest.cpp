// restova-cli encode, decode and restore --flac|--mp3, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

TEST(EncodeCliTest, EncodeDecodeAndRestoreToCompressedFiles) {
    TempDir home;
    TempDir dir;
    const std::string wav = dir.File("take.wav");
    ASSERT_TRUE(WriteWave(wav, 2, 44100, 16, std::vector<int64_t>(44100 * 2, 3000)));
    const CliHarness cli = BuiltCli(home.Path());
    for (const char* ext : {".mp3", ".wma", ".flac"}) {
        SCOPED_TRACE(ext);
        const std::string encoded = dir.File(std::string("take") + ext);
        const std::string back = dir.File(std::string("back") + ext + ".wav");
        CliRun r = cli.Run({"encode", wav, encoded, "--title", "Take", "--track", "2"});
        ASSERT_EQ(r.status, 0) << r.err;
        r = cli.Run({"decode", encoded, back});
        ASSERT_EQ(r.status, 0) << r.err;
        WaveContents w;
        ASSERT_TRUE(ReadWave(back, w));
        EXPECT_GE(w.data.size(), 44100u * 4);  // one second of stereo
    }
    EXPECT_EQ(cli.Run({"encode", wav, dir.File("x.ogg"), "--format", "ogg"}).status, 2);

    const std::string out = dir.File("out");
    for (const char* flag : {"--mp3", "--flac"}) {
        CliRun r = cli.Run({"--yes", "restore", wav, "--to", out, "--no-enhance", flag});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    EXPECT_TRUE(std::filesystem::exists(out + "/take.mp3"));
    EXPECT_TRUE(std::filesystem::exists(out + "/take.flac"));
}

}  // namespace
