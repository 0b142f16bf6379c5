// Speed and quality of the Clean stage beside ffmpeg (adeclick, then afftdn)
// and SoX (noisered with a profile learned from the lead-in), on one minute
// of a synthetic worn recording: a clean music-like reference plus clicks,
// crackle, hiss at -45 dBFS and 60 Hz hum with harmonics.
// The command-line rows run on two threads unless marked; "in memory" is one thread.
// Run by hand: build-*/bench/bench_clean [path to restova-cli]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/WaveFile.h"
#include "processing/TaviClean.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The reference: notes with harmonics and decaying envelopes, a bass line, both sides
// panned differently; after a one-second lead-in of silence (the groove before the music).
std::vector<double> Reference() {
    const size_t frames = size_t{kRate} * kSeconds;
    std::vector<double> v(frames * 2, 0.0);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> key(55, 79);
    for (double start = 1.0; start < kSeconds - 0.5; start += 0.25) {
        const double freq = 440.0 * std::pow(2.0, (key(rng) - 69) / 12.0);
        const double pan = (key(rng) - 55) / 24.0;
        const size_t first = static_cast<size_t>(start * kRate);
        for (size_t i = 0; i < size_t{kRate} && first + i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double env = std::min(1.0, t / 0.01) * std::exp(-t / 0.35);
            const double x = 0.09 * env *
                             (std::sin(kTwoPi * freq * t) + 0.4 * std::sin(kTwoPi * 2 * freq * t) +
                              0.2 * std::sin(kTwoPi * 3 * freq * t));
            v[(first + i) * 2] += x * (1.0 - pan);
            v[(first + i) * 2 + 1] += x * pan;
        }
    }
    for (size_t f = kRate; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double bassFreq = 55.0 * std::pow(2.0, ((static_cast<int>(t) % 4) * 5 % 12) / 12.0);
        const double bass = 0.12 * std::sin(kTwoPi * bassFreq * t) * (0.6 + 0.4 * std::sin(kTwoPi * 0.5 * t));
        v[f * 2] += bass;
        v[f * 2 + 1] += bass;
    }
    return v;
}

std::vector<double> Damage(const std::vector<double>& ref) {
    std::vector<double> v = ref;
    const size_t frames = v.size() / 2;
    std::mt19937 rng(5);
    std::normal_distribution<double> gauss(0.0, std::pow(10.0, -45.0 / 20.0));
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    for (size_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double hum = 0.006 * std::sin(kTwoPi * 60 * t) + 0.003 * std::sin(kTwoPi * 120 * t + 0.3) +
                           0.002 * std::sin(kTwoPi * 180 * t + 1.1);
        for (int c = 0; c < 2; ++c) {
            double x = hum + gauss(rng);
            if (uni(rng) < 30.0 / kRate) x += (uni(rng) < 0.5 ? -1 : 1) * (0.01 + 0.04 * uni(rng));  // crackle
            v[f * 2 + c] += x;
        }
    }
    for (int k = 0; k < kSeconds * 3 / 2; ++k) {  // clicks
        const size_t at = static_cast<size_t>(uni(rng) * (frames - 64));
        const double amp = (0.3 + 0.5 * uni(rng)) * (uni(rng) < 0.5 ? -1 : 1);
        const int length = 6 + static_cast<int>(30 * uni(rng));
        for (int i = 0; i < length; ++i) {
            const double x = amp * std::exp(-3.0 * i / length) * std::cos(std::numbers::pi * i * 0.7);
            v[(at + i) * 2] += x;
            v[(at + i) * 2 + 1] += 0.8 * x;
        }
    }
    return v;
}

void Put16(std::ofstream& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool WriteWav16(const std::string& path, const std::vector<double>& v) {
    std::ofstream out(path, std::ios::binary);
    const uint32_t data = static_cast<uint32_t>(v.size() * 2);
    out.write("RIFF", 4);
    Put16(out, 36 + data, 4);
    out.write("WAVEfmt ", 8);
    Put16(out, 16, 4);
    Put16(out, 1, 2);
    Put16(out, 2, 2);
    Put16(out, kRate, 4);
    Put16(out, kRate * 4, 4);
    Put16(out, 4, 2);
    Put16(out, 16, 2);
    out.write("data", 4);
    Put16(out, data, 4);
    for (double x : v) {
        const auto s = static_cast<int16_t>(std::lround(std::clamp(x, -1.0, 32767.0 / 32768.0) * 32768.0));
        Put16(out, static_cast<uint16_t>(s), 2);
    }
    return static_cast<bool>(out);
}

// 16-bit PCM samples of a wave (any chunks before "data"), full scale 1; empty when unreadable.
std::vector<double> ReadWav16(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), {});
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
               static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
    };
    std::vector<double> v;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = u32(at + 4);
        if (std::string(&b[at], 4) == "data") {
            const size_t n = std::min<size_t>(size, b.size() - at - 8) / 2;
            v.resize(n);
            for (size_t i = 0; i < n; ++i) {
                const auto s = static_cast<int16_t>(static_cast<uint8_t>(b[at + 8 + 2 * i]) |
                                                    static_cast<uint8_t>(b[at + 9 + 2 * i]) << 8);
                v[i] = s / 32768.0;
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return v;
}

// SNR of out against the reference in dB, at the best lag within +-64 frames (peers may shift).
double Snr(const std::vector<double>& ref, const std::vector<double>& out) {
    double best = -1e9;
    for (int lag = -64; lag <= 64; ++lag) {
        double s = 0, e = 0;
        for (size_t i = 2 * kRate; i + 2 * kRate < ref.size(); ++i) {
            const int64_t j = static_cast<int64_t>(i) + 2 * lag;
            if (j < 0 || static_cast<size_t>(j) >= out.size()) continue;
            s += ref[i] * ref[i];
            e += (out[j] - ref[i]) * (out[j] - ref[i]);
        }
        best = std::max(best, 10.0 * std::log10(s / std::max(e, 1e-30)));
    }
    return best;
}

int Run(const std::string& command) {
    const int raw = std::system((command + " >/dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The composite alone over the signal in memory, in the runner's block size; seconds taken.
double FilterOnly(const std::vector<double>& signal, int hum) {
    CWaveFile src(4096, 4096);
    CWaveFile out(1 << 16, 0);
    for (CWaveFile* w : {&src, &out}) {
        w->SetFormat(1, 2, kRate, 16);
        w->SetOutputMode(kOutNone);
    }
    CTaviClean clean;
    clean.SetParams({500, 600, 20, hum, 0, 0, 0, 0, 0, 0, 0});
    std::vector<int32_t> in(signal.size());
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int32_t>(signal[i] * 8388352.0);
    const auto start = BenchClock::now();
    if (!clean.Prepare(src, out)) return -1;
    for (size_t at = 0; at < in.size(); at += 4096) {
        src.KeepHistory();
        for (size_t i = at; i < std::min(in.size(), at + 4096); ++i) src.PutSample(in[i]);
        clean.Process(src, out);
        out.KeepHistory();
    }
    clean.Finish(src, out);
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path self = fs::absolute(argv[0]);
    const std::string cli = argc > 1 ? argv[1] : (self.parent_path().parent_path() / "app" / "restova-cli").string();
    const CBenchFolder work(nullptr, "bench-clean");
    if (!work.Ok()) return 1;
    const fs::path dir = work.Path();
    const std::string ref = (dir / "reference.wav").string(), bad = (dir / "damaged.wav").string();

    const std::vector<double> reference = Reference();
    if (!WriteWav16(ref, reference) || !WriteWav16(bad, Damage(reference))) return 1;
    const std::vector<double> r = ReadWav16(ref), d = ReadWav16(bad);
    const double base = Snr(r, d);
    std::printf("one minute, 44.1 kHz 16-bit stereo; damaged SNR %.2f dB against the reference\n\n", base);
    std::printf("%-44s %10s %10s %12s\n", "", "seconds", "x realtime", "SNR gain dB");

    const std::string env = "RESTOVA_HOME=" + (dir / "home").string() + " XDG_CONFIG_HOME=" + (dir / "cfg").string();
    struct Job {
        const char* name;
        std::string command;
        std::string output;
    };
    const std::string q = "'";
    const std::vector<Job> jobs = {
        {"restova-cli clean (Default preset)",
         env + " " + q + cli + q + " --quiet clean " + bad + " " + (dir / "restova.wav").string(),
         (dir / "restova.wav").string()},
        {"restova-cli clean --hum 60",
         env + " " + q + cli + q + " --quiet clean " + bad + " " + (dir / "restova-hum.wav").string() + " --hum 60",
         (dir / "restova-hum.wav").string()},
        {"restova-cli clean, one thread",
         env + " RESTOVA_THREADS=1 " + q + cli + q + " --quiet clean " + bad + " " + (dir / "restova-1.wav").string(),
         (dir / "restova-1.wav").string()},
        {"restova-cli clean --hum 60, one thread",
         env + " RESTOVA_THREADS=1 " + q + cli + q + " --quiet clean " + bad + " " + (dir / "restova-hum-1.wav").string() +
             " --hum 60",
         (dir / "restova-hum-1.wav").string()},
        {"restova-cli clean --hiss 0 (clicks only)",
         env + " " + q + cli + q + " --quiet clean " + bad + " " + (dir / "restova-clicks.wav").string() + " --hiss 0",
         (dir / "restova-clicks.wav").string()},
        {"ffmpeg adeclick,afftdn",
         "ffmpeg -nostdin -y -loglevel error -i " + bad + " -af adeclick,afftdn " + (dir / "ffmpeg.wav").string(),
         (dir / "ffmpeg.wav").string()},
        {"sox noiseprof (lead-in) + noisered 0.21",
         "sox " + bad + " -n trim 0 0.9 noiseprof " + (dir / "prof").string() + " && sox " + bad + " " +
             (dir / "sox.wav").string() + " noisered " + (dir / "prof").string() + " 0.21",
         (dir / "sox.wav").string()},
    };
    for (const Job& job : jobs) {
        const auto start = BenchClock::now();
        const int rc = Run(job.command);
        const double took = Seconds(start);
        const std::vector<double> o = ReadWav16(job.output);
        if (rc != 0 || o.empty()) {
            std::printf("%-44s failed (exit %d)\n", job.name, rc);
            continue;
        }
        std::printf("%-44s %10.2f %10.1f %12.2f\n", job.name, took, kSeconds / took, Snr(r, o) - base);
    }
    for (int hum : {0, 1}) {
        const double took = FilterOnly(d, hum);
        std::printf("%-44s %10.2f %10.1f %12s\n", hum ? "clean filter in memory, hum 60" : "clean filter in memory",
                    took, kSeconds / took, "");
    }
    return 0;
}
