// restova-cli peaks FILE: (re)builds the wave's peak file, keeping the dividers
// already in it, and prints what the builder found.
#include <cstdio>
#include <memory>

#include "CliArgs.h"
#include "CliOutput.h"
#include "Commands.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "processing/FileReports.h"

namespace {

int RunPeaks(const std::string& path) {
    CWaveFile wave;
    int rc = wave.OpenRead(path);
    if (rc != kFileOk) {
        ReportUnreadable(rc, path);
        return 1;
    }
    // An old-format file's dividers cannot be trusted; a rebuild is what the user was told to do.
    auto dividers = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    const bool keep = CPeakFile::ReadDividers(path, *dividers, count);

    PeakResults results;
    Services().ProgressOpen(0, 100, "Building Peak Data");
    rc = CPeakFile::BuildPeakFile(wave, 0, 0, keep ? dividers.get() : nullptr, keep ? count : 0, results,
                                  ProgressInWindow());
    Services().ProgressClose();
    if (rc == 0 && results.shortWave) ReportFileFaults({{FaultKind::kSizeInconsistent, path}});
    if (rc == -1) {
        ReportFileFaults({{FaultKind::kNoPeakFile, path}});
        return 1;
    }
    if (rc != 0) {
        ReportUnreadable(rc, path);
        return 1;
    }
    std::printf("max-peak: %u\nmin-peak: %u\nrms: %.2f\n", results.maxPeak, results.minPeak, results.rms);
    std::printf("max-peak-dbfs: %s\nmin-peak-dbfs: %s\nrms-dbfs: %s\n", DbFs(results.maxPeak).c_str(),
                DbFs(results.minPeak).c_str(), DbFs(results.rms).c_str());
    return 0;
}

}  // namespace

CommandRun DeclarePeaks(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return RunPeaks(*file); };
}
