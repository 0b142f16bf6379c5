// restova-cli split FILE DIR: cuts a wave at its track dividers (its session's
// current step, else its peak file) into one wave per track in DIR and prints
// the path of every file written.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/DividerBlock.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFormat.h"
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
    const std::string prefix = "restova-cli split: ";

    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    WAVEFORMATEX format;
    const DividerRead read = ReadDividersOf(file, *block, count, format);
    if (read == DividerRead::Failed) return 1;
    if (count == 0) {
        // Nothing to do is no failure, but the user must learn why no file came out.
        Tell(prefix + file + " has no track dividers; nothing split. 'restova-cli index " + file +
             "' places them in the silences between the songs");
        return 0;
    }
    if (!r.keep) {
        const Consent consent =
            Ask(prefix + "after splitting, " + file + " and its peak and session files are " + "removed. Go on?");
        if (consent != Consent::Given) {
            Tell(prefix + (consent == Consent::Refused
                               ? file + " kept; nothing split"
                               : "splitting removes " + file + "; give --keep to keep it or --yes to go ahead"));
            return 1;
        }
    }

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
    sub.add_flag("--keep", r->keep,
                 "keep FILE and its companions (else asked; without a terminal only --yes removes them)");
    return [r] { return RunSplit(*r); };
}
