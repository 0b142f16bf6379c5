// demo: synthesises a worn recording of two short songs, so that the whole
// restoration can be tried without a turntable: musical tones with clicks,
// crackle, hiss and mains hum on top, and a quiet gap between the songs.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr double kSeconds = 20.0;
constexpr const char* kDemoName = "Demo Record.wav";
constexpr const char* kCleanedName = "Demo Record (cleaned).wav";

// A fixed-seed generator, so that every run writes the same file.
class CDemoNoise {
public:
    double Uniform() {  // [0, 1)
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return static_cast<double>((m_state * 2685821657736338717ull) >> 11) * 0x1.0p-53;
    }
    double Between(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    double Gauss() {  // unit variance, from twelve uniforms
        double sum = 0;
        for (int i = 0; i < 12; ++i) sum += Uniform();
        return sum - 6.0;
    }

private:
    uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

struct Note {
    double start;   // seconds
    double length;  // seconds
    double freq;    // Hz
    double level;   // peak, full scale 1
    double pan;     // 0 = left, 1 = right
};

double Midi(int key) {
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

// Two songs: a bright one in C major from 0.5 s to 9.5 s, a slower one in A
// minor from 11.5 s to 19.5 s, with only surface noise in between.
std::vector<Note> Score() {
    std::vector<Note> notes;
    const int tune1[] = {60, 64, 67, 72, 71, 67, 64, 62, 60, 64, 67, 69, 67, 65, 64, 62, 60, 62};
    for (int i = 0; i < 18; ++i) notes.push_back({0.5 + i * 0.5, 0.48, Midi(tune1[i]), 0.45, 0.35});
    const int bass1[] = {36, 41, 43, 36, 41};
    for (int i = 0; i < 5; ++i) notes.push_back({0.5 + i * 1.8, 1.75, Midi(bass1[i]), 0.5, 0.6});
    const int tune2[] = {69, 72, 76, 74, 72, 71, 69, 68, 69, 64, 69, 72};
    for (int i = 0; i < 12; ++i) notes.push_back({11.5 + i * (2.0 / 3.0), 0.64, Midi(tune2[i]), 0.4, 0.65});
    const int bass2[] = {45, 41, 40, 45};
    for (int i = 0; i < 4; ++i) notes.push_back({11.5 + i * 2.0, 1.95, Midi(bass2[i]), 0.5, 0.4});
    return notes;
}

// Interleaved stereo samples, full scale 1.
std::vector<float> Synthesise() {
    const size_t frames = static_cast<size_t>(kSeconds * kRate);
    std::vector<float> out(frames * kChannels, 0.0f);
    constexpr double kTwoPi = 2.0 * std::numbers::pi;

    for (const Note& n : Score()) {
        const size_t first = static_cast<size_t>(n.start * kRate);
        const size_t count = static_cast<size_t>(n.length * kRate);
        for (size_t i = 0; i < count && first + i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double attack = std::min(1.0, t / 0.01);
            const double release = std::min(1.0, (n.length - t) / 0.02);
            const double env = attack * release * std::exp(-t / 0.6);
            double v = 0;
            const double harmonics[] = {1.0, 0.5, 0.3, 0.15};
            for (int h = 0; h < 4; ++h) v += harmonics[h] * std::sin(kTwoPi * n.freq * (h + 1) * t);
            v *= n.level * env / 1.95;
            out[(first + i) * 2] += static_cast<float>(v * (1.0 - n.pan));
            out[(first + i) * 2 + 1] += static_cast<float>(v * n.pan);
        }
    }

    CDemoNoise rng;
    for (size_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        // Mains hum with its third harmonic, the same on both sides.
        const double hum = 0.012 * std::sin(kTwoPi * 50.0 * t) + 0.004 * std::sin(kTwoPi * 150.0 * t);
        for (int c = 0; c < kChannels; ++c) {
            double v = hum + 0.006 * rng.Gauss();  // hiss
            // Crackle: dense small ticks, about 40 a second on each side.
            if (rng.Uniform() < 40.0 / kRate) v += (rng.Uniform() < 0.5 ? -1 : 1) * rng.Between(0.01, 0.06);
            out[f * 2 + c] += static_cast<float>(v);
        }
    }

    // Clicks: about one and a half a second, a short ringing spike on both sides.
    const int clicks = static_cast<int>(kSeconds * 1.5);
    for (int k = 0; k < clicks; ++k) {
        const size_t at = static_cast<size_t>(rng.Uniform() * (frames - 64));
        const double amp = rng.Between(0.3, 0.85) * (rng.Uniform() < 0.5 ? -1 : 1);
        const int length = static_cast<int>(rng.Between(6, 40));
        const double other = rng.Between(0.7, 1.0);
        for (int i = 0; i < length; ++i) {
            const double v = amp * std::exp(-3.0 * i / length) * std::cos(std::numbers::pi * i * 0.7);
            out[(at + i) * 2] += static_cast<float>(v);
            out[(at + i) * 2 + 1] += static_cast<float>(v * other);
        }
    }
    return out;
}

// Writes the samples as 16-bit PCM; 0 or a file error code. A cancelled or
// failed write leaves no file behind.
int WriteDemo(const std::string& path, const std::vector<float>& samples) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, kChannels, kRate, 16);
    int rc = wave.OpenWrite(path, fmt, kWriteCreate);
    if (rc != kFileOk) return rc;
    std::vector<uint8_t> bytes;
    const size_t block = kRate * kChannels;  // one second
    for (size_t first = 0; first < samples.size() && rc == kFileOk; first += block) {
        if (CancelFlag().load()) {
            rc = -1;
            break;
        }
        const size_t count = std::min(block, samples.size() - first);
        bytes.resize(count * 2);
        for (size_t i = 0; i < count; ++i) {
            const double v = std::lround(std::clamp(static_cast<double>(samples[first + i]), -1.0, 1.0) * 32767.0);
            const auto s = static_cast<uint16_t>(static_cast<int16_t>(v));
            bytes[i * 2] = static_cast<uint8_t>(s & 0xFF);
            bytes[i * 2 + 1] = static_cast<uint8_t>(s >> 8);
        }
        if (wave.Write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
            rc = kErrWrite;
        }
    }
    if (rc == kFileOk) rc = wave.FinishWrite();
    wave.Close();
    if (rc != kFileOk) ::unlink(path.c_str());
    return rc;
}

int RunDemo(std::string dir) {
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/restova-demo-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr, "restova-cli: cannot create a folder in %s\n", tmp && tmp[0] ? tmp : "/tmp");
            return 1;
        }
        dir = pattern;
    } else {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            std::fprintf(stderr, "restova-cli: cannot create the folder %s\n", dir.c_str());
            return 1;
        }
    }
    const std::string path = (dir.back() == '/' ? dir : dir + "/") + kDemoName;

    const int rc = WriteDemo(path, Synthesise());
    if (rc < 0) return 1;  // cancelled; main reports it
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, path);
        return 1;
    }
    std::printf("Demo recording: %s\n\n", path.c_str());
    if (PrintFileInfo(path) != kFileOk) return 1;

    // Restoring starts with the Clean stage (clicks, crackle, hum, hiss), hum set to the demo's 50 Hz.
    const std::string cleaned = (dir.back() == '/' ? dir : dir + "/") + kCleanedName;
    std::printf("\nCleaned: %s\n", cleaned.c_str());
    std::fflush(stdout);
    CleanRequest clean;
    clean.in = path;
    clean.out = cleaned;
    clean.hum = 2;
    clean.replaceOut = true;  // the demo's own file of an earlier run
    return RunClean(clean);
}

}  // namespace

CommandRun DeclareDemo(CLI::App& sub) {
    auto dir = std::make_shared<std::string>();
    sub.add_option("DIR", *dir, "the folder to write into (default: a new temporary folder)");
    return [dir] { return RunDemo(*dir); };
}
