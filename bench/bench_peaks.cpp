// Builds the peak file of a 10-minute stereo 16-bit song and compares the
// time with reading the song's file once (goal: at most 2x). Both run on a
// warm page cache, best of five.
//
// Usage: bench_peaks [DIR]   (default: the system's temporary folder)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"

namespace {

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutU16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// A plain 44-byte-header song of music-like material (two tones and noise).
bool WriteSong(const std::string& path, uint32_t frames) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t dataBytes = frames * 4;
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutU32(h, 36 + dataBytes);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutU32(h, 16);
    PutU16(h, 1);
    PutU16(h, 2);
    PutU32(h, 44100);
    PutU32(h, 176400);
    PutU16(h, 4);
    PutU16(h, 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutU32(h, dataBytes);
    bool ok = std::fwrite(h.data(), 1, h.size(), f) == h.size();
    std::vector<int16_t> block(2 * 44100);
    uint32_t seed = 1;
    for (uint32_t done = 0; ok && done < frames;) {
        const uint32_t n = std::min<uint32_t>(frames - done, 44100);
        for (uint32_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double t = (done + i) / 44100.0;
            const double noise = static_cast<int32_t>(seed >> 16) - 32768;
            block[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 220 * t) + noise / 16);
            block[2 * i + 1] = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 330 * t) - noise / 16);
        }
        ok = std::fwrite(block.data(), 4, n, f) == n;
        done += n;
    }
    return std::fclose(f) == 0 && ok;
}

double ReadOnce(const std::string& path) {
    const auto t0 = BenchClock::now();
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return -1;
    std::vector<uint8_t> buf(1 << 16);
    uint64_t total = 0, sum = 0;
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0) {
        total += static_cast<uint64_t>(n);
        sum += buf[0];  // touch the data
    }
    ::close(fd);
    const double s = Seconds(t0);
    return total > sum * 0 ? s : -1;
}

double BuildOnce(const std::string& path, PeakResults& results) {
    std::filesystem::remove(PeakFileName(path));
    const auto t0 = BenchClock::now();
    CWaveFile wave;
    if (wave.OpenRead(path) != 0) return -1;
    if (CPeakFile::BuildPeakFile(wave, 0, 0, nullptr, 0, results) != 0) return -1;
    return Seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::string song = (dir / "bench_peaks_song.wav").string();
    const uint32_t frames = 44100u * 600;
    if (!WriteSong(song, frames)) {
        std::fprintf(stderr, "cannot write %s\n", song.c_str());
        return 1;
    }
    ReadOnce(song);  // warm the cache
    double readBest = 1e9, buildBest = 1e9;
    PeakResults results;
    for (int i = 0; i < 5; ++i) {
        readBest = std::min(readBest, ReadOnce(song));
        buildBest = std::min(buildBest, BuildOnce(song, results));
    }
    const auto peakBytes = std::filesystem::file_size(PeakFileName(song));
    std::printf("song: %u frames, %.1f MB; peak file %llu bytes\n", frames, frames * 4 / 1e6,
                static_cast<unsigned long long>(peakBytes));
    std::printf("read once:  %.3f s\nbuild peaks: %.3f s\nratio: %.2fx (goal <= 2x)\n", readBest, buildBest,
                buildBest / readBest);
    std::printf("max-peak %u, min-peak %u, rms %.1f\n", results.maxPeak, results.minPeak, results.rms);
    std::filesystem::remove(song);
    std::filesystem::remove(PeakFileName(song));
    return 0;
}
