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

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/WaveFile.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"
#include "shell/FilterFactory.h"

namespace {

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

struct FilterRequest {
    int type = 0;
    std::string in;
    std::string out;
    std::optional<CFilter::Params> params;
    std::string preset;
    std::string previewPath;
    uint32_t start = 0;
    uint32_t end = 0;
};

int RunFilter(const FilterRequest& r) {
    const std::string& in = r.in;
    const std::string& out = r.out;
    const bool preview = !r.previewPath.empty();
    if (out.empty() && !preview) return UsageError("filter", "OUT is required without --preview-to");
    const uint32_t start = r.start;
    const uint32_t end = r.end;
    const std::string& preset = r.preset;
    const std::string& previewPath = r.previewPath;

    CSettingsScope settings;
    std::unique_ptr<CFilter> filter = CFilterFactory::CreateFilter(r.type);
    if (!filter) return 1;
    if (!preset.empty() && filter->LoadPreset(preset) != 0) {
        std::fprintf(stderr, "restova-cli filter: cannot load the preset %s\n", preset.c_str());
        return 1;
    }
    if (r.params) filter->SetParams(*r.params);

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (!HasNoSession("filter", in) || !MakeTempFolder("filter", settings.Get())) return 1;
    if (!preview) {
        RunReport report;
        if (!OutMayBeWritten("filter", out) || !RunAndCommit(in, out, *filter, kMsgNone, start, end, &report)) {
            return 1;
        }
        std::printf("written: %s\n", out.c_str());
        ReportClipping("filter", report.clipped, report.samples);
        return 0;
    }

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

}  // namespace

CommandRun DeclareFilter(CLI::App& sub) {
    auto r = std::make_shared<FilterRequest>();
    AddWhole(sub, "TYPE", r->type, INT32_MIN, INT32_MAX, "the filter's type number")->required();
    sub.add_option("IN", r->in, "the wave to filter")->required();
    sub.add_option("OUT", r->out, "the wave to write (not with --preview-to)");
    sub.add_option_function<std::string>(
           "--params",
           [r](const std::string& text) {
               CFilter::Params p;
               if (!ParseParams(text, p)) throw CLI::ValidationError("--params takes up to eleven whole numbers");
               r->params = p;
           },
           "the filter's parameters, comma-separated")
        ->type_name("P0,...,P10");
    sub.add_option("--preset", r->preset, "the preset to load first")->type_name("NAME");
    sub.add_option_function<std::string>(
           "--range",
           [r](const std::string& text) {
               if (!ParseRange(text, r->start, r->end)) {
                   throw CLI::ValidationError("--range takes START:END in bytes, START <= END");
               }
           },
           "the bytes of IN to filter")
        ->type_name("START:END");
    sub.add_option("--preview-to", r->previewPath, "preview instead and write what is heard into WAV")
        ->type_name("WAV");
    return [r] { return RunFilter(*r); };
}
