// restova-cli enhance IN OUT [--exciter N] [--level N] [--bass N] [--mids N]
//                     [--treble N] [--preset NAME]
// Runs the Enhance stage over IN the way its pane does: the named preset
// (default "Default") gives the dynamics and valve settings, the options
// override the pane's five controls, and the run becomes a step of IN's
// session, whose stream is then written into OUT. IN keeps its audio and is
// left without a session. A preset missing from the user's preset folder is
// taken from the presets shipped with the program.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "enhance/TaviEnhance.h"
#include "processing/FilterRunner.h"
#include "shell/AppSettings.h"
#include "shell/ProgramPaths.h"
#include "shell/SettingsStore.h"
#include "shell/StringTable.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli enhance IN OUT [--exciter 0..100] [--level -100..100] [--bass N] [--mids N] [--treble N] "
    "[--preset NAME]\n"
    "  tone controls -1000..1000 as the pane's trackbars hold them: each unit is 0.01 dB of cut, negative "
    "values boost\n";
constexpr int kIdEnhancingCaption = 61701;

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

std::optional<int> ParseWhole(const std::string& text, int min, int max) {
    if (text.empty() || text.size() > 11) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < min || value > max) return std::nullopt;
    return static_cast<int>(value);
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The settings of the config file for the length of the command.
class CSettingsScope {
public:
    CSettingsScope() {
        m_settings.Load(Profile());
        SetSettings(&m_settings);
    }
    ~CSettingsScope() { SetSettings(nullptr); }
    AppSettings& Get() { return m_settings; }

private:
    AppSettings m_settings;
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
            overrides[control->param] = ParseWhole(args[++i], control->min, control->max);
            if (!overrides[control->param]) {
                std::fprintf(stderr, "restova-cli enhance: %s takes a whole number from %d to %d\n", control->option,
                             control->min, control->max);
                return 2;
            }
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

    std::error_code ec;
    if (std::filesystem::equivalent(in, out, ec)) {
        std::fprintf(stderr, "restova-cli enhance: OUT must not be IN\n");
        return 1;
    }
    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (PathExists(SessionFileName(in))) {
        std::fprintf(stderr, "restova-cli enhance: %s has a session in progress; commit it first\n", in.c_str());
        return 1;
    }

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

    const std::string& temp = settings.Get().TempPath;
    if (!temp.empty() && !CProgramPaths::MakeDirectories(temp)) {
        std::fprintf(stderr, "restova-cli enhance: cannot create the temporary folder %s\n", temp.c_str());
        return 1;
    }
    // Opening a session builds the song's peak file; one that was not there before goes again.
    const std::string inPeaks = PeakFileName(in);
    const bool hadPeaks = PathExists(inPeaks);
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    const int rc = source.OpenRead(in);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, in);
        return 1;
    }
    CFilterRunner runner;
    runner.SetSource(&source);
    runner.SetCaption(LoadString(kIdEnhancingCaption));
    bool ok = runner.RunFilter(0, 0, &enhancer, nullptr, false);
    if (ok) ok = source.Session().CommitSession(out);
    source.Close();
    source.Session().DiscardSession(false);
    if (!hadPeaks) ::unlink(inPeaks.c_str());
    if (ok && enhancer.TakeClipping()) {
        std::fprintf(stderr, "restova-cli enhance: some samples were clipped; try a lower --level\n");
    }
    return ok ? 0 : 1;
}
