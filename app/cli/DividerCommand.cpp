// restova-cli divider FILE add SECONDS [NAME] | delete INDEX | rename INDEX NAME | move INDEX +1|-1
// Edits FILE's track dividers as the waveform display does: in its session's
// current step when FILE has a session, else in its peak file. Prints the
// dividers afterwards, as `dividers` does.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"

namespace {

struct DividerRequest {
    std::string file;
    std::string action;  // add, delete, rename or move
    std::string at;      // seconds to add at, or the index of the divider
    std::optional<std::string> name;
    std::string direction;  // +1 or -1
};

// Seconds as a non-negative decimal number (no exponent, no sign, no inf or nan).
bool ParseSeconds(const std::string& text, double& seconds) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(seconds);
}

int RunDivider(const DividerRequest& r) {
    const std::string& path = r.file;
    const std::string& action = r.action;
    CSongDocument song;
    if (song.Open(path, PathExists(SessionFileName(path))) != 0) return 1;
    CTrackEditor editor(song);
    const int count = song.Dividers().Count();
    auto index = [&](const std::string& text) -> int {
        auto value = ParseWhole(text, action == "delete" ? -1 : 0, count - 1);
        return value ? static_cast<int>(*value) : -2;
    };

    bool ok = true;
    if (action == "add") {
        double seconds = 0;
        ParseSeconds(r.at, seconds);
        const double bytes = std::floor(seconds * song.BytesPerSecond());
        if (bytes > song.DataLength()) {
            std::fprintf(stderr, "restova-cli divider: %s is beyond the end of %s\n", r.at.c_str(), path.c_str());
            ok = false;
        } else {
            const int added = editor.AddDivider(static_cast<uint32_t>(bytes));
            if (added < 0) {
                std::fprintf(stderr, "restova-cli divider: %s already has 100 dividers\n", path.c_str());
                ok = false;
            } else if (r.name) {
                editor.RenameDivider(added, *r.name);
            }
        }
    } else if (action == "delete") {
        const int i = index(r.at);
        ok = i >= -1 && editor.DeleteDivider(i);
    } else if (action == "rename") {
        const int i = index(r.at);
        ok = i >= 0 && editor.RenameDivider(i, r.name.value_or(""));
    } else {
        const int i = index(r.at);
        song.SetSelectedDivider(i);
        ok = i >= 0 && (r.direction == "+1" ? editor.MoveDividerAhead() : editor.MoveDividerBack());
    }
    if (!ok && action != "add") std::fprintf(stderr, "restova-cli divider: no divider %s\n", r.at.c_str());
    song.Close(false, false);
    if (!ok) return 1;
    return PrintDividersOf(path);
}

}  // namespace

CommandRun DeclareDivider(CLI::App& sub) {
    auto r = std::make_shared<DividerRequest>();
    sub.add_option("FILE", r->file, "the wave")->required();
    sub.require_subcommand(1);
    CLI::App* add = sub.add_subcommand("add", "add a divider SECONDS into the song, named NAME");
    SetUsage(*add, "divider FILE add SECONDS [NAME]");
    add->add_option("SECONDS", r->at, "where, in seconds from the start")
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                double seconds = 0;
                return ParseSeconds(text, seconds) ? std::string() : "takes a decimal number of seconds, e.g. 12.5";
            },
            ""));
    add->add_option("NAME", r->name, "its name");
    CLI::App* del = sub.add_subcommand("delete", "delete divider INDEX (-1: all of them)");
    SetUsage(*del, "divider FILE delete INDEX");
    del->add_option("INDEX", r->at, "which divider, from 0")->required();
    CLI::App* rename = sub.add_subcommand("rename", "rename divider INDEX to NAME");
    SetUsage(*rename, "divider FILE rename INDEX NAME");
    rename->add_option("INDEX", r->at, "which divider, from 0")->required();
    rename->add_option("NAME", r->name, "the new name")->required();
    CLI::App* move = sub.add_subcommand("move", "move divider INDEX one second later (+1) or earlier (-1)");
    SetUsage(*move, "divider FILE move INDEX +1|-1");
    move->add_option("INDEX", r->at, "which divider, from 0")->required();
    move->add_option("DIRECTION", r->direction, "+1 or -1")->required()->check(CLI::IsMember({"+1", "-1"}));
    return [r, &sub] {
        r->action = sub.get_subcommands().front()->get_name();
        return RunDivider(*r);
    };
}
