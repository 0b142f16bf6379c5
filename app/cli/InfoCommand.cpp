#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "Commands.h"
#include "audiofile/WaveFile.h"

namespace {

const char* TypeLabel(int type) {
    switch (type) {
        case kTypeWav:
            return "WAV";
        case kTypeMp3:
            return "MP3";
        case kTypeWma:
            return "WMA";
        case kTypeAiff:
            return "AIFF";
        default:
            return "unknown";
    }
}

}  // namespace

int PrintFileInfo(const std::string& path, bool blankLineFirst) {
    WaveFileInfo info;
    const int rc = CWaveFile::FileInfo(path, info, true);
    if (rc != kFileOk) return ReportUnreadable(rc, path);
    std::printf(
        "%sfile: %s\ntype: %s\nformat: %s\nchannels: %u\nrate: %u\nbits: %u\nblock-align: %u\ndata-bytes: %u\n"
        "duration: %.3f\n",
        blankLineFirst ? "\n" : "", path.c_str(), TypeLabel(CWaveFile::FileTypeOf(path)), info.typeName.c_str(),
        unsigned{info.channels}, unsigned{info.rate}, unsigned{info.bits}, unsigned{info.blockAlign},
        unsigned{info.dataBytes}, info.duration);
    return kFileOk;
}

CommandRun DeclareInfo(CLI::App& sub) {
    auto files = std::make_shared<std::vector<std::string>>();
    sub.add_option("FILE", *files, "audio files")->required();
    return [files] {
        bool failed = false;
        bool printed = false;
        for (const auto& path : *files) {
            const bool ok = PrintFileInfo(path, printed) == kFileOk;
            // Blocks on stdout keep their order with the messages of failed files on stderr.
            std::fflush(stdout);
            printed = printed || ok;
            failed = failed || !ok;
        }
        return failed ? 1 : 0;
    };
}
