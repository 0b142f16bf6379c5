// A sound set-up for tests: headless services, a host with only virtual
// cards going as fast as their clients, the program's settings in a
// temporary folder, and a way to wait for posted messages.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "devices/AudioDevice.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "devices/VirtualCard.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&services);
        CancelFlag().store(false);
        settings.Bin1Path = dir.File("Bin1");
        std::filesystem::create_directories(settings.Bin1Path);
        SetSettings(&settings);
        host.VirtualCard().SetPace(0);
        host.VirtualCard().SetSink(dir.File("sink.wav"));
    }
    void TearDown() override {
        SetSettings(nullptr);
        SetServices(nullptr);
        CancelFlag().store(false);
    }

    // The engine for one back-end (WDM when wdm).
    std::unique_ptr<CAudioDevice> MakeDevice(bool wdm) {
        settings.UseWDM = wdm ? 1 : 0;
        return CreateAudioDevice(settings, host);
    }

    // Pumps posted messages until done holds; false after 20 s.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            services.WaitMessages(5);
        }
        return true;
    }

    TempDir dir;
    CHeadlessServices services;
    AppSettings settings{dir.Path().string(), dir.Path().string()};
    CAudioHost host{false};
};

// Interleaved 16-bit stereo samples: a tone of amplitude amp for seconds, or silence when amp is 0.
inline void AppendTone(std::vector<int64_t>& samples, uint32_t rate, double seconds, int amp) {
    const auto frames = static_cast<size_t>(seconds * rate);
    for (size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int64_t>(amp * ((i % 100) < 50 ? 1 : -1) * ((i % 7) + 1) / 7);
        samples.push_back(v);
        samples.push_back(-v);
    }
}
