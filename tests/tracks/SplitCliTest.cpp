// restova-cli split, run as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

TEST(SplitCli, PrintsEveryFileWrittenKeepsOrRemovesTheSourceAndFailsCleanly) {
    TempDir dir;
    TempDir home;
    const CliHarness cli = BuiltCli(home.Path());
    auto split = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "split");
        return cli.Run(args);
    };
    // 3 s stereo songs; Side.wav with dividers at 0, 0.5 and 1 s.
    const std::string bare = dir.File("bare/Bare.wav");
    const std::string song = dir.File("Side.wav");
    fs::create_directories(dir.File("bare"));
    for (const std::string& path : {bare, song}) {
        ASSERT_TRUE(WriteWave(path, 2, 44100, 16, std::vector<int64_t>(2 * 3 * 44100, 1000)));
    }
    for (const char* at : {"0", "0.5", "1"}) {
        ASSERT_EQ(cli.Run({"divider", song, "add", at, std::string("Song ") + at}).status, 0);
    }

    // Nothing to split is no failure, and leaves nothing behind; the user learns how to place dividers.
    CliRun r = split({bare, dir.File("bare/out")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("has no track dividers; nothing split. 'restova-cli index " + bare), std::string::npos)
        << r.err;
    EXPECT_EQ(FilesUnder(dir.File("bare")), std::vector<std::string>{"Bare.wav"});

    ASSERT_TRUE(WriteBytes(dir.File("plain"), {'x'}));
    r = split({song, dir.File("plain/out"), "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {song}, {song, "out", "--naming", "4"}, {song, "out", "--naming"}, {song, "out", "--fast"}}) {
        EXPECT_EQ(split(args).status, 2) << args.back();
    }

    const std::string kept = dir.File("kept");
    r = split({song, kept, "--naming", "2", "--keep"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kept + "/Song 0.wav\n" + kept + "/Song 0.5.wav\n" + kept + "/Song 1.wav\n");
    EXPECT_TRUE(fs::exists(song));
    EXPECT_TRUE(fs::exists(PeakFileName(song)));
    EXPECT_FALSE(fs::exists(SessionFileName(song)));  // none left behind by the split

    // Removing the source takes --yes when there is no terminal to ask on.
    const std::string moved = dir.File("moved");
    r = split({song, moved, "--cd-align"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("give --keep to keep it or --yes to go ahead"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(moved));
    r = split({song, moved, "--cd-align", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, moved + "/Side01.wav\n" + moved + "/Side02.wav\n" + moved + "/Side03.wav\n");
    WaveContents first;
    ASSERT_TRUE(ReadWave(moved + "/Side01.wav", first));
    EXPECT_EQ(first.data.size(), 88200u / 2352 * 2352);
    EXPECT_FALSE(fs::exists(song));
    EXPECT_FALSE(fs::exists(PeakFileName(song)));
}
