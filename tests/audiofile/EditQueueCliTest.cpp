// restova-cli session and commit, run as a user would run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "shell/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

Bytes Pattern(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 11 + seed * 37) % 251);
    return b;
}

class EditQueueCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&m_services);
        fs::create_directories(m_dir.Path() / "tmp");
        m_song = m_dir.File("My Song.wav");
        m_songBytes = Pattern(40000, 1);
        ASSERT_TRUE(WriteBytes(m_song, BuildWave(WaveLayout{}, m_songBytes)));
    }
    void TearDown() override { SetServices(nullptr); }

    // A session with a filter step and a cut, left on disk as a crashed program leaves it.
    std::string MakeSession(Bytes& expected) {
        CEditQueue q;
        q.SetTempPath((m_dir.Path() / "tmp").string());
        EXPECT_EQ(q.OpenSession(m_song, MakeWaveFormat(1, 2, 44100, 16), 40000), 0);
        const std::string step = (m_dir.Path() / "tmp" / "dctmp1.wav").string();
        const Bytes f = Pattern(8000, 2);
        EXPECT_TRUE(WriteBytes(step, BuildWave(WaveLayout{}, f)));
        EXPECT_EQ(q.AddFilterStep(step, 4000, 12000, "Clean it", 0), 0);
        EXPECT_EQ(q.AddCutStep(0, 400), 2);
        expected = m_songBytes;
        std::copy(f.begin(), f.end(), expected.begin() + 4000);
        expected.erase(expected.begin(), expected.begin() + 400);
        return step;
    }
    // Runs restova-cli with args; its home is a folder of its own, apart from the song and its session.
    CliRun Cli(const std::vector<std::string>& args) { return BuiltCli(m_home.Path()).Run(args); }

    TempDir m_dir;
    TempDir m_home;
    CHeadlessServices m_services;
    std::string m_song;
    Bytes m_songBytes;
};

TEST_F(EditQueueCliTest, SessionListsTheStepsAndCommitWritesThemBack) {
    EXPECT_EQ(Cli({"session", m_song}).status, 1);  // no session yet

    Bytes expected;
    const std::string step = MakeSession(expected);
    CliRun listed = Cli({"session", m_song});
    ASSERT_EQ(listed.status, 0);
    std::istringstream lines(listed.out);
    std::string line;
    std::vector<std::string> got;
    while (std::getline(lines, line)) got.push_back(line);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "5\t0\t40000\t40000\t0\t" + m_song + "\t");
    EXPECT_EQ(got[1], "4\t4000\t12000\t12000\t0\t" + step + "\tClean it");
    EXPECT_EQ(got[2], "0\t0\t400\t400\t0\t" + (m_dir.Path() / "tmp" / "dctmp2.wav").string() + "\t");

    ASSERT_EQ(Cli({"--quiet", "commit", m_song}).status, 0);
    WaveContents song;
    ASSERT_TRUE(ReadWave(m_song, song));
    EXPECT_EQ(song.data, expected);
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(m_song, PeakFileName(m_song)));
    EXPECT_EQ(FilesUnder(m_dir.Path()), (std::vector<std::string>{"My Song.pkf", "My Song.wav"}));
    EXPECT_EQ(Cli({"session", m_song}).status, 1);
}

TEST_F(EditQueueCliTest, CommitOfADamagedSessionFollowsTheAnswer) {
    Bytes expected;
    const std::string step = MakeSession(expected);
    fs::remove(step);
    // No: the session starts afresh, so the song stays as it was and the session goes.
    ASSERT_EQ(Cli({"--no", "--quiet", "commit", m_song}).status, 0);
    WaveContents song;
    ASSERT_TRUE(ReadWave(m_song, song));
    EXPECT_EQ(song.data, m_songBytes);
    EXPECT_FALSE(fs::exists(SessionFileName(m_song)));
}

}  // namespace
