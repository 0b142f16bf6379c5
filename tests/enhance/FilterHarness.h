// What the enhance tests share: a filter run in memory block by block, test
// signals, and a fixture with the temporary, settings and services a run
// through the runner needs.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

#include "audiofile/WaveFile.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "support/TempDir.h"

// Runs filter over interleaved 24-bit samples in memory, block samples at a time; beforeBlock
// is called with each block's first index.
inline std::vector<int32_t> RunBlocks(CFilter& filter, uint16_t channels, const std::vector<int32_t>& in,
                                      uint32_t block = 4096, const std::function<void(size_t)>& beforeBlock = {}) {
    CancelFlag().store(false);
    CWaveFile source(block, 4096);
    CWaveFile output(block, 0);
    source.SetFormat(1, channels, 44100, 24);
    output.SetFormat(1, channels, 44100, 24);
    std::vector<int32_t> out;
    EXPECT_TRUE(filter.Prepare(source, output));
    for (size_t at = 0; at < in.size(); at += block) {
        if (beforeBlock) beforeBlock(at);
        source.Close();
        for (size_t i = at; i < std::min(in.size(), at + block); ++i) source.PutSample(in[i]);
        EXPECT_TRUE(filter.Process(source, output));
        out.insert(out.end(), output.BlockStart(), output.EndCursor());
        output.Close();
    }
    EXPECT_TRUE(filter.Finish(source, output));
    out.insert(out.end(), output.BlockStart(), output.EndCursor());
    return out;
}

inline std::vector<int32_t> Noise(size_t count, double amplitude, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    std::vector<int32_t> v(count);
    for (auto& s : v) s = static_cast<int32_t>(d(rng));
    return v;
}

// Interleaved sine of f cycles per frame and amplitude a (as stored), channel c shifted by c * phase.
inline std::vector<int64_t> SineWave(size_t frames, int channels, double f, double a, double phase = 0) {
    std::vector<int64_t> s(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = std::llround(a * std::sin(2 * M_PI * f * i + c * phase));
    }
    return s;
}

// Runs filter through the runner over [start, end) of the wave in (bytes; 0, 0 = all), editing
// the channels given, and commits the song's new audio into out; false on any failure.
inline bool RunIntoFile(CFilter& filter, const std::string& in, const std::string& out, uint32_t start = 0,
                        uint32_t end = 0, bool editLeft = true, bool editRight = true) {
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    if (source.OpenRead(in) != kFileOk) return false;
    CFilterRunner runner;
    runner.SetSource(&source);
    runner.SetEditChannels(editLeft, editRight);
    bool ok = runner.RunFilter(start, end, &filter, nullptr, false);
    if (ok) ok = source.Session().CommitSession(out);
    source.Close();
    source.Session().DiscardSession(false);
    return ok;
}

// Temporary folder, settings and services for runs through the runner and sessions.
template <class Services = CHeadlessServices>
class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        settings.TempPath = dir.File("temp");
        std::filesystem::create_directories(settings.TempPath);
        SetSettings(&settings);
        SetServices(&services);
        CancelFlag().store(false);
    }
    void TearDown() override {
        CancelFlag().store(false);
        SetServices(nullptr);
        SetSettings(nullptr);
    }

    TempDir dir;
    AppSettings settings{dir.Path().string(), dir.Path().string()};
    Services services;
};
