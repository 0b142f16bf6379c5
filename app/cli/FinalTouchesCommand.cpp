// restova-cli trim FILE --start MS | --end MS [--commit]
// restova-cli fade FILE --in MS | --out MS [--commit]
// restova-cli maximize FILE [--commit]
// The Final Touches edits as the stage makes them: FILE is opened through its
// session and the edit becomes a step of it, which stays beside FILE for more
// edits. With --commit the session is then written into FILE and removed, as
// "restova-cli commit FILE" does.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "processing/FilterRunner.h"
#include "tracks/FinalTouches.h"
#include "tracks/SongDocument.h"

namespace {

constexpr long long kMaxMs = UINT32_MAX;

struct Request {
    std::string file;
    std::string side;  // the option given: "--start", "--end", "--in" or "--out"
    uint32_t ms = 0;
    bool commit = false;
};

// FILE, one of sides followed by a length in ms (when sides is not empty), and an optional --commit.
std::optional<Request> Parse(const std::vector<std::string>& args, const std::vector<std::string>& sides) {
    Request r;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--commit" && !r.commit) {
            r.commit = true;
        } else if (r.side.empty() && i + 1 < args.size() && std::find(sides.begin(), sides.end(), a) != sides.end()) {
            auto ms = ParseWhole(args[++i], 1, kMaxMs);
            if (!ms) return std::nullopt;
            r.side = a;
            r.ms = static_cast<uint32_t>(*ms);
        } else if (r.file.empty() && a.rfind("--", 0) != 0) {
            r.file = a;
        } else {
            return std::nullopt;
        }
    }
    if (r.file.empty() || (!sides.empty() && r.side.empty())) return std::nullopt;
    return r;
}

// A session that is only the song itself holds nothing to write back.
bool SessionHasEdits(CSongDocument& doc) {
    const auto& steps = doc.Wave().Session().Steps();
    return !(steps.size() == 1 && steps[0].type == kStepOriginal && steps[0].fileName == doc.Path() &&
             steps[0].start == 0 && steps[0].sourceOffset == 0);
}

// Opens the song through its session, runs edit (an exit status), and closes the song: the session
// is kept, committed and removed with --commit, or removed again when this run made it for nothing.
int RunEdit(const char* command, const Request& r, const std::function<int(CFinalTouches&, CSongDocument&)>& edit) {
    CSettingsScope settings;
    if (!MakeTempFolder(command, settings.Get())) return 1;
    const bool hadSession = PathExists(SessionFileName(r.file));
    CFilterRunner runner;
    CSongDocument doc;
    doc.SetRunner(&runner);
    if (doc.Open(r.file, true) != kFileOk) return 1;
    CFinalTouches touches(doc);
    int status = edit(touches, doc);
    if (status == 0 && r.commit) {
        // Steps of earlier runs are written back too, even when this one changed nothing.
        if (SessionHasEdits(doc)) doc.SetModified();
        if (!doc.Close(true, true)) status = 1;
    } else {
        doc.Close(false, !hadSession && !SessionHasEdits(doc));
    }
    return status;
}

double SongMs(CSongDocument& doc, CFinalTouches& touches) {
    const uint64_t perSecond = touches.LengthBytes(1000);
    return perSecond ? doc.DataLength() * 1000.0 / static_cast<double>(perSecond) : 0.0;
}

int Refuse(const char* command, const Request& r, CSongDocument& doc, CFinalTouches& touches) {
    std::fprintf(stderr, "restova-cli %s: %" PRIu32 " ms is longer than %s (%.0f ms)\n", command, r.ms, r.file.c_str(),
                 SongMs(doc, touches));
    return 1;
}

}  // namespace

int CmdTrim(const std::vector<std::string>& args) {
    const auto r = Parse(args, {"--start", "--end"});
    if (!r) {
        std::fputs("usage: restova-cli trim FILE --start MS | --end MS [--commit]\n", stderr);
        return 2;
    }
    return RunEdit("trim", *r, [&](CFinalTouches& touches, CSongDocument& doc) {
        touches.StartTrim(r->side == "--start" ? CFinalTouches::Side::Start : CFinalTouches::Side::End);
        if (!touches.SetTrimLength(r->ms)) return Refuse("trim", *r, doc, touches);
        return touches.ApplyTrim() ? 0 : 1;
    });
}

int CmdFade(const std::vector<std::string>& args) {
    const auto r = Parse(args, {"--in", "--out"});
    if (!r) {
        std::fputs("usage: restova-cli fade FILE --in MS | --out MS [--commit]\n", stderr);
        return 2;
    }
    return RunEdit("fade", *r, [&](CFinalTouches& touches, CSongDocument& doc) {
        // The stage lets a fade run past the song; a command asking for that is more likely a mistake.
        if (touches.LengthBytes(r->ms) > doc.DataLength()) return Refuse("fade", *r, doc, touches);
        touches.StartFade(r->side == "--in");
        touches.SetFadeLength(r->ms);
        return touches.ApplyFade() ? 0 : 1;
    });
}

int CmdMaximize(const std::vector<std::string>& args) {
    const auto r = Parse(args, {});
    if (!r) {
        std::fputs("usage: restova-cli maximize FILE [--commit]\n", stderr);
        return 2;
    }
    return RunEdit("maximize", *r, [&](CFinalTouches& touches, CSongDocument&) {
        const bool changed = touches.MaximizeGain();
        if (touches.LastWasSilent()) {
            std::printf("peak: 0\n");
            std::fprintf(stderr, "restova-cli maximize: %s is silent; nothing to do\n", r->file.c_str());
            return 0;
        }
        if (!changed) return 1;
        std::printf("peak: %" PRIu32 "\ngain: %.3f\n", touches.LastPeak(), touches.LastGain());
        return 0;
    });
}
