// restova-cli riaa IN OUT
// Applies the RIAA playback equalisation to IN the way the workflow does after
// recording through a flat preamp: the filter runs over the whole song as a
// step of its session, whose stream is then written into OUT. IN keeps its
// audio and is left without a session. Also holds that frame for the speed
// command.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "enhance/Riaa.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"
#include "shell/AppSettings.h"
#include "shell/ProgramPaths.h"
#include "shell/SettingsStore.h"
#include "shell/StringTable.h"

namespace {

constexpr int kMsgRiaaCaption = 159;

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

int RunFilterInto(const char* command, CFilter& filter, const std::string& in, const std::string& out, int captionId) {
    std::error_code ec;
    if (std::filesystem::equivalent(in, out, ec)) {
        std::fprintf(stderr, "restova-cli %s: OUT must not be IN\n", command);
        return 1;
    }
    // The run ends by discarding IN's session; one the user already has must not go with it.
    if (PathExists(SessionFileName(in))) {
        std::fprintf(stderr, "restova-cli %s: %s has a session in progress; commit it first\n", command, in.c_str());
        return 1;
    }
    CSettingsScope settings;
    const std::string& temp = settings.Get().TempPath;
    if (!temp.empty() && !CProgramPaths::MakeDirectories(temp)) {
        std::fprintf(stderr, "restova-cli %s: cannot create the temporary folder %s\n", command, temp.c_str());
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
    runner.SetCaption(LoadString(captionId));
    bool ok = runner.RunFilter(0, 0, &filter, nullptr, false);
    if (ok) ok = source.Session().CommitSession(out);
    source.Close();
    source.Session().DiscardSession(false);
    if (!hadPeaks) ::unlink(inPeaks.c_str());
    return ok ? 0 : 1;
}

int CmdRiaa(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
        std::fputs("usage: restova-cli riaa IN OUT\n", stderr);
        return 2;
    }
    CRiaa filter;
    return RunFilterInto("riaa", filter, args[0], args[1], kMsgRiaaCaption);
}
