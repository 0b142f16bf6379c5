// The waveform pane's figures on a 90-minute stereo recording (16-bit, 44100 Hz;
// a sparse wave with a peak file made for it, so nothing of 950 MB is written):
//  - open to first paint: opening the song (its session and peak data) and the
//    pane's first painted frame, with the peak file present;
//  - paint time of the lower graph at full zoom-out and at sample zoom (one frame a
//    column), redrawing the waveform every frame, and with the waveform kept
//    (a play-cursor step); and while scrolling at sample zoom;
//  - the peaks of one screen of columns at full zoom-out, read through the session
//    stream per column (as every paint would without the pyramid) and from the pyramid.
// Goals: a frame under 16 ms, open to first paint under 300 ms.
// Run by hand: build/bench/bench_waveform [minutes]
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchWave.h"
#include "audiofile/DividerBlock.h"
#include "audiofile/PeakFile.h"
#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "processing/FilterRunner.h"
#include "shell/WavePane.h"
#include "ui/QtServices.h"
#include "ui/WaveGraph.h"
#include "ui/WaveformPane.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrameBytes = 4;

// A stereo 16-bit wave header over a sparse data chunk of the given frames.
bool WriteSparseWave(const std::string& path, uint64_t frames) {
    const auto bytes = static_cast<uint32_t>(frames * kFrameBytes);
    std::ofstream out(path, std::ios::binary);
    WriteWaveHeader(out, 2, kRate, 16, bytes);
    out.close();
    return out.good() && ::truncate(path.c_str(), 44 + static_cast<off_t>(bytes)) == 0;
}

// Peak values of songs that swell and fade, with a gap of silence every 4.5 minutes, and dividers there.
void WritePeaks(const std::string& wave, uint64_t frames) {
    const uint64_t groups = frames / CPeakFile::kSamplesPerPeak + (frames % CPeakFile::kSamplesPerPeak >= 102 ? 1 : 0);
    std::vector<uint16_t> values(groups * 2);
    uint32_t seed = 1;
    const uint64_t song = 270ull * kRate / CPeakFile::kSamplesPerPeak;
    for (uint64_t g = 0; g < groups; ++g) {
        seed = seed * 1664525u + 1013904223u;
        const double t = static_cast<double>(g % song) / song;
        const double swell = t < 0.01 ? 0.0 : 0.5 + 0.4 * std::sin(40 * t) * std::sin(3 * t);
        for (int c = 0; c < 2; ++c) values[2 * g + c] = static_cast<uint16_t>(swell * (20000 + (seed >> 20) % 9000));
    }
    auto dividers = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    for (uint64_t at = 0; at < frames * kFrameBytes && count < 30; at += 270ull * kRate * kFrameBytes, ++count) {
        dividers->records[count].position = static_cast<uint32_t>(at);
        std::snprintf(dividers->records[count].name, sizeof dividers->records[count].name, "Long Side_%u", count + 1);
    }
    CPeakFile::WritePeakFile(wave, values, dividers.get(), count);
}

struct Figures {
    double median = 0;
    double worst = 0;
};

template <class Step>
Figures TimeFrames(int frames, Step step) {
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer clock;
        clock.start();
        step(i);
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void Print(const char* what, const Figures& f) {
    std::printf("%-52s median %6.2f ms, worst %6.2f ms\n", what, f.median, f.worst);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qapp(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 90;
    const fs::path root = fs::temp_directory_path() / ("restova-bench-wave-" + std::to_string(::getpid()));
    fs::create_directories(root);
    AppSettings settings((root / "Restova").string(), (root / "share").string());
    fs::create_directories(settings.TempPath);
    CSettingsStore store((root / "Restova.ini").string());
    SetSettings(&settings);
    SetProfile(&store);
    CQtServices services(store);
    services.SetInteractive(false);
    SetServices(&services);

    const std::string song = (root / "Long Side.wav").string();
    const uint64_t frames = static_cast<uint64_t>(minutes) * 60 * kRate;
    if (!WriteSparseWave(song, frames)) return 1;
    WritePeaks(song, frames);
    std::printf("%d-minute stereo song, %llu peak values a channel\n", minutes,
                static_cast<unsigned long long>(frames / CPeakFile::kSamplesPerPeak));

    CFilterRunner runner;
    // Opens the song in the pane as Final Touches shows it, and paints it once.
    auto open = [&](CWavePane& wave, std::unique_ptr<CWaveformPane>& pane) {
        if (wave.Open(song) != 0) return false;
        wave.SetView(true, false, true);
        pane = std::make_unique<CWaveformPane>(wave, nullptr);
        pane->resize(450, 305);
        pane->show();
        pane->grab();  // paints the pane and its graphs now
        return true;
    };
    {
        // Open to first paint, five times (the song's session is made by the first opening).
        std::vector<double> opens;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer clock;
            clock.start();
            CWavePane wave(runner, nullptr);
            std::unique_ptr<CWaveformPane> pane;
            if (!open(wave, pane)) return 1;
            opens.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            pane->Detach();
        }
        std::sort(opens.begin(), opens.end());
        std::printf("open to first paint (peak file present):             best %6.1f ms, median %6.1f ms\n",
                    opens.front(), opens[opens.size() / 2]);
    }

    CWavePane wave(runner, nullptr);
    std::unique_ptr<CWaveformPane> pane;
    if (!open(wave, pane)) return 1;
    CWaveGraph& graph = *pane->Detail();
    // Frames are painted into one picture, as the window's backing store would take them.
    QPixmap frame(graph.size());
    auto paint = [&] { graph.render(&frame); };
    std::printf("lower graph: %d x %d pixels\n", graph.width(), graph.height());

    graph.View().ShowAll();
    Print("full zoom-out, waveform drawn every frame:", TimeFrames(200, [&](int) {
              graph.Invalidate();
              paint();
          }));
    Print("full zoom-out, waveform kept (cursor step):", TimeFrames(200, [&](int i) {
              graph.SetCursor(static_cast<int64_t>(i) * 1000000);
              paint();
          }));
    for (int i = 0; i < 40; ++i) graph.View().Zoom(true, graph.width() / 2.0);
    std::printf("sample zoom: %.0f bytes a column\n", graph.View().BytesPerColumn());
    Print("sample zoom, waveform drawn every frame:", TimeFrames(200, [&](int) {
              graph.Invalidate();
              paint();
          }));
    const int start = graph.View().ScrollValue();
    Print("sample zoom, scrolling a column a frame:", TimeFrames(200, [&](int i) {
              graph.View().ScrollTo(start + i);
              paint();
          }));

    // One screen of column peaks at full zoom-out: through the stream per column, and from the pyramid.
    const int columns = graph.width();
    const uint32_t length = wave.Doc().DataLength();
    CWaveFile& file = wave.Doc().Wave();
    file.Reopen(kOpenRead);
    Print("column peaks through the session stream:", TimeFrames(5, [&](int) {
              for (int x = 0; x < columns; ++x) {
                  file.Session().StreamPeak(static_cast<uint32_t>(static_cast<uint64_t>(length) * x / columns),
                                            static_cast<uint32_t>(static_cast<uint64_t>(length) * (x + 1) / columns));
              }
          }));
    file.Close();
    std::vector<uint32_t> out(static_cast<size_t>(columns));
    Print("column peaks from the pyramid (both channels):", TimeFrames(50, [&](int) {
              for (int c = 0; c < 2; ++c) wave.Levels().Columns(c, 0, static_cast<double>(length) / columns, out);
          }));
    pane->Detach();

    SetServices(nullptr);
    SetProfile(nullptr);
    SetSettings(nullptr);
    fs::remove_all(root);
    return 0;
}
