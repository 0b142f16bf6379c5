// restova-cli commit FILE: what closing a modified song does. The song is
// opened through its session (a damaged session asks, answered by --yes or
// --no), the stream is written back into the song with a fresh peak file that
// keeps the current dividers, and the session and its step files are removed.
#include <cstdio>
#include <memory>

#include "CliArgs.h"
#include "CliOutput.h"
#include "Commands.h"
#include "audiofile/EditQueue.h"
#include "audiofile/WaveFile.h"
#include "processing/FileReports.h"

namespace {

int RunCommit(const std::string& path) {
    CWaveFile wave;
    wave.SetSessionMode(true);
    UseWindowFor(wave.Session());
    const int rc = wave.OpenRead(path, kOpenRead);
    ReportFileFaults(wave.Session().TakeFaults());
    if (rc != kFileOk) {
        if (rc != 1) ReportUnreadable(rc, path);
        return 1;
    }
    CEditQueue& session = wave.Session();
    const bool ok = !session.HasEdits() || CommitInWindow(session, path);
    wave.Close();
    // A failed or cancelled commit keeps the session and its files for the next try.
    session.DiscardSession(!ok);
    return ok ? 0 : 1;
}

}  // namespace

CommandRun DeclareCommit(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return RunCommit(*file); };
}
