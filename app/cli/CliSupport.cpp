#include "CliSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "CliOutput.h"
#include "SettingsScope.h"
#include "audiofile/DividerBlock.h"
#include "audiofile/FileNames.h"
#include "audiofile/TempFiles.h"
#include "audiofile/WaveFile.h"
#include "audiofile/WaveFormat.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "base/StringTable.h"
#include "processing/FileReports.h"
#include "processing/FilterRunner.h"

std::optional<long long> ParseWhole(const std::string& text, long long min, long long max, size_t maxChars) {
    if (text.empty() || text.size() > maxChars) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

bool OutIsIn(const char* command, const std::string& in, const std::string& out) {
    std::error_code ec;
    if (!std::filesystem::equivalent(in, out, ec)) return false;
    std::fprintf(stderr, "restova-cli %s: OUT must not be IN\n", command);
    return true;
}

bool HasNoSession(const char* command, const std::string& in) {
    if (!PathExists(SessionFileName(in))) return true;
    std::fprintf(stderr, "restova-cli %s: %s has a session in progress; commit it first\n", command, in.c_str());
    return false;
}

void SweepTemporaryFolder() {
    CSettingsScope settings;
    CTempFiles::Sweep(CFilterRunner::TempFolder());
}

bool MakeTempFolder(const char* command, const AppSettings& settings) {
    const std::string& temp = settings.TempPath;
    if (temp.empty() || CProgramPaths::MakeDirectories(temp)) return true;
    std::fprintf(stderr, "restova-cli %s: cannot create the temporary folder %s\n", command, temp.c_str());
    return false;
}

bool RunInSession(const std::string& in, const std::function<bool(CWaveFile& source, CFilterRunner& runner)>& run) {
    // A session of the run's own in the temporary folder: IN's folder is only read, and a killed
    // run leaves nothing there.
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    source.Session().SetPrivate(true);
    source.Session().SetTempPath(CFilterRunner::TempFolder());
    const int rc = source.OpenRead(in);
    if (rc != kFileOk) {
        ReportUnreadable(rc, in);
        return false;
    }
    CFilterRunner runner;
    runner.SetSource(&source);
    const bool ok = run(source, runner);
    source.Close();
    source.Session().DiscardSession(false);
    return ok;
}

bool RunAndCommit(const std::string& in, const std::string& out, CFilter& filter, MsgId captionId, uint32_t start,
                  uint32_t end, RunReport* report) {
    return RunInSession(in, [&](CWaveFile& source, CFilterRunner& runner) {
        if (captionId != kMsgNone) runner.SetCaption(LoadString(captionId));
        const uint64_t bytes = end > start ? end - start : source.DataLength();
        const bool ran = runner.RunFilter(start, end, &filter, nullptr, false);
        if (report) *report = {runner.LastClipStats(), bytes / std::max(1, source.BytesPerSample())};
        // A Ctrl-C before the run began is dropped by the runner as stale; it still means: write nothing.
        return ran && !Interrupted().load() && CommitInWindow(source.Session(), out);
    });
}

void PrintDividers(const DividerBlock& block, uint32_t count, const WAVEFORMATEX& format) {
    const double bytesPerSecond = static_cast<double>(format.nSamplesPerSec) * format.nBlockAlign;
    for (uint32_t i = 0; i < count && i < static_cast<uint32_t>(kMaxDividers); ++i) {
        const uint32_t position = block.records[i].position;
        const double seconds = bytesPerSecond > 0 ? position / bytesPerSecond : 0.0;
        std::printf("%u %u %.3f %s\n", i, position, seconds, block.Name(static_cast<int>(i)).c_str());
    }
    std::printf("clean: %s\nenhance: %s\nfinal: %s\n", block.StatusDone(0) ? "Y" : "N", block.StatusDone(1) ? "Y" : "N",
                block.StatusDone(2) ? "Y" : "N");
}
