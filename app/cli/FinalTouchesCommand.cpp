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
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
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

// Declares FILE, the two exclusive lengths sides (none for an empty list) and --commit.
std::shared_ptr<Request> DeclareEdit(CLI::App& sub, const std::vector<std::pair<const char*, const char*>>& sides) {
    auto r = std::make_shared<Request>();
    sub.add_option("FILE", r->file, "the wave")->required();
    CLI::Option* first = nullptr;
    for (const auto& [side, help] : sides) {
        std::string name = side;
        CLI::Option* o = AddWhole(
            sub, side, 1, kMaxMs,
            [r, name](long long ms) {
                r->side = name;
                r->ms = static_cast<uint32_t>(ms);
            },
            help, "MS");
        if (first) o->excludes(first);
        first = o;
    }
    sub.add_flag("--commit", r->commit, "write the session into FILE afterwards");
    return r;
}

// Opens the song through its session, runs edit (an exit status), and closes the song: the session
// is kept, committed and removed with --commit, or removed again when this run made it for nothing.
// With announce, says on stdout what holds the edit: "written: FILE" or "session: FILE's session".
int RunEdit(const char* command, const Request& r, const std::function<int(CFinalTouches&, CSongDocument&)>& edit,
            bool announce = true) {
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
        if (doc.Wave().Session().HasEdits()) doc.SetModified();
        if (!doc.Close(true, true)) status = 1;
        if (status == 0 && announce) std::printf("written: %s\n", r.file.c_str());
    } else {
        const bool edited = doc.Wave().Session().HasEdits();
        doc.Close(false, !hadSession && !edited);
        if (status == 0 && announce && edited) std::printf("session: %s\n", SessionFileName(r.file).c_str());
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

CommandRun DeclareTrim(CLI::App& sub) {
    auto r = DeclareEdit(
        sub, {{"--start", "cut MS milliseconds off the start"}, {"--end", "cut MS milliseconds off the end"}});
    return [r] {
        if (r->side.empty()) return UsageError("trim", "give --start MS or --end MS");
        return RunEdit("trim", *r, [&](CFinalTouches& touches, CSongDocument& doc) {
            touches.StartTrim(r->side == "--start" ? CFinalTouches::Side::Start : CFinalTouches::Side::End);
            if (!touches.SetTrimLength(r->ms)) return Refuse("trim", *r, doc, touches);
            return touches.ApplyTrim() ? 0 : 1;
        });
    };
}

CommandRun DeclareFade(CLI::App& sub) {
    auto r = DeclareEdit(sub, {{"--in", "fade in over MS milliseconds"}, {"--out", "fade out over MS milliseconds"}});
    return [r] {
        if (r->side.empty()) return UsageError("fade", "give --in MS or --out MS");
        return RunEdit("fade", *r, [&](CFinalTouches& touches, CSongDocument& doc) {
            // The stage lets a fade run past the song; a command asking for that is more likely a mistake.
            if (touches.LengthBytes(r->ms) > doc.DataLength()) return Refuse("fade", *r, doc, touches);
            touches.StartFade(r->side == "--in");
            touches.SetFadeLength(r->ms);
            return touches.ApplyFade() ? 0 : 1;
        });
    };
}

CommandRun DeclareMaximize(CLI::App& sub) {
    auto r = DeclareEdit(sub, {});
    return [r] {
        return RunEdit(
            "maximize", *r,
            [&](CFinalTouches& touches, CSongDocument&) {
                const bool changed = touches.MaximizeGain();
                if (touches.LastWasSilent()) {
                    std::printf("peak: 0\npeak-dbfs: -inf\n");
                    std::fprintf(stderr, "restova-cli maximize: %s is silent; nothing to do\n", r->file.c_str());
                    return 0;
                }
                if (!changed) return 1;
                std::printf("peak: %" PRIu32 "\ngain: %.3f\npeak-dbfs: %s\n", touches.LastPeak(), touches.LastGain(),
                            DbFs(touches.LastPeak()).c_str());
                return 0;
            },
            false);
    };
}
