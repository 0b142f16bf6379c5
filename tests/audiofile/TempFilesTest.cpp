// The start-up sweep of the temporary folder, with the other processes played
// by forked children that either end without tidying up (as a killed run does)
// or keep running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/TempFiles.h"
#include "base/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

// A forked process that runs work and then either ends at once, skipping every clean-up as a
// killed process does, or stays alive until Stop.
class Child {
public:
    Child(const std::function<bool()>& work, bool stayAlive) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(m_hold) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(m_hold[1]);
            const char ok = work() ? '1' : '0';
            if (::write(ready[1], &ok, 1) != 1 || !stayAlive) ::_exit(0);
            char c;
            while (::read(m_hold[0], &c, 1) < 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(m_hold[0]);
        char ok = '0';
        m_worked = ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
        if (!stayAlive) Stop();
    }
    ~Child() { Stop(); }
    bool Worked() const { return m_worked; }
    void Stop() {
        if (m_pid <= 0) return;
        ::close(m_hold[1]);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_hold[2] = {-1, -1};
    bool m_worked = false;
};

TEST(TempFilesTest, SweepRemovesOnlyWhatEndedRunsLeftAndNoSessionNeeds) {
    TempDir dir;
    const std::string temp = dir.File("Temp");
    fs::create_directory(temp);
    const std::string song = dir.File("Song.wav");
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 4410, 100)));

    // Ended runs: one left a bare temporary wave, one a session whose cut step's wave it needs.
    auto makeWave = [&] {
        const std::string wave = TempWaveName(temp, 1);
        return WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(10, 1));
    };
    Child orphan(makeWave, false);
    ASSERT_TRUE(orphan.Worked());
    Child edited(
        [&] {
            CHeadlessServices services;
            SetServices(&services);
            CEditQueue q;
            q.SetTempPath(temp);
            return q.OpenSession(song, MakeWaveFormat(1, 2, 44100, 16), 4 * 4410) == 0 && q.AddCutStep(0, 400) > 0;
        },
        false);
    ASSERT_TRUE(edited.Worked());
    // A running one is still writing its wave.
    Child running(makeWave, true);
    ASSERT_TRUE(running.Worked());
    const std::vector<std::string> before = {"dctmp1.wav", "dctmp2.pkf", "dctmp2.wav", "dctmp3.wav"};
    ASSERT_EQ(FilesUnder(temp), before);

    EXPECT_EQ(CTempFiles::Sweep(temp), 1);
    EXPECT_EQ(FilesUnder(temp), (std::vector<std::string>{"dctmp2.pkf", "dctmp2.wav", "dctmp3.wav"}));

    // Once the session is gone and the running one ended, the next sweep takes the rest.
    {
        CHeadlessServices services;
        SetServices(&services);
        CEditQueue q;
        q.SetTempPath(temp);
        ASSERT_EQ(q.OpenSession(song, MakeWaveFormat(1, 2, 44100, 16), 4 * 4410), 0);
        ASSERT_EQ(q.Steps().size(), 2u);
        q.DiscardSession(false);
        SetServices(nullptr);
    }
    running.Stop();
    CTempFiles::Sweep(temp);
    EXPECT_TRUE(FilesUnder(temp).empty());
}

}  // namespace
