// What the filter tests share: a fixture with its own temporary, preset and
// settings folders and services a test can act through in the middle of a
// run; one driver that feeds a filter the way the runner does; a run through
// the runner into a file; and test signals.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"
#include "support/TempDir.h"

// Headless services that let a test act in the middle of a run, where the
// interface would handle a click: every block pumps the messages once.
class CHookServices : public CHeadlessServices {
public:
    void PumpMessages() override {
        CHeadlessServices::PumpMessages();
        if (onPump) onPump(Pumps());
    }
    std::function<void(int)> onPump;
};

// Temporary, preset and settings folders, settings and services for a test; all removed afterwards.
class ProcessingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The preset folder of one filter, made if missing.
    std::filesystem::path PresetFolder(const std::string& filter) const;
    // The files in the temporary folder, less this process's own record of them.
    std::vector<std::string> TempFiles() const;

    TempDir dir;
    AppSettings settings{dir.Path().string(), dir.File("share")};
    CSettingsStore profile{dir.File("Restova.ini")};
    CHookServices services;
};

struct FeedOptions {
    uint32_t block = 4096;                         // samples per source block
    uint32_t startFrame = 0, endFrame = 0;         // the range fed; 0, 0 = all
    bool clamp = false;                            // the output clamps to full scale (and says so) as a file does
    std::function<void(size_t)> beforeBlock = {};  // called with each block's first sample, from the range start
};

// Feeds filter over interleaved 24-bit samples the way the runner does: from a wave, block by
// block, with the history and lookahead it asks for (silence in front of a range at the start);
// every value it emits, in order. Every call is expected to succeed.
std::vector<int32_t> FeedFilter(CFilter& filter, const std::vector<int32_t>& in, int channels,
                                const FeedOptions& options = {});
// The same over a wave that exists already.
std::vector<int32_t> FeedFilterFrom(CFilter& filter, const std::string& wave, const FeedOptions& options = {});

// Bypass hands stereo in through whole; with the right channel untouched the right comes through
// whole and the left is processed. Both flags are down again afterwards; the output of the second run.
std::vector<int32_t> ExpectFlagsPassTheInput(CFilter& filter, const std::vector<int32_t>& in);

// Runs filter through the runner over [start, end) of the wave in (bytes; 0, 0 = all), editing
// the channels given, and commits the song's new audio into out; false on any failure.
bool RunIntoFile(CFilter& filter, const std::string& in, const std::string& out, uint32_t start = 0, uint32_t end = 0,
                 bool editLeft = true, bool editRight = true);

// Uniform noise of the given peak, count values.
std::vector<int32_t> Noise(size_t count, double amplitude, uint32_t seed = 1);
// Interleaved sine of f cycles per frame and amplitude a (as stored), channel c shifted by c * phase.
std::vector<int64_t> SineWave(size_t frames, int channels, double f, double a, double phase = 0);
// The root mean square over frames [from, to) of one channel.
double Rms(const std::vector<int32_t>& v, size_t from, size_t to, int channels = 1, int channel = 0);
// The same as internal samples: hz at 44.1 kHz, amplitude a on the 24-bit scale.
std::vector<int32_t> Tone(double hz, size_t frames, int channels, double a, double phase = 0);
