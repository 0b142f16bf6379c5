// restova-cli riaa IN OUT
// Applies the RIAA playback equalisation to IN the way the workflow does after
// recording through a flat preamp: the filter runs over the whole song as a
// step of its session, whose stream is then written into OUT. IN keeps its
// audio and is left without a session. Also holds that frame for the speed
// command.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "enhance/Riaa.h"

int RunFilterInto(const char* command, CFilter& filter, const std::string& in, const std::string& out,
                  MsgId captionId) {
    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (OutIsIn(command, in, out) || !HasNoSession(command, in)) return 1;
    CSettingsScope settings;
    if (!MakeTempFolder(command, settings.Get()) || !OutMayBeWritten(command, out)) return 1;
    RunReport report;
    if (!RunAndCommit(in, out, filter, captionId, 0, 0, &report)) return 1;
    std::printf("written: %s\n", out.c_str());
    ReportClipping(command, report.clipped, report.samples);
    return 0;
}

CommandRun DeclareRiaa(CLI::App& sub) {
    auto files = std::make_shared<std::pair<std::string, std::string>>();
    sub.add_option("IN", files->first, "the wave to equalise")->required();
    sub.add_option("OUT", files->second, "the wave to write")->required();
    return [files] {
        CRiaa filter;
        return RunFilterInto("riaa", filter, files->first, files->second, kMsgRiaaCaption);
    };
}
