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
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

constexpr uint32_t kAudioBytes = 256 * 1024;

// Opens the song's session, answering Yes to a recovery question; its stream.
Bytes OpenStream(CEditQueue& q, const TempDir& dir, uint32_t dataBytes) {
    q.SetTempPath(dir.File("tmp"));
    if (q.OpenSession(dir.File("Song.wav"), MakeWaveFormat(1, 2, 44100, 16), dataBytes) != 0) return {};
    Bytes stream(q.StreamLength());
    q.SeekStream(0, 0);
    if (q.ReadStream(stream.data(), std::ssize(stream)) != std::ssize(stream)) return {};
    return stream;
}

void RunTrials(int trials) {
    TempDir dir;
    const Bytes a = PatternBytes(kAudioBytes, 1), b = PatternBytes(kAudioBytes, 2);
    std::filesystem::create_directories(dir.File("tmp"));
    // The two versions the song takes in turn; their names are not the session's own, so
    // discarding never deletes them.
    for (const auto& [name, audio] : {std::pair{"versionA.wav", &a}, std::pair{"versionB.wav", &b}}) {
        ASSERT_TRUE(WriteBytes(dir.File(name), BuildWave(WaveLayout{}, *audio)));
        CWaveFile wave;
        PeakResults results;
        ASSERT_EQ(wave.OpenRead(dir.File(name)), kFileOk);
        ASSERT_EQ(CPeakFile::BuildPeakFile(wave, 0, 0, nullptr, 0, results), 0);
    }
    ASSERT_TRUE(WriteBytes(dir.File("Song.wav"), BuildWave(WaveLayout{}, a)));
    CHeadlessServices services;
    services.SetPolicy(CHeadlessServices::Policy::Yes);
    SetServices(&services);
    struct Reset {
        ~Reset() { SetServices(nullptr); }
    } reset;
    std::mt19937 rng(static_cast<unsigned>(getpid()));
    for (int i = 0; i < trials && !::testing::Test::HasFailure(); ++i) {
        SCOPED_TRACE(i);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The child: open, add a step that swaps the audio, save, commit, discard; forever.
            for (;;) {
                CEditQueue q;
                const Bytes stream = OpenStream(q, dir, kAudioBytes);
                if (stream.empty()) _exit(3);
                const std::string next = dir.File(stream[0] == a[0] ? "versionB.wav" : "versionA.wav");
                if (q.AddFilterStep(next, 0, kAudioBytes, "swap", 0) != 0) _exit(4);
                q.SaveSession();
                q.CommitSession(dir.File("Song.wav"));
                q.DiscardSession(false);
            }
        }
        usleep(1000 + rng() % 60000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child stopped by itself with " << WEXITSTATUS(status);

        WaveContents song;
        ASSERT_TRUE(ReadWave(dir.File("Song.wav"), song));
        EXPECT_TRUE(song.data == a || song.data == b) << "the song holds neither its old nor its new audio";
        CEditQueue q;
        const Bytes stream = OpenStream(q, dir, static_cast<uint32_t>(song.data.size()));
        EXPECT_TRUE(stream == a || stream == b) << "the session shows neither version";
        q.CloseSegments();
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
