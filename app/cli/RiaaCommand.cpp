// restova-cli riaa IN OUT
// Applies the RIAA playback equalisation to IN the way the workflow does after
// recording through a flat preamp: the filter runs over the whole song as a
// step of its session, whose stream is then written into OUT. IN keeps its
// audio and is left without a session. Also holds that frame for the speed
// command.
#include <cstdio>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "enhance/Riaa.h"

namespace {


}  // namespace

int RunFilterInto(const char* command, CFilter& filter, const std::string& in, const std::string& out, MsgId captionId) {
    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (OutIsIn(command, in, out) || !HasNoSession(command, in)) return 1;
    CSettingsScope settings;
    if (!MakeTempFolder(command, settings.Get())) return 1;
    return RunAndCommit(in, out, filter, captionId) ? 0 : 1;
}

int CmdRiaa(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
        std::fputs("usage: restova-cli riaa IN OUT\n", stderr);
        return 2;
    }
    CRiaa filter;
    return RunFilterInto("riaa", filter, args[0], args[1], kMsgRiaaCaption);
}
