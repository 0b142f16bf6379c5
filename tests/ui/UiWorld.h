// What every window test sets up: a program folder with its bins in a fresh
// temporary folder, settings and a store of its own, the Qt services answering
// questions without boxes, and songs made to order.
#pragma once

#include <QString>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"
#include "ui/QtServices.h"

struct UiWorld {
    UiWorld() {
        for (const std::string* folder :
             {&settings.Bin1Path, &settings.Bin2Path, &settings.Bin3Path, &settings.TempPath, &settings.PresetPath}) {
            std::filesystem::create_directories(*folder);
        }
        services.SetInteractive(false);
        SetServices(&services);
        SetSettings(&settings);
        SetProfile(&store);
    }
    ~UiWorld() {
        SetProfile(nullptr);
        SetSettings(nullptr);
        SetServices(nullptr);
    }

    // A stereo 16-bit song of seconds at 44100 Hz: a tone with a click every tenth of a second.
    static bool WriteSong(const std::string& path, double seconds) {
        const size_t frames = static_cast<size_t>(seconds * 44100);
        std::vector<int64_t> samples(frames * 2);
        for (size_t i = 0; i < frames; ++i) {
            const auto v = static_cast<int64_t>(6000 * std::sin(i * 0.0627) + (i % 4410 == 0 ? 24000 : 0));
            samples[2 * i] = v;
            samples[2 * i + 1] = v;
        }
        return WriteWave(path, 2, 44100, 16, samples);
    }

    TempDir root;
    AppSettings settings{root.File("Restova"), root.File("share")};
    CSettingsStore store{root.File("config/Restova.ini")};
    CSongList songs;
    CQtServices services{store};
};

// Where the screenshots go: $RESTOVA_SHOTS, else none.
inline QString ShotFolder() {
    return qEnvironmentVariable("RESTOVA_SHOTS");
}
