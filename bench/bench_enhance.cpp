// Speed of the Enhance stage, and what its shipped presets do to music-like
// material: level change, crest factor, spectral tilt and clipped samples.
// Run by hand: build-*/bench/bench_enhance [PRESET...]
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/WaveFile.h"
#include "dsp/Biquad.h"
#include "dsp/FilterDesign.h"
#include "enhance/TaviEnhance.h"
#include "processing/FilterRunner.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr double kFull = 8388608.0;
constexpr double kPi = 3.14159265358979323846;

// Runs a filter over interleaved stereo samples block by block in memory.
std::vector<int32_t> RunInMemory(CFilter& filter, const std::vector<int32_t>& in) {
    CWaveFile source(4096, 4096);
    CWaveFile output(8192, 0);
    source.SetFormat(1, 2, kRate, 16);
    output.SetFormat(1, 2, kRate, 16);
    std::vector<int32_t> out;
    out.reserve(in.size());
    if (!filter.Prepare(source, output)) return out;
    for (size_t at = 0; at < in.size(); at += 4096) {
        source.Close();
        const size_t n = std::min<size_t>(4096, in.size() - at);
        for (size_t i = 0; i < n; ++i) source.PutSample(in[at + i]);
        filter.Process(source, output);
        out.insert(out.end(), output.BlockStart(), output.EndCursor());
        output.Close();
    }
    filter.Finish(source, output);
    out.insert(out.end(), output.BlockStart(), output.EndCursor());
    return out;
}

// A stereo mix of kick, snare, hats, bass line, chords and a lead at 120 bpm, RMS -18 dBFS.
std::vector<double> Music(double seconds, uint32_t seed) {
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<double> mix(2 * frames, 0.0);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double bass[] = {55.0, 73.42, 82.41, 65.41};
    const double chords[][3] = {
        {220.0, 277.18, 329.63}, {293.66, 369.99, 440.0}, {329.63, 415.3, 493.88}, {261.63, 329.63, 392.0}};
    const double lead[] = {659.25, 587.33, 523.25, 587.33, 659.25, 783.99, 880.0, 783.99};
    double hpState = 0.0, prevNoise = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double beat = std::fmod(t, 0.5);
        const double eighth = std::fmod(t, 0.25);
        const int bar = static_cast<int>(t / 2.0) % 4;
        // Kick: a falling sine on each beat.
        const double kick =
            0.6 * std::exp(-beat / 0.12) * std::sin(2 * kPi * (50.0 * beat + 3.0 * (1 - std::exp(-beat / 0.03))));
        // Snare and hats: noise bursts, the hats differentiated to sit high.
        const double n = noise(rng);
        hpState = n - prevNoise;
        prevNoise = n;
        const double snareT = std::fmod(t + 0.5, 1.0);
        const double snare = 0.25 * std::exp(-snareT / 0.06) * n;
        const double hat = 0.08 * std::exp(-eighth / 0.02) * hpState;
        // Bass: five harmonics, plucked each beat.
        double b = 0.0;
        for (int h = 1; h <= 5; ++h) b += std::sin(2 * kPi * bass[bar] * h * t) / h;
        b *= 0.22 * (0.4 + 0.6 * std::exp(-beat / 0.3));
        // Chords: three voices of eight harmonics, one left, one right, one centre.
        double c[3] = {0, 0, 0};
        for (int v = 0; v < 3; ++v) {
            for (int h = 1; h <= 8; ++h) c[v] += std::sin(2 * kPi * chords[bar][v] * h * t) / std::pow(h, 1.5);
            c[v] *= 0.07;
        }
        // Lead: a vibrato line of quarter notes.
        const double f = lead[static_cast<int>(t / 0.5) % 8] * (1.0 + 0.004 * std::sin(2 * kPi * 5.5 * t));
        double l = 0.0;
        for (int h = 1; h <= 6; ++h) l += std::sin(2 * kPi * f * h * t) / (h * h);
        l *= 0.12 * std::min(1.0, beat / 0.02);
        mix[2 * i] = kick + snare + 0.7 * hat + b + c[0] + 0.5 * c[2] + 0.8 * l;
        mix[2 * i + 1] = kick + snare + 1.3 * hat + b + c[1] + 0.5 * c[2] + 1.2 * l;
    }
    double sum = 0.0;
    for (double v : mix) sum += v * v;
    const double rms = std::sqrt(sum / mix.size());
    const double scale = std::pow(10.0, -18.0 / 20.0) / rms;
    for (double& v : mix) v *= scale;
    return mix;
}

void Filter(std::vector<double>& x, const dsp::BiquadCoeffs& c) {
    CBiquad l(c), r(c);
    for (size_t i = 0; i + 1 < x.size(); i += 2) {
        x[i] = l.Process(x[i]);
        x[i + 1] = r.Process(x[i + 1]);
    }
}

void AddHiss(std::vector<double>& x, double dbfs, double highPassHz, uint32_t seed) {
    std::vector<double> h(x.size());
    std::mt19937 rng(seed);
    std::normal_distribution<double> d(0.0, std::pow(10.0, dbfs / 20.0));
    for (double& v : h) v = d(rng);
    Filter(h, dsp::DesignHighpass(highPassHz, 0.707, kRate));
    for (size_t i = 0; i < x.size(); ++i) x[i] += h[i];
}

struct Material {
    const char* name;
    std::vector<int32_t> samples;
};

std::vector<Material> Materials(double seconds) {
    const std::vector<double> music = Music(seconds, 7);
    std::vector<Material> out;
    auto add = [&](const char* name, std::vector<double> x) {
        // Back to -18 dBFS after the shaping, as a transfer would level it.
        double sum = 0.0;
        for (double v : x) sum += v * v;
        const double scale = std::pow(10.0, -18.0 / 20.0) / std::sqrt(sum / x.size());
        std::vector<int32_t> s(x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            s[i] = static_cast<int32_t>(std::clamp(x[i] * scale * kFull, -kFull, kFull - 1));
        }
        out.push_back({name, std::move(s)});
    };
    add("full range", music);
    std::vector<double> thin = music;  // shellac: no deep bass, no air, surface hiss
    Filter(thin, dsp::DesignHighpass(200.0, 0.707, kRate));
    Filter(thin, dsp::DesignHighpass(200.0, 0.707, kRate));
    Filter(thin, dsp::DesignLowpass(5000.0, 0.707, kRate));
    Filter(thin, dsp::DesignLowpass(5000.0, 0.707, kRate));
    AddHiss(thin, -42.0, 2000.0, 3);
    add("thin 78", thin);
    std::vector<double> dull = music;  // worn tape: the top rolled off early, a little hiss
    Filter(dull, dsp::DesignLowpass(3500.0, 0.707, kRate));
    Filter(dull, dsp::DesignLowpass(5000.0, 0.707, kRate));
    AddHiss(dull, -55.0, 4000.0, 5);
    add("dull tape", dull);
    std::vector<double> bright = music;  // bright LP: a lifted, edgy top
    Filter(bright, dsp::DesignHighShelf(4000.0, 6.0, kRate));
    Filter(bright, dsp::DesignPeaking(2500.0, 3.0, 1.0, kRate));
    add("bright LP", bright);
    return out;
}

struct Measures {
    double rmsDb = 0, crestDb = 0, lowDb = 0, highDb = 0;
    size_t clipped = 0;
};

double Db(double power) {
    return 10.0 * std::log10(std::max(power, 1e-30));
}

Measures Measure(const std::vector<int32_t>& s) {
    Measures m;
    std::vector<double> x(s.size()), low, high;
    double sum = 0.0, peak = 0.0;
    for (size_t i = 0; i < s.size(); ++i) {
        x[i] = s[i] / kFull;
        sum += x[i] * x[i];
        peak = std::max(peak, std::fabs(x[i]));
        if (s[i] >= 8388607 || s[i] <= -8388608) ++m.clipped;
    }
    low = x;
    Filter(low, dsp::DesignLowpass(200.0, 0.707, kRate));
    Filter(low, dsp::DesignLowpass(200.0, 0.707, kRate));
    high = x;
    Filter(high, dsp::DesignHighpass(4000.0, 0.707, kRate));
    Filter(high, dsp::DesignHighpass(4000.0, 0.707, kRate));
    double sl = 0.0, sh = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        sl += low[i] * low[i];
        sh += high[i] * high[i];
    }
    const double n = static_cast<double>(std::max<size_t>(x.size(), 1));
    m.rmsDb = Db(sum / n);
    m.crestDb = 20.0 * std::log10(std::max(peak, 1e-15)) - m.rmsDb;
    m.lowDb = Db(sl / n) - m.rmsDb;
    m.highDb = Db(sh / n) - m.rmsDb;
    return m;
}

void ReportPresets(const std::vector<std::string>& names) {
    const std::vector<Material> materials = Materials(12.0);
    std::printf("%-10s %-11s %8s %8s %8s %8s %8s\n", "preset", "material", "level dB", "crest in", "crest out",
                "low dB", "high dB");
    std::printf("%-10s %-11s %8s %8s %8s %8s %8s  (low/high: change of the band's share; clipped samples)\n", "", "",
                "", "", "", "", "");
    for (const std::string& name : names) {
        for (const Material& material : materials) {
            CTaviEnhance enhancer;
            if (enhancer.LoadPreset(name) != 0) {
                std::printf("%-10s cannot be loaded\n", name.c_str());
                return;
            }
            const Measures in = Measure(material.samples);
            const Measures out = Measure(RunInMemory(enhancer, material.samples));
            std::printf("%-10s %-11s %+8.2f %8.2f %9.2f %+8.2f %+8.2f  %zu\n", name.c_str(), material.name,
                        out.rmsDb - in.rmsDb, in.crestDb, out.crestDb, out.lowDb - in.lowDb, out.highDb - in.highDb,
                        out.clipped);
        }
    }
}

void BenchSpeed() {
    const double seconds = 60.0;
    const std::vector<Material> materials = Materials(seconds);
    const std::vector<int32_t>& song = materials[0].samples;
    CTaviEnhance enhancer;
    enhancer.LoadPreset("Default");
    auto t0 = BenchClock::now();
    double c0 = CpuSeconds();
    const std::vector<int32_t> out = RunInMemory(enhancer, song);
    double memory = Seconds(t0), cpu = CpuSeconds() - c0;
    std::printf("Enhance, 60 s of 44.1 kHz stereo in memory: %.3f s CPU (%.0fx real time), %.3f s wall\n", cpu,
                seconds / cpu, memory);

    // The same through the runner, from a 16-bit wave into a new 16-bit wave.
    const std::string dir =
        std::filesystem::temp_directory_path().string() + "/bench_enhance_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const std::string in = dir + "/song.wav";
    {
        CWaveFile w;
        WAVEFORMATEX f = MakeWaveFormat(1, 2, kRate, 16);
        if (w.OpenWrite(in, f, kWriteCreate) != kFileOk) return;
        w.SetOutputMode(kOutFile);
        w.PrepareDirectWrite();
        for (int32_t v : song) w.PutSample(v);
        w.FinishDirectWrite(1);
        w.Close();
    }
    Settings().TempPath = dir;
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    if (source.OpenRead(in) != kFileOk) return;
    CFilterRunner runner;
    runner.SetSource(&source);
    t0 = BenchClock::now();
    c0 = CpuSeconds();
    const bool ok = runner.RunFilter(0, 0, &enhancer, nullptr, false);
    const double file = Seconds(t0);
    cpu = CpuSeconds() - c0;
    std::printf("Enhance through the runner, 16-bit wave to wave: %.3f s CPU (%.0fx real time), %.3f s wall%s\n", cpu,
                seconds / cpu, file, ok ? "" : " (run failed)");
    source.Close();
    source.Session().DiscardSession(false);
    std::filesystem::remove_all(dir);

    // Digital silence: the filters must not slow down on denormal numbers.
    std::vector<int32_t> silence(song.size(), 0);
    c0 = CpuSeconds();
    RunInMemory(enhancer, silence);
    cpu = CpuSeconds() - c0;
    std::printf("Enhance, 60 s of digital silence in memory: %.3f s CPU (%.0fx real time)\n", cpu, seconds / cpu);
}

}  // namespace

int main(int argc, char** argv) {
    AppSettings settings;
    settings.PresetPath = CProgramPaths::Join(CProgramPaths::ShareFolder(), "Presets");
    SetSettings(&settings);
    std::vector<std::string> names(argv + 1, argv + argc);
    // "speed" alone skips the preset report.
    if (names.empty()) names = {"Default", "Thin 78", "Dull Tape", "Bright LP"};
    if (names != std::vector<std::string>{"speed"}) ReportPresets(names);
    BenchSpeed();
    SetSettings(nullptr);
    return 0;
}
