// restova-cli clean IN OUT [--scratch N] [--crackle N] [--hiss N] [--hum off|60|50]
//                          [--preset NAME] [--bypass] [--keep-residue]
// The Clean stage without its pane: the clean filter runs over the whole of
// IN as a step of IN's session, whose stream is then written into OUT. IN
// keeps its audio and is left without a session. The settings start from the
// named preset (default "Default", or the pane's start values when there is
// none); the options override them. The meters' totals go to standard output.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "processing/TaviClean.h"
#include "processing/TaviCleanDlg.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli clean IN OUT [--scratch N] [--crackle N] [--hiss N] [--hum off|60|50] [--preset NAME] "
    "[--bypass] [--keep-residue]\n";

}  // namespace

int CmdClean(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::optional<int> scratch, crackle, hiss, hum;
    std::optional<std::string> preset;
    bool bypass = false;
    bool residue = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto number = [&](std::optional<int>& into, int max) {
            const std::optional<long long> value = hasValue ? ParseWhole(args[++i], 0, max, 10) : std::nullopt;
            if (!value) {
                std::fprintf(stderr, "restova-cli clean: %s takes a whole number from 0 to %d\n", a.c_str(), max);
                return false;
            }
            into = static_cast<int>(*value);
            return true;
        };
        if (a == "--scratch") {
            if (!number(scratch, CTaviCleanDlg::kScratch.max)) return 2;
        } else if (a == "--crackle") {
            if (!number(crackle, CTaviCleanDlg::kCrackle.max)) return 2;
        } else if (a == "--hiss") {
            if (!number(hiss, CTaviCleanDlg::kHiss.max)) return 2;
        } else if (a == "--hum" && hasValue) {
            const std::string v = args[++i];
            if (v == "off") {
                hum = 0;
            } else if (v == "60") {
                hum = 1;
            } else if (v == "50") {
                hum = 2;
            } else {
                std::fprintf(stderr, "restova-cli clean: --hum takes off, 60 or 50\n");
                return 2;
            }
        } else if (a == "--preset" && hasValue) {
            preset = args[++i];
        } else if (a == "--bypass") {
            bypass = true;
        } else if (a == "--keep-residue") {
            residue = true;
        } else if (a.rfind("--", 0) == 0) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& in = positional[0];
    const std::string& out = positional[1];
    if (OutIsIn("clean", in, out)) return 2;

    CSettingsScope settings;

    CTaviClean clean;
    CFilter::Params p{CTaviCleanDlg::kScratch.start, CTaviCleanDlg::kCrackle.start, CTaviCleanDlg::kHiss.start, 0};
    clean.SetParams(p);
    const std::string presetName = preset.value_or(CPresetStore::kDefaultName);
    if (clean.LoadPreset(presetName) != 0 && preset) {
        std::fprintf(stderr, "restova-cli clean: cannot load the preset %s\n", presetName.c_str());
        return 1;
    }
    p = clean.GetParams();
    if (scratch) p[0] = *scratch;
    if (crackle) p[1] = *crackle;
    if (hiss) p[2] = *hiss;
    if (hum) p[3] = *hum;
    clean.SetParams(p);
    clean.SetBypass(bypass ? 1 : 0);
    clean.SetKeepResidue(residue ? 1 : 0);

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (!HasNoSession("clean", in) || !MakeTempFolder("clean", settings.Get())) return 1;
    if (!RunAndCommit(in, out, clean, kMsgCleaningCaption)) return 1;
    const CTaviClean::Totals totals = clean.GetTotals();

    const CFilter::Params& used = clean.GetParams();
    std::printf("scratch: %d\ncrackle: %d\nhiss: %d\nhum: %s\n", used[0], used[1], used[2],
                used[3] == 0 ? "off" : (used[3] == 2 ? "50" : "60"));
    std::printf("scratch-events: %lld\ncrackle-events: %lld\nmean-hiss-gain: %.3f\nhum-level: %d\n",
                static_cast<long long>(totals.scratch), static_cast<long long>(totals.crackle), totals.hissGain,
                totals.hum);
    return 0;
}
