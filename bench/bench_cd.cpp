// CD ripping and image writing. A 20-minute disc image of 5 tracks is ripped
// into waves, timed against cd-paranoia reading the same image (when it can)
// and a raw dd of its BIN; then the ripped waves are written to a CUE/BIN
// image, timed against cp of the same waves (goal: within 2x). Figures are
// multiples of real time. Usage: bench_cd [DIR] (default: a new folder under $TMPDIR).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTracks = 5;
constexpr uint32_t kTrackFrames = 4 * 60 * 75;  // 4 minutes each
constexpr double kDiscSeconds = kTracks * kTrackFrames / 75.0;
constexpr int kRounds = 3;

bool MakeImage(const std::string& dir) {
    std::ofstream bin(dir + "/disc.bin", std::ios::binary);
    std::string cue = "FILE \"disc.bin\" BINARY\n";
    std::vector<char> frames(kTrackFrames * 2352);
    std::mt19937 rng(7);
    for (int t = 0; t < kTracks; ++t) {
        for (auto& b : frames) b = static_cast<char>(rng());
        bin.write(frames.data(), static_cast<std::streamsize>(frames.size()));
        const uint32_t at = t * kTrackFrames;
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 %02u:%02u:00\n", t + 1, at / 4500,
                      at / 75 % 60);
        cue += line;
    }
    std::ofstream(dir + "/disc.cue") << cue;
    return bin.good();
}

// Writes back what earlier steps left dirty, so that no contender pays for another's writes.
void Settle() {
    ::sync();
}

double Run(const std::string& command) {
    Settle();
    CBenchTimer t(RUSAGE_CHILDREN);
    t.Start();
    if (std::system(command.c_str()) != 0) return -1;
    t.Stop();
    return t.BestWall();
}

}  // namespace

int main(int argc, char** argv) {
    CHeadlessServices services;
    SetServices(&services);
    const CBenchFolder folder(argc > 1 ? argv[1] : nullptr, "bench-cd");
    if (!folder.Ok()) return 1;
    const std::string dir = folder.Path();
    if (!MakeImage(dir)) return 1;
    AppSettings settings(dir, dir);
    settings.UseSounds = 0;
    fs::create_directories(settings.Bin3Path);
    fs::create_directories(settings.TempPath);
    CSettingsStore store(dir + "/Restova.ini");
    store.WriteProfileString("CDRip", "ImageFolder", dir);
    store.WriteProfileString("CDRip", "Path", settings.Bin3Path);
    store.WriteProfileInt("CDRip", "Overwrite", 1);
    WarmPageCache(dir + "/disc.bin");

    CBenchTimer rip;
    for (int round = 0; round < kRounds; ++round) {
        CCdRipper ripper(store, settings);
        if (!ripper.Open() || !ripper.ReadTrackList()) return 1;
        Settle();
        rip.Start();
        if (!ripper.RipAll()) return 1;
        rip.Stop();
    }
    const double dd = Run("dd if='" + dir + "/disc.bin' of='" + dir + "/dd.raw' bs=1M status=none");
    const double ddRead = Run("dd if='" + dir + "/disc.bin' of=/dev/null bs=1M status=none");
    const double paranoia = Run("cd-paranoia -q -d '" + dir + "/disc.cue' -w 1-" + std::to_string(kTracks) + " '" +
                                dir + "/paranoia.wav' >/dev/null 2>&1");
    std::printf("rip %d tracks (%.0f s of audio) from an image: %.0fx real time (%.2f s)\n", kTracks, kDiscSeconds,
                kDiscSeconds / rip.BestWall(), rip.BestWall());
    std::printf("  dd of the BIN:           %.0fx real time (%.2f s); into /dev/null %.0fx (%.2f s)\n",
                kDiscSeconds / dd, dd, kDiscSeconds / ddRead, ddRead);
    if (paranoia > 0)
        std::printf("  cd-paranoia on the image: %.0fx real time (%.2f s)\n", kDiscSeconds / paranoia, paranoia);
    else
        std::printf("  cd-paranoia: cannot read the image here\n");

    // The ripped waves, in Bin3, go to a disc image.
    CBenchTimer write;
    for (int round = 0; round < kRounds; ++round) {
        CSongList songs;
        CCdBurner burner(settings, songs, false);
        if (!burner.Open()) return 1;
        burner.Master().ImageRecorder().SetOutput(dir + "/out.cue");
        burner.SelectRecorder(static_cast<int>(burner.RecorderNames().size()) - 1);
        Settle();
        write.Start();
        if (!burner.WriteCd()) return 1;
        write.Stop();
    }
    fs::create_directories(dir + "/copy");
    const double cp = Run("cp '" + settings.Bin3Path + "'/*.wav '" + dir + "/copy/'");
    std::printf("write the waves to a CUE/BIN image: %.0fx real time (%.2f s)\n", kDiscSeconds / write.BestWall(),
                write.BestWall());
    std::printf("  cp of the same waves:    %.0fx real time (%.2f s); image/cp %.2f\n", kDiscSeconds / cp, cp,
                write.BestWall() / cp);
    SetServices(nullptr);
    return 0;
}
