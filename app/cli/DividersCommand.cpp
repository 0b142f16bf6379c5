// restova-cli dividers FILE: the track dividers in force for a wave, from its
// session when one exists, else from its peak file, with its stage flags.
#include <cstdio>
#include <memory>

#include "CliArgs.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"

int PrintDividersOf(const std::string& path) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    WAVEFORMATEX fmt;

    if (PathExists(SessionFileName(path))) {
        // The session's current step holds the dividers the user last saw.
        CWaveFile wave;
        wave.SetSessionMode(true);
        int rc = wave.OpenRead(path);
        if (rc != kFileOk) {
            CWaveFile::ReportFileError(rc, path);
            return 1;
        }
        fmt = wave.Format();
        wave.Session().GetDividers(*block, count);
        wave.Close();
        wave.Session().DiscardSession(true);
    } else {
        WaveFileInfo info;
        if (CWaveFile::FileInfo(path, info) != kFileOk) return 1;
        fmt = MakeWaveFormat(info.formatTag, info.channels, info.rate, info.bits);
        if (!CPeakFile::ReadDividers(path, *block, count)) {
            std::fprintf(stderr, "restova-cli: %s has no readable peak file\n", path.c_str());
            return 1;
        }
    }

    PrintDividers(*block, count, fmt);
    return 0;
}

CommandRun DeclareDividers(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return PrintDividersOf(*file); };
}
