// restova-cli restore: the whole road in one command gives, song for song and
// sample for sample, what the separate commands give in the same order, and
// leaves nothing behind when it fails, is refused or is interrupted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"
#include "tracks/SongsRecording.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

class RestoreCliTest : public ::testing::Test {
protected:
    // Three songs with faint hiss between them, and a click every 0.37 s, as a worn side has.
    void SetUp() override {
        // Mono at a low rate: songs long enough to be indexed, at a quarter of the work.
        std::vector<int64_t> samples = MakeRecording(ThreeSongs(), 1, 22050, 40);
        for (size_t at = 1000; at + 3 < samples.size(); at += 8161) {
            for (size_t i = 0; i < 3; ++i) samples[at + i] = i % 2 ? -14000 : 15000;
        }
        ASSERT_TRUE(WriteWave(side, 1, 22050, 16, samples));
    }

    CliRun Cli(const Args& args) const { return BuiltCli(home.Path()).Run(args); }

    // Everything in folder, hidden working folders too, sorted.
    static std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The data of each file named by the lines of text, in order.
    static std::vector<Bytes> DataOf(const std::string& lines) {
        std::vector<Bytes> data;
        std::istringstream in(lines);
        for (std::string path; std::getline(in, path);) {
            WaveContents wave;
            EXPECT_TRUE(ReadWave(path.substr(0, path.find('\t')), wave)) << path;
            data.push_back(wave.data);
        }
        return data;
    }

    TempDir home;
    TempDir dir;
    const std::string side = dir.File("side.wav");
};

}  // namespace

TEST_F(RestoreCliTest, TheRoadInOneCommandMatchesTheSeparateCommandsSongForSong) {
    const Bytes recording = ReadBytes(side);
    const std::string out = dir.File("out");
    const CliRun restored = Cli({"restore", side, "--to", out, "--index", "--split"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"side.wav", "side_2.wav", "side_3.wav"}));
    EXPECT_EQ(ReadBytes(side), recording);
    EXPECT_EQ(FilesUnder(dir.Path()).size(), 4u);  // the recording and the three songs only
    EXPECT_NE(restored.err.find("[1/1] side: Enhance"), std::string::npos) << restored.err;
    // A header and one line per song: path, length, peak (maximised: at full scale).
    const std::string table = restored.out;
    ASSERT_EQ(table.rfind("song\tlength\tpeak-dbfs\n", 0), 0u) << table;
    EXPECT_NE(table.find(out + "/side_2.wav\t0:1"), std::string::npos) << table;
    EXPECT_NE(table.find("\t-0.0"), std::string::npos) << table;

    const std::string cleaned = dir.File("cleaned.wav"), enhanced = dir.File("enhanced.wav");
    for (const Args& args : std::vector<Args>{{"clean", side, cleaned},
                                              {"enhance", cleaned, enhanced},
                                              {"index", enhanced},
                                              {"maximize", enhanced, "--commit"}}) {
        ASSERT_EQ(Cli(args).status, 0) << args[0];
    }
    const CliRun split = Cli({"split", enhanced, dir.File("chain"), "--naming", "2", "--yes"});
    ASSERT_EQ(split.status, 0) << split.err;
    const std::vector<Bytes> expected = DataOf(split.out);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(DataOf(table.substr(table.find('\n') + 1)), expected);
}

// Songs already in the folder are replaced only with --yes, also when they are to be encoded; a failed or interrupted
// run leaves no working files behind.
TEST_F(RestoreCliTest, RefusalsFailuresAndInterruptionsLeaveTheFolderAsItWas) {
    const std::string out = dir.File("out");
    ASSERT_TRUE(WriteText(out + "/side.wav", "mine"));
    CliRun r = Cli({"restore", side, "--to", out, "--no-enhance"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("give --yes to replace them"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(out + "/side.wav"), "mine");

    r = Cli({"restore", side, "--to", out, "--mp3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("give --yes to replace them"), std::string::npos) << r.err;
    EXPECT_EQ(Cli({"restore", side, "--to", out, "--split"}).status, 1);                // no dividers, no --index
    EXPECT_EQ(Cli({"restore", side, "--to", dir.Path().string(), "--yes"}).status, 1);  // would replace side.wav
    EXPECT_EQ(Entries(out), std::vector<std::string>{"side.wav"});
    EXPECT_EQ(Cli({"restore", side, side, "--to", out}).status, 2);

    // Two minutes of stereo take long enough to be interrupted part way.
    const std::string long_ = dir.File("long.wav");
    ASSERT_TRUE(WriteWave(long_, 2, 44100, 16, MakeRecording({Music(120)}, 2)));
    const std::string cmd = BuiltCli(home.Path()).CommandLine({"--quiet", "restore", long_, "--to", out}) +
                            " >/dev/null 2>&1 & pid=$!; sleep 0.3; kill -INT $pid; wait $pid; echo $? >" +
                            ShellQuote(dir.File("rc.txt"));
    ASSERT_EQ(std::system(("sh -c " + ShellQuote(cmd)).c_str()), 0);
    const int rc = std::atoi(ReadText(dir.File("rc.txt")).c_str());
    if (rc == 0) GTEST_SKIP() << "the run finished before it was interrupted";
    EXPECT_EQ(rc, 130);
    EXPECT_EQ(Entries(out), std::vector<std::string>{"side.wav"});
    EXPECT_EQ(ReadText(out + "/side.wav"), "mine");
    EXPECT_TRUE(FilesUnder(home.Path() / "Restova/Temp").empty());
}

// Recordings restored side by side give what they give one after another, listed in the order given.
TEST_F(RestoreCliTest, JobsRestoreRecordingsSideBySideWithTheSameResults) {
    const std::string other = dir.File("other.wav");
    fs::copy_file(side, other);
    const std::string one = dir.File("one"), two = dir.File("two");
    const CliRun alone = Cli({"restore", other, side, "--to", one, "--index", "--split"});
    const CliRun together = Cli({"restore", other, side, "--to", two, "--index", "--split", "--jobs", "2"});
    ASSERT_EQ(alone.status, 0) << alone.err;
    ASSERT_EQ(together.status, 0) << together.err;
    const std::vector<std::string> names = Entries(one);
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(Entries(two), names);
    for (const std::string& name : names) EXPECT_EQ(ReadBytes(two + "/" + name), ReadBytes(one + "/" + name)) << name;
    std::string table = together.out;
    for (size_t at; (at = table.find(two + "/")) != std::string::npos;) table.replace(at, two.size(), one);
    EXPECT_EQ(table, alone.out);
}
