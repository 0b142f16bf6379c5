// restova-cli clean IN OUT | IN... --to DIR [--jobs N] [--scratch N] [--crackle N] [--hiss N] [--hum off|60|50]
//                          [--preset NAME] [--bypass] [--keep-residue]
// The Clean stage without its pane: the clean filter runs over the whole of
// IN as a step of IN's session, whose stream is then written into OUT. IN
// keeps its audio and is left without a session. The settings start from the
// named preset (default "Default", or the pane's start values when there is
// none); the options override them. The meters' totals go to standard output.
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
#include "processing/TaviClean.h"
#include "processing/TaviCleanDlg.h"

CommandRun DeclareClean(CLI::App& sub) {
    auto r = std::make_shared<CleanRequest>();
    auto files = std::make_shared<FileBatch>();
    AddFileBatch(sub, *files, "the wave to clean");
    AddWhole(sub, "--scratch", r->scratch, 0, CTaviCleanDlg::kScratch.max, "click removal strength");
    AddWhole(sub, "--crackle", r->crackle, 0, CTaviCleanDlg::kCrackle.max, "crackle removal strength");
    AddWhole(sub, "--hiss", r->hiss, 0, CTaviCleanDlg::kHiss.max, "hiss removal strength");
    sub.add_option_function<std::string>(
           "--hum",
           [r](const std::string& v) {
               if (v != "off" && v != "60" && v != "50") throw CLI::ValidationError("--hum takes off, 60 or 50");
               r->hum = v == "off" ? 0 : (v == "60" ? 1 : 2);
           },
           "mains hum removal")
        ->type_name("off|60|50");
    sub.add_option("--preset", r->preset, "the Clean preset to start from (default: Default)")->type_name("NAME");
    sub.add_flag("--bypass", r->bypass, "pass the audio through unchanged");
    sub.add_flag("--keep-residue", r->keepResidue, "write what the filters removed instead of the result");
    return [r, files] {
        return RunFileBatch("clean", *files, [r](const std::string& in, const std::string& out, bool replace) {
            CleanRequest one = *r;
            one.in = in;
            one.out = out;
            one.replaceOut = one.replaceOut || replace;
            return RunClean(one);
        });
    };
}

bool SetUpClean(CTaviClean& clean, const CleanRequest& r) {
    CFilter::Params p{CTaviCleanDlg::kScratch.start, CTaviCleanDlg::kCrackle.start, CTaviCleanDlg::kHiss.start, 0};
    clean.SetParams(p);
    const std::string presetName = r.preset.value_or(CPresetStore::kDefaultName);
    if (clean.LoadPreset(presetName) != 0 && r.preset) {
        Tell("restova-cli: cannot load the Clean preset " + presetName + "; 'restova-cli presets clean' lists them");
        return false;
    }
    p = clean.GetParams();
    if (r.scratch) p[0] = *r.scratch;
    if (r.crackle) p[1] = *r.crackle;
    if (r.hiss) p[2] = *r.hiss;
    if (r.hum) p[3] = *r.hum;
    clean.SetParams(p);
    clean.SetBypass(r.bypass ? 1 : 0);
    clean.SetKeepResidue(r.keepResidue ? 1 : 0);
    return true;
}

int RunClean(const CleanRequest& r) {
    const std::string& in = r.in;
    const std::string& out = r.out;
    if (OutIsIn("clean", in, out)) return 2;

    CSettingsScope settings;
    CTaviClean clean;
    if (!SetUpClean(clean, r)) return 1;

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (!HasNoSession("clean", in) || !MakeTempFolder("clean", settings.Get())) return 1;
    if (!r.replaceOut && !OutMayBeWritten("clean", out)) return 1;
    RunReport report;
    if (!RunAndCommit(in, out, clean, kMsgCleaningCaption, 0, 0, &report)) return 1;
    const CTaviClean::Totals totals = clean.GetTotals();

    const CFilter::Params& used = clean.GetParams();
    std::printf("scratch: %d\ncrackle: %d\nhiss: %d\nhum: %s\n", used[0], used[1], used[2],
                used[3] == 0 ? "off" : (used[3] == 2 ? "50" : "60"));
    std::printf("scratch-events: %lld\ncrackle-events: %lld\nmean-hiss-gain: %.3f\nhum-level: %d\n",
                static_cast<long long>(totals.scratch), static_cast<long long>(totals.crackle), totals.hissGain,
                totals.hum);
    ReportClipping("clean", report.clipped, report.samples);
    return 0;
}
