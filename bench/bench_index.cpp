// Indexes a synthetic side of a record (25 minutes of 44.1 kHz 16-bit stereo,
// eight songs with 3-second gaps) and prints the speed in multiples of real
// time (goal: at least 200x). The level scan and the silence run are timed
// together, on a warm page cache, best of three.
//
// Usage: bench_index [DIR]   (default: a new temporary folder, removed afterwards)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "processing/FilterRunner.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackIndexer.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr int kSongs = 8;
constexpr double kGapSeconds = 3.0;
constexpr double kSideSeconds = 25 * 60;

void PutU32(std::FILE* f, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void PutU16(std::FILE* f, uint16_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

// Songs of tones and noise with a slow swell, separated by faint hiss. The gaps' midpoints in seconds go
// into mids.
bool WriteSide(const std::string& path, std::vector<double>& mids) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto frames = static_cast<uint32_t>(kSideSeconds * kRate);
    const uint32_t dataBytes = frames * 4;
    std::fwrite("RIFF", 1, 4, f);
    PutU32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutU32(f, 16);
    PutU16(f, 1);
    PutU16(f, 2);
    PutU32(f, kRate);
    PutU32(f, kRate * 4);
    PutU16(f, 4);
    PutU16(f, 16);
    std::fwrite("data", 1, 4, f);
    PutU32(f, dataBytes);

    const double song = (kSideSeconds - (kSongs - 1) * kGapSeconds) / kSongs;
    for (int i = 0; i + 1 < kSongs; ++i) mids.push_back((i + 1) * song + i * kGapSeconds + kGapSeconds / 2);
    std::vector<int16_t> block;
    block.reserve(2 * kRate);
    uint32_t seed = 7;
    bool ok = true;
    for (uint32_t at = 0; ok && at < frames;) {
        const uint32_t n = std::min(frames - at, kRate);
        block.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(at + i) / kRate;
            const double inSide = std::fmod(t, song + kGapSeconds);
            const bool music = inSide < song;
            const int which = static_cast<int>(t / (song + kGapSeconds));
            seed = seed * 1664525u + 1013904223u;
            const double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
            for (int c = 0; c < 2; ++c) {
                double v = 30 * noise;
                if (music) {
                    const double swell = 0.7 + 0.3 * std::sin(2 * M_PI * 0.2 * t + c);
                    v = swell * (7000 * std::sin(2 * M_PI * (196 + 20 * which + 90 * c) * t) +
                                 3000 * std::sin(2 * M_PI * 523 * t)) +
                        900 * noise;
                }
                block.push_back(static_cast<int16_t>(std::lround(v)));
            }
        }
        ok = std::fwrite(block.data(), 4, n, f) == n;
        at += n;
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    CBenchFolder folder(argc > 1 ? argv[1] : nullptr, "bench_index");
    if (!folder.Ok()) {
        std::fprintf(stderr, "no folder to work in\n");
        return 1;
    }
    const std::string side = folder.Path() + "/Side A.wav";
    std::vector<double> mids;
    if (!WriteSide(side, mids)) {
        std::fprintf(stderr, "cannot write %s\n", side.c_str());
        return 1;
    }
    WarmPageCache(side);

    CFilterRunner runner;
    CSongDocument doc;
    doc.SetRunner(&runner);
    if (doc.Open(side, false) != 0) return 1;
    CTrackIndexer indexer;
    CBenchTimer timer;
    for (int run = 0; run < 3; ++run) {
        timer.Start();
        const bool ok = indexer.IndexTracks(doc, false, true);
        timer.Stop();
        if (!ok) {
            std::fprintf(stderr, "indexing failed\n");
            return 1;
        }
    }

    double worst = 0;
    const CDividerList& d = doc.Dividers();
    for (int i = 1; i < d.Count() && i <= static_cast<int>(mids.size()); ++i) {
        worst = std::max(worst, std::fabs(d.Position(i) / double(doc.BytesPerSecond()) - mids[i - 1]));
    }
    std::printf("side: %.0f s of 44.1 kHz 16-bit stereo, %d songs, %.0f s gaps\n", kSideSeconds, kSongs, kGapSeconds);
    std::printf("dividers: %d (want %d), largest distance from a gap's middle %.1f ms\n", d.Count(), kSongs,
                worst * 1000);
    std::printf("indexing: %.3f s wall, %.3f s cpu\n", timer.BestWall(), timer.BestCpu());
    std::printf("speed: %.0fx real time (goal >= 200x)\n", kSideSeconds / timer.BestWall());
    doc.Close(false, false);
    return d.Count() == kSongs ? 0 : 1;
}
