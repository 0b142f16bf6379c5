// restova-cli split FILE DIR: cuts a wave at its track dividers (its session's
// current step, else its peak file) into one wave per track in DIR and prints
// the path of every file written.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "tracks/TrackSplitter.h"

namespace {


int Usage() {
    std::fprintf(stderr, "usage: restova-cli split FILE DIR [--naming 0|1|2|3] [--cd-align] [--keep]\n");
    return 2;
}

}  // namespace

int CmdSplit(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int naming = CTrackSplitter::kNamingTwoDigits;
    bool cdAlign = false;
    bool keep = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--naming") {
            if (i + 1 >= args.size()) return Usage();
            const auto value = ParseWhole(args[++i], 0, 3, 1);
            if (!value) return Usage();
            naming = static_cast<int>(*value);
        } else if (arg == "--cd-align") {
            cdAlign = true;
        } else if (arg == "--keep") {
            keep = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage();
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return Usage();
    const std::string& file = positional[0];
    const std::string& folder = positional[1];

    // Opening the wave through a session makes a session file and a peak file when it has none;
    // whatever of them the split leaves behind goes again.
    const std::string sessionPath = SessionFileName(file);
    const std::string peakPath = PeakFileName(file);
    const bool hadSession = PathExists(sessionPath);
    const bool hadPeaks = PathExists(peakPath);

    std::vector<std::string> names;
    CTrackSplitter splitter;
    IServices& ui = Services();
    ui.ProgressOpen(0, 100, LoadString(kMsgChopTitle));
    const CTrackSplitter::Result result = splitter.SplitIntoTracks(file, folder, keep, naming, &names, cdAlign);
    ui.ProgressClose();
    if (!hadSession) ::unlink(sessionPath.c_str());
    if (!hadPeaks) ::unlink(peakPath.c_str());

    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    std::fflush(stdout);
    return result == CTrackSplitter::Result::Done || result == CTrackSplitter::Result::NoDividers ? 0 : 1;
}
