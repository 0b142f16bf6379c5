// Splitting into track files: a 25-minute 44.1 kHz 16-bit stereo side with 8
// dividers is split (source kept) into 8 waves, timed against `cp` of the same
// file in the same run, both in multiples of real time (goal for the split:
// at least 200x). Usage: bench_split [DIR] (default: a new folder under $TMPDIR).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/HeadlessServices.h"
#include "tracks/TrackSplitter.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 44100;
constexpr uint32_t kSecond = kRate * 4;  // bytes of one second, stereo 16-bit
constexpr uint32_t kSideSeconds = 25 * 60;
constexpr int kDividers = 8;
constexpr int kRounds = 3;

bool WriteSide(const std::string& path) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(1, 2, kRate, 16);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    std::vector<uint8_t> block(1 << 20);
    uint32_t x = 1;
    const uint32_t bytes = kSideSeconds * kSecond;
    for (uint32_t done = 0; done < bytes;) {
        for (auto& b : block) b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(block.size()), bytes - done);
        if (wave.Write(block.data(), n) != n) return false;
        done += n;
    }
    bool ok = wave.FinishWrite() == 0;
    wave.Close();
    if (!ok) return false;
    // Dividers at the start and every 1/8 of the side, in the peak file where the split finds them.
    auto dividers = std::make_unique<DividerBlock>();
    for (int i = 0; i < kDividers; ++i) {
        dividers->records[i].position = static_cast<uint32_t>(i) * (kSideSeconds / kDividers) * kSecond;
        dividers->SetName(i, "Track " + std::to_string(i + 1));
    }
    PeakResults results;
    return wave.OpenRead(path) == kFileOk &&
           CPeakFile::BuildPeakFile(wave, 0, 0, dividers.get(), kDividers, results) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    CHeadlessServices services;
    SetServices(&services);
    const CBenchFolder folder(argc > 1 ? argv[1] : nullptr, "bench-split");
    if (!folder.Ok()) return 1;
    const std::string& dir = folder.Path();
    const std::string side = dir + "/Side.wav";
    if (!WriteSide(side)) {
        std::fprintf(stderr, "bench_split: cannot write the test side in %s\n", dir.c_str());
        return 1;
    }
    WarmPageCache(side);

    CBenchTimer cp;
    CBenchTimer split;
    CTrackSplitter splitter;
    for (int round = 0; round < kRounds; ++round) {
        cp.Start();
        if (std::system(("cp '" + side + "' '" + dir + "/Copy.wav'").c_str()) != 0) return 1;
        cp.Stop();
        fs::remove(dir + "/Copy.wav");

        std::vector<std::string> names;
        split.Start();
        const auto result = splitter.SplitIntoTracks(side, dir + "/tracks", true, 0, &names, false);
        split.Stop();
        if (result != CTrackSplitter::Result::Done || names.size() != kDividers) {
            std::fprintf(stderr, "bench_split: the split failed\n");
            return 1;
        }
        fs::remove_all(dir + "/tracks");
    }
    fs::remove(dir + "/Side.ses");

    const double seconds = kSideSeconds;
    std::printf("side: %u s stereo 16-bit, %u bytes, %d dividers (best of %d)\n", kSideSeconds, kSideSeconds * kSecond,
                kDividers, kRounds);
    std::printf("cp:    %.3f s wall = %.0fx real time\n", cp.BestWall(), seconds / cp.BestWall());
    std::printf("split: %.3f s wall = %.0fx real time (goal >= 200x), %.3f s CPU; %.2fx the time of cp\n",
                split.BestWall(), seconds / split.BestWall(), split.BestCpu(), split.BestWall() / cp.BestWall());
    return 0;
}
