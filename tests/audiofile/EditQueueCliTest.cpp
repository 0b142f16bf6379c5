// restova-cli session and commit, run as a user would run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "base/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

TEST(EditQueueCliTest, SessionListsTheStepsAndCommitWritesThemBack) {
    // The program's home is a folder of its own, apart from the song and its session.
    TempDir dir, home;
    const CliHarness cli = BuiltCli(home.Path());
    const std::string song = dir.File("My Song.wav"), tmp = dir.File("tmp");
    Bytes expected = PatternBytes(40000, 1);
    ASSERT_TRUE(WriteBytes(song, BuildWave(WaveLayout{}, expected)));
    EXPECT_EQ(cli.Run({"session", song}).status, 1);  // no session yet

    // A session with a filter step and a cut, left on disk as a crashed program leaves it.
    {
        CHeadlessServices services;
        SetServices(&services);
        std::filesystem::create_directories(tmp);
        CEditQueue q;
        q.SetTempPath(tmp);
        ASSERT_EQ(q.OpenSession(song, MakeWaveFormat(1, 2, 44100, 16), 40000), 0);
        const Bytes f = PatternBytes(8000, 2);
        ASSERT_TRUE(WriteBytes(tmp + "/dctmp1.wav", BuildWave(WaveLayout{}, f)));
        ASSERT_EQ(q.AddFilterStep(tmp + "/dctmp1.wav", 4000, 12000, "Clean it", 0), 0);
        ASSERT_EQ(q.AddCutStep(0, 400), 2);
        std::copy(f.begin(), f.end(), expected.begin() + 4000);
        expected.erase(expected.begin(), expected.begin() + 400);
        SetServices(nullptr);
    }
    const CliRun listed = cli.Run({"session", song});
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "type\tstart\tend\tnew-end\tsource-offset\tfile\tlabel\n5\t0\t40000\t40000\t0\t" + song +
                              "\t\n4\t4000\t12000\t12000\t0\t" + tmp + "/dctmp1.wav\tClean it\n0\t0\t400\t400\t0\t" +
                              tmp + "/dctmp2.wav\t\n");

    ASSERT_EQ(cli.Run({"--quiet", "commit", song}).status, 0);
    EXPECT_EQ(WaveData(song), expected);
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(song, PeakFileName(song)));
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"My Song.pkf", "My Song.wav"}));
    EXPECT_EQ(cli.Run({"session", song}).status, 1);
}

TEST(EditQueueCliTest, ASessionMadeByARelativePathServesTheAbsoluteOneAndAMovedFolder) {
    TempDir dir, home;
    const CliHarness cli = BuiltCli(home.Path());
    const std::string song = dir.File("s.wav");
    const Bytes original = PatternBytes(4 * 44100, 3);
    ASSERT_TRUE(WriteBytes(song, BuildWave(WaveLayout{}, original)));

    // Made from the song's own folder, by its bare name.
    const std::string fade = "cd " + ShellQuote(dir.Path().string()) + " && " +
                             cli.CommandLine({"--quiet", "fade", "s.wav", "--in", "500"}) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(fade.c_str()), 0);
    const CliRun listed = cli.Run({"session", song});
    ASSERT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("\t" + song + "\t"), std::string::npos) << listed.out;

    // The folder moves as a whole: the session finds the song beside it.
    const std::filesystem::path moved = dir.Path() / "moved";
    std::filesystem::create_directory(moved);
    for (const char* name : {"s.wav", "s.ses", "s.pkf"}) {
        if (std::filesystem::exists(dir.File(name))) std::filesystem::rename(dir.File(name), moved / name);
    }
    const std::string movedSong = (moved / "s.wav").string();
    ASSERT_EQ(cli.Run({"--quiet", "commit", movedSong}).status, 0);
    const Bytes committed = WaveData(movedSong);
    ASSERT_EQ(committed.size(), original.size());
    EXPECT_NE(committed, original);  // faded in
    EXPECT_TRUE(std::equal(original.end() - 1000, original.end(), committed.end() - 1000));
    EXPECT_EQ(FilesUnder(moved), (std::vector<std::string>{"s.pkf", "s.wav"}));
    // The step's temporary wave went with the session.
    EXPECT_TRUE(FilesUnder(home.Path() / "Restova" / "Temp").empty());
}

}  // namespace
