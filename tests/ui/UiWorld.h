// What every window test sets up: a program folder with its bins in a fresh
// temporary folder, settings and a store of its own, the Qt services answering
// questions without boxes, and songs made to order.
#pragma once

#include <QString>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "devices/Player.h"
#include "shell/ShellDlg.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"
#include "ui/QtServices.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"

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

// The window over a world, after these clicks.
struct UiSession {
    UiSession(UiWorld& world, const char* script, CPlayer* player = nullptr)
        : shell(world.settings, world.store, world.songs), window(shell, world.settings) {
        if (player) shell.SetPlayer(player);
        shell.SetCdDrives(false);  // only the image recorder: no test touches the machine's drives
        world.services.SetMainWindow(&window);
        window.show();
        shell.OnInitDialog();
        Play(script);
    }
    // Plays more clicks; false once one could not be played.
    bool Play(const char* script) {
        for (const QString& e : CReplay::Split(QString::fromLatin1(script))) ok = ok && CReplay::Play(window, e);
        return ok;
    }
    template <class Pane>
    Pane* PaneAs() const {
        return dynamic_cast<Pane*>(window.Pane());
    }
    CShellDlg shell;
    CShellWindow window;
    bool ok = true;
};

// Where the screenshots go: $RESTOVA_SHOTS, else none.
inline QString ShotFolder() {
    return qEnvironmentVariable("RESTOVA_SHOTS");
}

// The names in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
