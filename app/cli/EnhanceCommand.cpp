// restova-cli enhance IN OUT | IN... --to DIR [--jobs N] [--exciter N] [--level N] [--bass N] [--mids N]
//                     [--treble N] [--preset NAME]
// Runs the Enhance stage over IN the way its pane does: the named preset
// (default "Default") gives the dynamics and valve settings, the options
// override the pane's five controls, and the run becomes a step of IN's
// session, whose stream is then written into OUT. IN keeps its audio and is
// left without a session. A preset missing from the user's preset folder is
// taken from the presets shipped with the program.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "FileBatch.h"
#include "SettingsScope.h"
#include "enhance/TaviEnhance.h"

namespace {

struct Control {
    const char* option;
    int param;  // the stage's own parameter it sets
    int min;
    int max;
    const char* help;
};
constexpr Control kControls[] = {
    {"--exciter", 0, 0, 100, "exciter amount"},
    {"--level", 1, -100, 100, "output level"},
    {"--bass", 2, -1000, 1000, "bass cut in 0.01 dB (negative values boost)"},
    {"--mids", 3, -1000, 1000, "mids cut in 0.01 dB (negative values boost)"},
    {"--treble", 4, -1000, 1000, "treble cut in 0.01 dB (negative values boost)"},
};

struct EnhanceRequest {
    std::string in;
    std::string out;
    std::optional<int> overrides[5];
    std::string preset = "Default";
    bool replaceOut = false;  // replace an existing OUT without asking
};

int RunEnhance(const EnhanceRequest& r) {
    const std::string& in = r.in;
    const std::string& out = r.out;

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (OutIsIn("enhance", in, out) || !HasNoSession("enhance", in)) return 1;

    CSettingsScope settings;
    CTaviEnhance enhancer;
    const std::string& preset = r.preset;
    if (enhancer.LoadPreset(preset) != 0) {
        std::fprintf(stderr, "restova-cli enhance: cannot load the preset %s\n", preset.c_str());
        return 1;
    }
    CFilter::Params params = enhancer.GetParams();
    for (int p = 0; p < 5; ++p) {
        if (r.overrides[p]) params[p] = *r.overrides[p];
    }
    enhancer.SetParams(params);

    if (!MakeTempFolder("enhance", settings.Get()) || (!r.replaceOut && !OutMayBeWritten("enhance", out))) return 1;
    RunReport report;
    if (!RunAndCommit(in, out, enhancer, kMsgEnhancingCaption, 0, 0, &report)) return 1;
    std::printf("written: %s\n", out.c_str());
    ReportClipping("enhance", report.clipped, report.samples, "try a lower --level");
    return 0;
}

}  // namespace

CommandRun DeclareEnhance(CLI::App& sub) {
    auto r = std::make_shared<EnhanceRequest>();
    auto files = std::make_shared<FileBatch>();
    AddFileBatch(sub, *files, "the wave to enhance");
    for (const Control& c : kControls) AddWhole(sub, c.option, r->overrides[c.param], c.min, c.max, c.help);
    sub.add_option("--preset", r->preset, "the Enhance preset to start from (default: Default)")
        ->type_name("NAME")
        ->check(CLI::Validator([](std::string& v) { return v.empty() ? "a preset needs a name" : ""; }, ""));
    return [r, files] {
        return RunFileBatch("enhance", *files, [r](const std::string& in, const std::string& out, bool replace) {
            EnhanceRequest one = *r;
            one.in = in;
            one.out = out;
            one.replaceOut = replace;
            return RunEnhance(one);
        });
    };
}
