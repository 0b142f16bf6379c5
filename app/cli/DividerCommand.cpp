// restova-cli divider FILE add POS_SECONDS [NAME] | delete INDEX | rename INDEX NAME | move INDEX +1|-1
// Edits FILE's track dividers as the waveform display does: in its session's
// current step when FILE has a session, else in its peak file. Prints the
// dividers afterwards, as `dividers` does.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli divider FILE add POS_SECONDS [NAME] | delete INDEX | rename INDEX NAME | move INDEX "
    "+1|-1\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// Seconds as a non-negative decimal number (no exponent, no sign, no inf or nan).
bool ParseSeconds(const std::string& text, double& seconds) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(seconds);
}

}  // namespace

int CmdDivider(const std::vector<std::string>& args) {
    if (args.size() < 3) return Usage();
    const std::string& path = args[0];
    const std::string& action = args[1];

    CSongDocument song;
    if (song.Open(path, PathExists(SessionFileName(path))) != 0) return 1;
    CTrackEditor editor(song);
    const int count = song.Dividers().Count();
    auto index = [&](const std::string& text) -> int {
        auto value = ParseWhole(text, action == "delete" ? -1 : 0, count - 1);
        return value ? static_cast<int>(*value) : -2;
    };

    bool ok = true;
    if (action == "add" && (args.size() == 3 || args.size() == 4)) {
        double seconds = 0;
        if (!ParseSeconds(args[2], seconds)) return Usage();
        const double bytes = std::floor(seconds * song.BytesPerSecond());
        if (bytes > song.DataLength()) {
            std::fprintf(stderr, "restova-cli divider: %s is beyond the end of %s\n", args[2].c_str(), path.c_str());
            ok = false;
        } else {
            const int added = editor.AddDivider(static_cast<uint32_t>(bytes));
            if (added < 0) {
                std::fprintf(stderr, "restova-cli divider: %s already has 100 dividers\n", path.c_str());
                ok = false;
            } else if (args.size() == 4) {
                editor.RenameDivider(added, args[3]);
            }
        }
    } else if (action == "delete" && args.size() == 3) {
        const int i = index(args[2]);
        ok = i >= -1 && editor.DeleteDivider(i);
    } else if (action == "rename" && args.size() == 4) {
        const int i = index(args[2]);
        ok = i >= 0 && editor.RenameDivider(i, args[3]);
    } else if (action == "move" && args.size() == 4 && (args[3] == "+1" || args[3] == "-1")) {
        const int i = index(args[2]);
        song.SetSelectedDivider(i);
        ok = i >= 0 && (args[3] == "+1" ? editor.MoveDividerAhead() : editor.MoveDividerBack());
    } else {
        song.Close(false, false);
        return Usage();
    }
    if (!ok && action != "add") std::fprintf(stderr, "restova-cli divider: no divider %s\n", args[2].c_str());
    song.Close(false, false);
    if (!ok) return 1;
    return CmdDividers({path});
}
