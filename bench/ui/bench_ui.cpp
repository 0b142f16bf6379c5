// The window's figures, on the offscreen platform unless a display is set:
//  - start-up: starting the program and loading its libraries (restova --version), and from main
//    to the first painted main window (settings, audio engine, window);
//  - memory at idle: resident set after the first paint and a second of idling;
//  - stalls: the longest gap between 10 ms timer ticks while Clean processes a song of
//    the given minutes (10 by default), i.e. how long the window goes without answering.
// Run by hand: build/bench/bench_ui [minutes]
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "BenchWave.h"
#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "devices/AudioDevice.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "processing/TaviCleanDlg.h"
#include "shell/ShellDlg.h"
#include "shell/WorkList.h"
#include "ui/PictureButton.h"
#include "ui/QtServices.h"
#include "ui/ShellWindow.h"

namespace fs = std::filesystem;

namespace {

// Resident memory in kB, from /proc.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// A 16-bit stereo song written in one-second blocks: a tone with a click every tenth of a second.
bool WriteSong(const std::string& path, int seconds) {
    std::ofstream out(path, std::ios::binary);
    WriteWaveHeader(out, 2, 44100, 16, static_cast<uint32_t>(seconds) * 44100 * 4);
    std::vector<int16_t> block(44100 * 2);
    for (int s = 0; s < seconds; ++s) {
        for (size_t i = 0; i < 44100; ++i) {
            const auto v =
                static_cast<int16_t>(6000 * std::sin((s * 44100 + i) * 0.0627) + (i % 4410 == 0 ? 20000 : 0));
            block[2 * i] = v;
            block[2 * i + 1] = v;
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const BenchClock::time_point start = BenchClock::now();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qapp(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const fs::path root = fs::temp_directory_path() / ("restova-bench-ui-" + std::to_string(::getpid()));
    fs::create_directories(root);

    // Starting the program: exec, dynamic libraries, Qt's start, the arguments.
    QElapsedTimer exec;
    exec.start();
    QProcess::execute(QStringLiteral(RESTOVA_GUI_PATH), {QStringLiteral("--version")});
    const qint64 execMs = exec.elapsed();

    AppSettings settings((root / "Restova").string(), (root / "share").string());
    for (const std::string* folder :
         {&settings.Bin1Path, &settings.Bin2Path, &settings.TempPath, &settings.PresetPath}) {
        fs::create_directories(*folder);
    }
    CSettingsStore store((root / "Restova.ini").string());
    SetSettings(&settings);
    SetProfile(&store);
    CQtServices services(store);
    services.SetInteractive(false);
    SetServices(&services);
    CAudioHost host(false);
    SetAudioHost(&host);
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    CSongList songs;
    {
        CShellDlg shell(settings, store, songs);
        shell.SetPlayers(&player, &player);
        CShellWindow window(shell, settings);
        bool painted = false;
        struct PaintWatch : QObject {
            bool* painted;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) *painted = true;
                return false;
            }
        } watch;
        watch.painted = &painted;
        window.installEventFilter(&watch);
        window.show();
        shell.OnInitDialog();
        while (!painted) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        const double paintMs = Seconds(start) * 1000;
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 50);
        const long idleKb = ResidentKb();
        std::printf("start-up: exec and libraries (restova --version) %lld ms; main to first paint %.0f ms\n",
                    static_cast<long long>(execMs), paintMs);
        std::printf("memory at idle: %.1f MB resident\n", idleKb / 1024.0);

        // A long Clean, with a 10 ms timer counting how late its ticks come.
        const std::string song = settings.Bin2Path + "/Long Side.wav";
        if (!WriteSong(song, minutes * 60)) return 1;
        shell.Dispatch(kEventBin2);
        shell.WorklistPane()->SelectOnly(0);
        shell.Dispatch(kEventButton1);
        if (!shell.CleanPane()) return 1;
        std::vector<double> gaps;
        QElapsedTimer tick;
        QElapsedTimer since;
        tick.start();
        since.start();
        double worstAt = 0;
        double worstSoFar = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const auto gap = static_cast<double>(tick.restart());
            if (gap > worstSoFar) {
                worstSoFar = gap;
                worstAt = since.elapsed() / 1000.0;
            }
            gaps.push_back(gap);
        });
        timer.start(10);
        const BenchClock::time_point run = BenchClock::now();
        window.StageButton(1)->click();
        const double runSeconds = Seconds(run);
        timer.stop();
        std::sort(gaps.begin(), gaps.end());
        const double worst = gaps.empty() ? 0 : gaps.back();
        const double p99 = gaps.empty() ? 0 : gaps[gaps.size() * 99 / 100];
        std::printf(
            "Clean of %d min: %.1f s, %zu ticks, longest gap %.0f ms (%.1f s in), 99th percentile %.0f ms (%s)\n",
            minutes, runSeconds, gaps.size(), worst, worstAt, p99,
            shell.State() == kStateWorkingOn ? "finished" : "not finished");
    }
    SetServices(nullptr);
    SetAudioHost(nullptr);
    SetProfile(nullptr);
    SetSettings(nullptr);
    fs::remove_all(root);
    return 0;
}
