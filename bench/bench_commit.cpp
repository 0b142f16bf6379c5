// Committing a session: a 10-minute stereo song with three steps (a filter
// pass, a cut and a same-length replacement) is written back into the song,
// and the time is compared with `cp` of the song in the same run (goal: at
// most 2x). Both are timed in turns, several rounds; the best of each and the
// spread of the commit/cp ratio over the rounds are printed, since other work on
// the machine moves single runs by tens of percent.
// Usage: bench_commit [DIR [ROUNDS]] (default: a new folder under $TMPDIR, 7 rounds).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/EditQueue.h"
#include "audiofile/WaveFile.h"
#include "base/HeadlessServices.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 44100;
constexpr uint32_t kSecond = kRate * 4;  // bytes of one second, stereo 16-bit

bool WriteNoise(const std::string& path, uint32_t bytes, uint32_t seed) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(1, 2, kRate, 16);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    std::vector<uint8_t> block(1 << 20);
    uint32_t x = seed;
    for (uint32_t done = 0; done < bytes;) {
        for (auto& b : block) b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(block.size()), bytes - done);
        if (wave.Write(block.data(), n) != n) return false;
        done += n;
    }
    bool ok = wave.FinishWrite() == 0;
    wave.Close();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    CHeadlessServices services;
    SetServices(&services);
    const CBenchFolder folder(argc > 1 ? argv[1] : nullptr, "bench-commit");
    if (!folder.Ok()) return 1;
    const std::string& dir = folder.Path();
    const std::string song = dir + "/Song.wav";
    const uint32_t songBytes = 600 * kSecond;
    if (!WriteNoise(song, songBytes, 1) || !WriteNoise(dir + "/dctmp1.wav", 60 * kSecond, 2) ||
        !WriteNoise(dir + "/dctmp2.wav", 60 * kSecond, 3)) {
        std::fprintf(stderr, "bench_commit: cannot write the test waves in %s\n", dir.c_str());
        return 1;
    }

    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 100) : 7;
    std::vector<double> cpTimes, commitTimes, ratios;
    WarmPageCache(song);
    for (int round = 0; round < rounds; ++round) {
        auto t0 = BenchClock::now();
        if (std::system(("cp '" + song + "' '" + dir + "/Copy.wav'").c_str()) != 0) return 1;
        const double cp = Seconds(t0);
        fs::remove(dir + "/Copy.wav");

        CEditQueue q;
        q.SetTempPath(dir);
        if (q.OpenSession(song, MakeWaveFormat(1, 2, kRate, 16), songBytes) != 0 ||
            q.AddFilterStep(dir + "/dctmp1.wav", 10 * kSecond, 70 * kSecond, "Clean", 0) != 0 ||
            q.AddCutStep(100 * kSecond, 130 * kSecond) < 0 ||
            q.AddReplaceStep(dir + "/dctmp2.wav", 200 * kSecond, 260 * kSecond) != 0) {
            std::fprintf(stderr, "bench_commit: cannot build the session\n");
            return 1;
        }
        auto t1 = BenchClock::now();
        if (!q.CommitSession(dir + "/Out.wav")) {
            std::fprintf(stderr, "bench_commit: commit failed\n");
            return 1;
        }
        const double commit = Seconds(t1);
        q.DiscardSession(true);
        fs::remove(song.substr(0, song.size() - 4) + ".ses");
        fs::remove(dir + "/Out.wav");
        fs::remove(dir + "/Out.pkf");
        cpTimes.push_back(cp);
        commitTimes.push_back(commit);
        ratios.push_back(commit / cp);
    }
    std::sort(cpTimes.begin(), cpTimes.end());
    std::sort(commitTimes.begin(), commitTimes.end());
    std::sort(ratios.begin(), ratios.end());
    const double cpTime = cpTimes.front(), commitTime = commitTimes.front();
    std::printf("song: 600 s stereo 16-bit, %u bytes; steps: filter 60 s, cut 30 s, replace 60 s\n", songBytes);
    std::printf("cp:     %.3f s (best of %d; median %.3f)\n", cpTime, rounds, cpTimes[cpTimes.size() / 2]);
    std::printf("commit: %.3f s (stream copy, peak file, sync and rename; median %.3f)\n", commitTime,
                commitTimes[commitTimes.size() / 2]);
    std::printf("ratio:  %.2f (best against best; goal <= 2); per round %.2f to %.2f, median %.2f\n",
                commitTime / cpTime, ratios.front(), ratios.back(), ratios[ratios.size() / 2]);
    return 0;
}
