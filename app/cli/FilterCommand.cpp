// restova-cli filter TYPE IN OUT [--params p0,...,p10] [--preset NAME]
//                    [--range START:END] [--preview-to WAV]
// Runs one filter over IN the way a filter pane does: the run becomes a step
// of IN's session, whose stream is then written into OUT. IN keeps its audio
// and is left without a session. With --preview-to the run is a preview
// instead, and the streamed blocks are written into WAV (OUT is not written
// and may be left out).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"
#include "shell/AppSettings.h"
#include "shell/ProgramPaths.h"
#include "shell/Services.h"
#include "shell/SettingsStore.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli filter TYPE IN OUT [--params p0,...,p10] [--preset NAME] [--range START:END] "
    "[--preview-to WAV]\n";

// A whole decimal number in [min, max]; nothing else accepted.
template <typename T>
std::optional<T> ParseNumber(const std::string& text, long long min, long long max) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < min || value > max) return std::nullopt;
    return static_cast<T>(value);
}

bool ParseParams(const std::string& text, CFilter::Params& params) {
    params.fill(0);
    size_t pos = 0;
    for (size_t i = 0; i <= params.size(); ++i) {
        if (i == params.size()) return false;  // more values than parameters
        const size_t comma = text.find(',', pos);
        auto value = ParseNumber<int>(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos),
                                      INT32_MIN, INT32_MAX);
        if (!value) return false;
        params[i] = *value;
        if (comma == std::string::npos) return true;
        pos = comma + 1;
    }
    return false;
}

bool ParseRange(const std::string& text, uint32_t& start, uint32_t& end) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    auto a = ParseNumber<uint32_t>(text.substr(0, colon), 0, UINT32_MAX);
    auto b = ParseNumber<uint32_t>(text.substr(colon + 1), 0, UINT32_MAX);
    if (!a || !b || *a > *b) return false;
    start = *a;
    end = *b;
    return true;
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
    auto type = ParseNumber<int>(positional[0], INT32_MIN, INT32_MAX);
    if (!type) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& in = positional[1];
    const std::string out = positional.size() == 3 ? positional[2] : std::string();

    CSettingsScope settings;
    std::unique_ptr<CFilter> filter = CFilterRunner::CreateFilter(*type);
    if (!filter) return 1;
    if (!preset.empty() && filter->LoadPreset(preset) != 0) {
        std::fprintf(stderr, "restova-cli filter: cannot load the preset %s\n", preset.c_str());
        return 1;
    }
    if (params) filter->SetParams(*params);

    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (PathExists(SessionFileName(in))) {
        std::fprintf(stderr, "restova-cli filter: %s has a session in progress; commit it first\n", in.c_str());
        return 1;
    }
    const std::string& temp = settings.Get().TempPath;
    if (!temp.empty() && !CProgramPaths::MakeDirectories(temp)) {
        std::fprintf(stderr, "restova-cli filter: cannot create the temporary folder %s\n", temp.c_str());
        return 1;
    }

    // Opening a session builds the song's peak file; one that was not there before goes again.
    const std::string inPeaks = PeakFileName(in);
    const bool hadPeaks = PathExists(inPeaks);
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    int rc = source.OpenRead(in);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, in);
        return 1;
    }
    CFilterRunner runner;
    runner.SetSource(&source);
    bool ok;
    if (preview) {
        CFilePreviewPlayer player(previewPath);
        player.SetLoop(false);
        runner.SetPlayer(&player);
        ok = runner.RunFilter(start, end, filter.get(), nullptr, true);
        player.Stop();
        runner.SetPlayer(nullptr);
        ok = ok && player.Result() == kFileOk;
        // A cut-off preview is no preview: leave no half-written file.
        if (!ok) ::unlink(previewPath.c_str());
    } else {
        ok = runner.RunFilter(start, end, filter.get(), nullptr, false);
        if (ok) ok = source.Session().CommitSession(out);
    }
    source.Close();
    source.Session().DiscardSession(false);
    if (!hadPeaks) ::unlink(inPeaks.c_str());
    return ok ? 0 : 1;
}
