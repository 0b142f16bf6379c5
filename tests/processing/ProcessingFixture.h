// What the processing tests share: a fixture with its own temporary, preset and
// settings folders, services a test can act through in the middle of a run, and
// a driver that feeds a filter block by block through in-memory waves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "processing/Filter.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
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

class ProcessingTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.TempPath = dir.File("temp");
        settings.PresetPath = dir.File("Presets");
        std::filesystem::create_directories(settings.TempPath);
        SetSettings(&settings);
        SetProfile(&profile);
        SetServices(&services);
        CancelFlag().store(false);
    }
    void TearDown() override {
        SetServices(nullptr);
        SetProfile(nullptr);
        SetSettings(nullptr);
        CancelFlag().store(false);
    }
    // The preset folder of one filter, made if missing.
    std::filesystem::path PresetFolder(const std::string& filter) const {
        const auto folder = std::filesystem::path(settings.PresetPath) / filter;
        std::filesystem::create_directories(folder);
        return folder;
    }
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(settings.TempPath)) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    TempDir dir;
    AppSettings settings{dir.Path().string(), dir.Path().string()};
    CSettingsStore profile{dir.File("Restova.ini")};
    CHookServices services;
};

// Runs a filter over interleaved values in blocks of `block` values through in-memory
// 16-bit waves that keep every value unclamped; every value it emits.
inline std::vector<int32_t> FeedFilter(CFilter& filter, const std::vector<int32_t>& in, int channels,
                                       uint32_t block = 4096) {
    CWaveFile src(block, 4096);
    CWaveFile out(1 << 16, 0);
    for (CWaveFile* w : {&src, &out}) {
        w->SetFormat(1, static_cast<uint16_t>(channels), 44100, 16);
        w->SetOutputMode(kOutNone);
        w->SetClipping(false);
    }
    std::vector<int32_t> result;
    auto collect = [&] {
        result.insert(result.end(), out.BlockStart(), out.EndCursor());
        out.KeepHistory();
    };
    EXPECT_TRUE(filter.Prepare(src, out));
    const size_t step = block / channels * channels;
    for (size_t at = 0; at < in.size(); at += step) {
        src.KeepHistory();
        for (size_t i = at; i < std::min(in.size(), at + step); ++i) src.PutSample(in[i]);
        EXPECT_TRUE(filter.Process(src, out));
        collect();
    }
    src.KeepHistory();
    EXPECT_TRUE(filter.Finish(src, out));
    collect();
    return result;
}
