// Times the impulse noise filter on 60 s of 44.1 kHz 16-bit stereo music with
// scratches (about one a second, up to 400 samples wide) and crackle (about
// 40 clicks a second per channel, 1 to 8 samples), once with the Clean stage's
// scratch setting and once with its crackle setting, and beside them ffmpeg's
// adeclick on the same file. Speeds are CPU time in multiples of real time;
// the quality of each run is measured against the clean music.
// Usage: bench_impulse [folder] (default: a temporary folder).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "BenchWave.h"
#include "audiofile/WaveFile.h"
#include "processing/Impulse.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kSeconds = 60;

// Harmonic tones with envelopes and a little noise, on the 16-bit grid of the 24-bit scale.
std::vector<int32_t> Music(size_t frames, std::mt19937& rng) {
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> mix(frames * 2, 0.0);
    const double notes[] = {110.0, 146.8, 196.0, 261.6, 329.6, 392.0, 523.3, 659.3};
    for (size_t start = 0; start < frames; start += 6000 + static_cast<size_t>(uni(rng) * 8000)) {
        for (int voice = 0; voice < 3; ++voice) {
            const double f0 = notes[static_cast<int>(uni(rng) * 8)];
            const double amp = 300000 + uni(rng) * 700000;
            const size_t len = 20000 + static_cast<size_t>(uni(rng) * 30000);
            const double pan = uni(rng);
            for (size_t i = 0; i < len && start + i < frames; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double env = (1 - std::exp(-t / 0.01)) * std::exp(-t / 0.5);
                double v = 0;
                for (int h = 1; h <= 6; ++h) v += std::sin(2 * kPi * f0 * h * t) / (h * h);
                mix[(start + i) * 2] += amp * env * v * (1 - 0.4 * pan);
                mix[(start + i) * 2 + 1] += amp * env * v * (0.6 + 0.4 * pan);
            }
        }
    }
    std::vector<int32_t> out(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        const double v = std::clamp(mix[i] + 600 * noise(rng), -8388608.0, 8388352.0);
        out[i] = static_cast<int32_t>(std::lround(v / 256.0)) * 256;
    }
    return out;
}

void AddClicks(std::vector<int32_t>& s, size_t count, int minWidth, int maxWidth, double minAmp, double maxAmp,
               std::mt19937& rng) {
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    const size_t frames = s.size() / 2;
    for (size_t k = 0; k < count; ++k) {
        const size_t at = static_cast<size_t>(uni(rng) * (frames - 500));
        const int width = minWidth + static_cast<int>(std::pow(uni(rng), 2.0) * (maxWidth - minWidth));
        const double amp = (uni(rng) < 0.5 ? -1 : 1) * (minAmp + uni(rng) * (maxAmp - minAmp));
        const double tau = std::max(width / 3.0, 0.7);
        const int both = uni(rng) < 0.5 ? 1 : 0;  // crackle often sits in one groove wall only
        const int only = uni(rng) < 0.5 ? 0 : 1;
        for (int i = 0; i < width; ++i) {
            // A sharp edge, then broadband rattle that decays with the width.
            const double v = amp * std::exp(-i / tau) * (i == 0 ? 1.0 : 2 * uni(rng) - 1);
            for (int c = 0; c < 2; ++c) {
                if (!both && c != only) continue;
                int32_t& x = s[(at + i) * 2 + c];
                const double y = std::clamp(x + v, -8388608.0, 8388352.0);
                x = static_cast<int32_t>(std::lround(y / 256.0)) * 256;
            }
        }
    }
}

// One file run as the program's runner does it: blocks of 4096 with history and lookahead.
bool RunFilter(CImpulse& filter, const std::string& in, const std::string& out) {
    CWaveFile reader(4096, 4096);
    CWaveFile writer(4096, 4096);
    if (reader.OpenRead(in) != kFileOk) return false;
    WAVEFORMATEX fmt = reader.Format();
    if (writer.OpenWrite(out, fmt, kWriteCreate) != kFileOk) return false;
    writer.SetOutputMode(kOutFile);
    if (writer.PrepareDirectWrite() != kFileOk) return false;
    reader.SetRange(0, 0);
    if (!filter.Prepare(reader, writer)) return false;
    reader.SetHistory(CImpulse::kHistory);
    reader.SetLookahead(CImpulse::kLookahead);
    int32_t* first = nullptr;
    int32_t* end = nullptr;
    while (reader.ReadNextBlock(first, end) == 0) {
        if (!filter.Process(reader, writer)) return false;
    }
    if (!filter.Finish(reader, writer)) return false;
    return writer.FinishDirectWrite() == kFileOk;
}

struct Quality {
    double removed = 0;  // share of the click energy taken away
    double ser = 0;      // signal-to-error ratio of the whole result (dB)
};

Quality Measure(const std::vector<int32_t>& clean, const std::vector<int32_t>& dirty, const std::vector<int32_t>& out) {
    Quality q;
    if (out.size() != clean.size()) return q;
    double before = 0, after = 0, signal = 0;
    for (size_t i = 0; i < clean.size(); ++i) {
        before += std::pow(double(dirty[i]) - clean[i], 2);
        after += std::pow(double(out[i]) - clean[i], 2);
        signal += double(clean[i]) * clean[i];
    }
    q.removed = before > 0 ? 1 - after / before : 0;
    q.ser = 10 * std::log10(signal / std::max(after, 1.0));
    return q;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const bool own = argc < 2;
    const fs::path dir =
        own ? fs::temp_directory_path() / ("restova_bench_impulse_" + std::to_string(getpid())) : fs::path(argv[1]);
    fs::create_directories(dir);
    const std::string dirty = (dir / "clicks.wav").string();
    const std::string outScratch = (dir / "scratch.wav").string();
    const std::string outCrackle = (dir / "crackle.wav").string();
    const std::string outFfmpeg = (dir / "adeclick.wav").string();

    std::mt19937 rng(2026);
    const std::vector<int32_t> clean = Music(size_t{kRate} * kSeconds, rng);
    std::vector<int32_t> clicks = clean;
    AddClicks(clicks, kSeconds * 1, 20, 400, 1.5e6, 5e6, rng);  // scratches
    AddClicks(clicks, kSeconds * 60, 1, 8, 2e5, 2.5e6, rng);    // crackle
    if (!WriteWave(dirty, clicks)) {
        std::fprintf(stderr, "cannot write %s\n", dirty.c_str());
        return 1;
    }
    ReadWave(dirty);  // into the page cache for every contender

    const double audio = kSeconds;
    struct Setting {
        const char* name;
        CFilter::Params params;
        std::string out;
    };
    const Setting settings[] = {
        {"scratch (Scratch 500)", {(1025 - 500) * 10, 7, 3, 0, 0, 1, 0, 0, 0, 0, 0}, outScratch},
        {"crackle (Crackle 600)", {0, 13, 1, 0, (1000 - 600) / 10 + 10, 1, 0, 0, 0, 0, 0}, outCrackle},
    };
    std::printf("60 s of 44.1 kHz 16-bit stereo, %u scratches and %u crackle clicks\n", kSeconds, kSeconds * 60);
    for (const Setting& s : settings) {
        CImpulse filter;
        filter.SetParams(s.params);
        const double t0 = CpuSeconds(RUSAGE_SELF);
        if (!RunFilter(filter, dirty, s.out)) {
            std::fprintf(stderr, "%s: run failed\n", s.name);
            return 1;
        }
        const double t = CpuSeconds(RUSAGE_SELF) - t0;
        const Quality q = Measure(clean, clicks, ReadWave(s.out));
        std::printf(
            "%-24s %7.1fx real time (%.2f s), %lld events, %lld samples repaired, %.1f %% of click energy "
            "removed, result %.1f dB SER\n",
            s.name, audio / t, t, static_cast<long long>(filter.EventCount()),
            static_cast<long long>(filter.RepairedSamples()), 100 * q.removed, q.ser);
    }
    {
        // Both stages in a row, as the Clean stage runs them.
        CImpulse scratch, crackle;
        scratch.SetParams(settings[0].params);
        crackle.SetParams(settings[1].params);
        const std::string both = (dir / "both.wav").string();
        const double t0 = CpuSeconds(RUSAGE_SELF);
        const bool ok = RunFilter(scratch, dirty, outScratch) && RunFilter(crackle, outScratch, both);
        const double t = CpuSeconds(RUSAGE_SELF) - t0;
        const Quality q = Measure(clean, clicks, ReadWave(both));
        if (ok) {
            std::printf("%-24s %7.1fx real time (%.2f s), %.1f %% of click energy removed, result %.1f dB SER\n",
                        "scratch then crackle", audio / t, t, 100 * q.removed, q.ser);
        }
    }

    const double before = CpuSeconds(RUSAGE_CHILDREN);
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -i '" + dirty + "' -af adeclick '" + outFfmpeg + "' 2>/dev/null";
    const int rc = std::system(command.c_str());
    const double t = CpuSeconds(RUSAGE_CHILDREN) - before;
    if (rc == 0) {
        const Quality q = Measure(clean, clicks, ReadWave(outFfmpeg));
        std::printf("%-24s %7.1fx real time (%.2f s), %.1f %% of click energy removed, result %.1f dB SER\n",
                    "ffmpeg adeclick", audio / t, t, 100 * q.removed, q.ser);
    } else {
        std::printf("ffmpeg adeclick: not available (install ffmpeg)\n");
    }
    const Quality none = Measure(clean, clicks, clicks);
    std::printf("%-24s %31s result %.1f dB SER\n", "input as it is", "", none.ser);

    if (own) fs::remove_all(dir);
    return 0;
}
