// Crash safety of saving and committing sessions: a child process saves and
// commits in a loop and is killed at a random moment; the song must then hold
// its old or its new audio, and its session must load (or recover) and show
// one of the two.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kAudioBytes = 256 * 1024;

Bytes Audio(unsigned seed) {
    Bytes b(kAudioBytes);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>((i * 13 + seed * 97 + i / 509) % 241);
    return b;
}

class CrashRig {
public:
    CrashRig() : m_a(Audio(1)), m_b(Audio(2)) {
        fs::create_directories(m_dir.Path() / "tmp");
        m_song = m_dir.File("Song.wav");
        // The two versions the song takes in turn; their names are not the session's own, so
        // discarding never deletes them.
        WriteBytes(m_dir.File("versionA.wav"), BuildWave(WaveLayout{}, m_a));
        WriteBytes(m_dir.File("versionB.wav"), BuildWave(WaveLayout{}, m_b));
        WriteBytes(m_song, BuildWave(WaveLayout{}, m_a));
        for (const char* name : {"versionA.wav", "versionB.wav"}) {
            CWaveFile wave;
            PeakResults results;
            wave.OpenRead(m_dir.File(name));
            CPeakFile::BuildPeakFile(wave, 0, 0, nullptr, 0, results);
        }
    }

    // The child: open (recovering), add a step that swaps the audio, save, commit, discard; forever.
    [[noreturn]] void RunChild() {
        CHeadlessServices services;
        services.SetPolicy(CHeadlessServices::Policy::Yes);
        SetServices(&services);
        for (;;) {
            CEditQueue q;
            q.SetTempPath((m_dir.Path() / "tmp").string());
            WaveFileInfo info;
            if (CWaveFile::FileInfo(m_song, info, true) != kFileOk) _exit(2);
            if (q.OpenSession(m_song, MakeWaveFormat(1, 2, 44100, 16), info.dataBytes) != 0) _exit(3);
            uint8_t first = 0;
            q.SeekStream(0, 0);
            q.ReadStream(&first, 1);
            const std::string next = m_dir.File(first == m_a[0] ? "versionB.wav" : "versionA.wav");
            if (q.AddFilterStep(next, 0, kAudioBytes, "swap", 0) != 0) _exit(4);
            q.SaveSession();
            q.CommitSession(m_song);
            q.DiscardSession(false);
        }
    }

    // Kills a child after delayUs and checks what it left behind.
    void Trial(unsigned delayUs) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) RunChild();
        usleep(delayUs);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child stopped by itself with " << WEXITSTATUS(status);

        WaveContents song;
        ASSERT_TRUE(ReadWave(m_song, song));
        EXPECT_TRUE(song.data == m_a || song.data == m_b) << "the song holds neither its old nor its new audio";

        CHeadlessServices services;
        services.SetPolicy(CHeadlessServices::Policy::Yes);
        SetServices(&services);
        CEditQueue q;
        q.SetTempPath((m_dir.Path() / "tmp").string());
        ASSERT_EQ(q.OpenSession(m_song, MakeWaveFormat(1, 2, 44100, 16), static_cast<uint32_t>(song.data.size())), 0);
        Bytes stream(q.StreamLength());
        q.SeekStream(0, 0);
        EXPECT_EQ(q.ReadStream(stream.data(), static_cast<int64_t>(stream.size())),
                  static_cast<int64_t>(stream.size()));
        EXPECT_TRUE(stream == m_a || stream == m_b) << "the session shows neither version";
        q.CloseSegments();
        SetServices(nullptr);
    }

private:
    TempDir m_dir;
    std::string m_song;
    Bytes m_a, m_b;
};

void RunTrials(int trials) {
    CrashRig rig;
    std::mt19937 rng(static_cast<unsigned>(getpid()));
    for (int i = 0; i < trials; ++i) {
        SCOPED_TRACE(i);
        rig.Trial(1000 + rng() % 60000);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(EditQueueCrashTest, KilledWhileSavingOrCommittingLosesNothing) {
    RunTrials(6);
}

// The long run: ctest skips it; run with --gtest_also_run_disabled_tests.
TEST(EditQueueCrashTest, DISABLED_SoakTwoHundredKills) {
    RunTrials(200);
}

}  // namespace
