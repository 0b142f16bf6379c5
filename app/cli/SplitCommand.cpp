// restova-cli split FILE DIR: cuts a wave at its track dividers (its session's
// current step, else its peak file) into one wave per track in DIR and prints
// the path of every file written.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "tracks/TrackSplitter.h"

namespace {

struct SplitRequest {
    std::string file;
    std::string folder;
    int naming = CTrackSplitter::kNamingTwoDigits;
    bool cdAlign = false;
    bool keep = false;
};

int RunSplit(const SplitRequest& r) {
    const std::string& file = r.file;
    const std::string& folder = r.folder;

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
    const CTrackSplitter::Result result = splitter.SplitIntoTracks(file, folder, r.keep, r.naming, &names, r.cdAlign);
    ui.ProgressClose();
    if (!hadSession) ::unlink(sessionPath.c_str());
    if (!hadPeaks) ::unlink(peakPath.c_str());

    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    std::fflush(stdout);
    return result == CTrackSplitter::Result::Done || result == CTrackSplitter::Result::NoDividers ? 0 : 1;
}

}  // namespace

CommandRun DeclareSplit(CLI::App& sub) {
    auto r = std::make_shared<SplitRequest>();
    sub.add_option("FILE", r->file, "the wave to split")->required();
    sub.add_option("DIR", r->folder, "the folder for the track files")->required();
    AddWhole(sub, "--naming", r->naming, 0, 3, "track names: 0 B01, 1 Ba, 2 the divider names, 3 B1", "0|1|2|3");
    sub.add_flag("--cd-align", r->cdAlign, "cut on whole CD frames");
    sub.add_flag("--keep", r->keep, "keep FILE and its companions");
    return [r] { return RunSplit(*r); };
}
