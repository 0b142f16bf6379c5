// restova-cli dividers FILE: the track dividers in force for a wave, from its
// session when one exists, else from its peak file, with its stage flags.
#include <memory>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "processing/FileReports.h"

DividerRead ReadDividersOf(const std::string& path, DividerBlock& block, uint32_t& count, WAVEFORMATEX& fmt) {
    count = 0;
    if (PathExists(SessionFileName(path))) {
        // The session's current step holds the dividers the user last saw.
        CWaveFile wave;
        wave.SetSessionMode(true);
        UseWindowFor(wave.Session());
        const int rc = wave.OpenRead(path);
        ReportFileFaults(wave.Session().TakeFaults());
        if (rc != kFileOk) {
            ReportUnreadable(rc, path);
            return DividerRead::Failed;
        }
        fmt = wave.Format();
        wave.Session().GetDividers(block, count);
        wave.Close();
        wave.Session().DiscardSession(true);
        return DividerRead::Read;
    }
    WaveFileInfo info;
    const int rc = CWaveFile::FileInfo(path, info);
    if (rc != kFileOk) {
        ReportUnreadable(rc, path);
        return DividerRead::Failed;
    }
    fmt = MakeWaveFormat(info.formatTag, info.channels, info.rate, info.bits);
    bool oldFormat = false;
    if (CPeakFile::ReadDividers(path, block, count, &oldFormat)) return DividerRead::Read;
    if (oldFormat) ReportFileFaults({{FaultKind::kOldPeakFile, path}});
    return DividerRead::NoPeakFile;
}

int PrintDividersOf(const std::string& path) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    WAVEFORMATEX fmt;
    switch (ReadDividersOf(path, *block, count, fmt)) {
        case DividerRead::Failed:
            return 1;
        case DividerRead::NoPeakFile:
            Tell("restova-cli: " + path + " has no readable peak file; 'restova-cli peaks " + path +
                 "' builds one, 'restova-cli index " + path + "' also places the track dividers");
            return 1;
        case DividerRead::Read:
            break;
    }
    PrintDividers(*block, count, fmt);
    return 0;
}

CommandRun DeclareDividers(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return PrintDividersOf(*file); };
}
