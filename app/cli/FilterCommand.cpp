// restova-cli filter TYPE IN OUT [--params p0,...,p10] [--preset NAME]
//                    [--range START:END] [--preview-to WAV]
// Runs one filter over IN the way a filter pane does: the run becomes a step
// of IN's session, whose stream is then written into OUT. IN keeps its audio
// and is left without a session. With --preview-to the run is a preview
// instead, and the streamed blocks are written into WAV (OUT is not written
// and may be left out).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/WaveFile.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli filter TYPE IN OUT [--params p0,...,p10] [--preset NAME] [--range START:END] "
    "[--preview-to WAV]\n";

bool ParseParams(const std::string& text, CFilter::Params& params) {
    params.fill(0);
    size_t pos = 0;
    for (size_t i = 0; i <= params.size(); ++i) {
        if (i == params.size()) return false;  // more values than parameters
        const size_t comma = text.find(',', pos);
        auto value = ParseWhole(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos),
                                INT32_MIN, INT32_MAX);
        if (!value) return false;
        params[i] = static_cast<int>(*value);
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
    return false;
}

bool ParseRange(const std::string& text, uint32_t& start, uint32_t& end) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    auto a = ParseWhole(text.substr(0, colon), 0, UINT32_MAX);
    auto b = ParseWhole(text.substr(colon + 1), 0, UINT32_MAX);
    if (!a || !b || *a > *b) return false;
    start = static_cast<uint32_t>(*a);
    end = static_cast<uint32_t>(*b);
    return true;
}

}  // namespace

int CmdFilter(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::optional<CFilter::Params> params;
    std::string preset;
    std::string previewPath;
    uint32_t start = 0;
    uint32_t end = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--params" && hasValue) {
            CFilter::Params p;
            if (!ParseParams(args[++i], p)) {
                std::fprintf(stderr, "restova-cli filter: --params takes up to eleven whole numbers\n");
                return 2;
            }
            params = p;
        } else if (a == "--preset" && hasValue) {
            preset = args[++i];
        } else if (a == "--range" && hasValue) {
            if (!ParseRange(args[++i], start, end)) {
                std::fprintf(stderr, "restova-cli filter: --range takes START:END in bytes, START <= END\n");
                return 2;
            }
        } else if (a == "--preview-to" && hasValue) {
            previewPath = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    const bool preview = !previewPath.empty();
    if (positional.size() != 3 && !(preview && positional.size() == 2)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    auto type = ParseWhole(positional[0], INT32_MIN, INT32_MAX);
    if (!type) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& in = positional[1];
    const std::string out = positional.size() == 3 ? positional[2] : std::string();

    CSettingsScope settings;
    std::unique_ptr<CFilter> filter = CFilterRunner::CreateFilter(static_cast<int>(*type));
    if (!filter) return 1;
    if (!preset.empty() && filter->LoadPreset(preset) != 0) {
        std::fprintf(stderr, "restova-cli filter: cannot load the preset %s\n", preset.c_str());
        return 1;
    }
    if (params) filter->SetParams(*params);

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (!HasNoSession("filter", in) || !MakeTempFolder("filter", settings.Get())) return 1;
    if (!preview) return RunAndCommit(in, out, *filter, kMsgNone, start, end) ? 0 : 1;

    const bool ok = RunInSession(in, [&](CWaveFile&, CFilterRunner& runner) {
        CFilePreviewPlayer player(previewPath);
        player.SetLoop(false);
        runner.SetPlayer(&player);
        bool done = runner.RunFilter(start, end, filter.get(), nullptr, true);
        player.Stop();
        runner.SetPlayer(nullptr);
        done = done && player.Result() == kFileOk;
        // A cut-off preview is no preview: leave no half-written file.
        if (!done) ::unlink(previewPath.c_str());
        return done;
    });
    return ok ? 0 : 1;
}
