// restova-cli enhance IN OUT [--exciter N] [--level N] [--bass N] [--mids N]
//                     [--treble N] [--preset NAME]
// Runs the Enhance stage over IN the way its pane does: the named preset
// (default "Default") gives the dynamics and valve settings, the options
// override the pane's five controls, and the run becomes a step of IN's
// session, whose stream is then written into OUT. IN keeps its audio and is
// left without a session. A preset missing from the user's preset folder is
// taken from the presets shipped with the program.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "enhance/TaviEnhance.h"
#include "base/ProgramPaths.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli enhance IN OUT [--exciter 0..100] [--level -100..100] [--bass N] [--mids N] [--treble N] "
    "[--preset NAME]\n"
    "  tone controls -1000..1000 as the pane's trackbars hold them: each unit is 0.01 dB of cut, negative "
    "values boost\n";

struct Control {
    const char* option;
    int param;  // the stage's own parameter it sets
    int min;
    int max;
};
constexpr Control kControls[] = {
    {"--exciter", 0, 0, 100},   {"--level", 1, -100, 100},    {"--bass", 2, -1000, 1000},
    {"--mids", 3, -1000, 1000}, {"--treble", 4, -1000, 1000},
};

}  // namespace

int CmdEnhance(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::optional<int> overrides[5];
    std::string preset = "Default";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const Control* control = nullptr;
        for (const Control& c : kControls) {
            if (a == c.option) control = &c;
        }
        if (control && hasValue) {
            const auto value = ParseWhole(args[++i], control->min, control->max, 11);
            if (!value) {
                std::fprintf(stderr, "restova-cli enhance: %s takes a whole number from %d to %d\n", control->option,
                             control->min, control->max);
                return 2;
            }
            overrides[control->param] = static_cast<int>(*value);
        } else if (a == "--preset" && hasValue) {
            preset = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2 || preset.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& in = positional[0];
    const std::string& out = positional[1];

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (OutIsIn("enhance", in, out) || !HasNoSession("enhance", in)) return 1;

    CSettingsScope settings;
    CTaviEnhance enhancer;
    if (enhancer.LoadPreset(preset) != 0) {
        const std::string userPresets = settings.Get().PresetPath;
        settings.Get().PresetPath = CProgramPaths::Join(CProgramPaths::ShareFolder(), "Presets");
        const int loaded = enhancer.LoadPreset(preset);
        settings.Get().PresetPath = userPresets;
        if (loaded != 0) {
            std::fprintf(stderr, "restova-cli enhance: cannot load the preset %s\n", preset.c_str());
            return 1;
        }
    }
    CFilter::Params params = enhancer.GetParams();
    for (int p = 0; p < 5; ++p) {
        if (overrides[p]) params[p] = *overrides[p];
    }
    enhancer.SetParams(params);

    if (!MakeTempFolder("enhance", settings.Get())) return 1;
    const bool ok = RunAndCommit(in, out, enhancer, kMsgEnhancingCaption);
    if (ok && enhancer.TakeClipping()) {
        std::fprintf(stderr, "restova-cli enhance: some samples were clipped; try a lower --level\n");
    }
    return ok ? 0 : 1;
}
