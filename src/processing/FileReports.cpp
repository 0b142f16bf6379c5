#include "processing/FileReports.h"

#include <cstring>

#include "audiofile/EditQueue.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"

void ReportFileFaults(const FileFaults& faults) {
    for (const FileFault& f : faults) {
        const std::string systemText = f.error ? std::strerror(f.error) : std::string();
        switch (f.kind) {
            case FaultKind::kCannotWrite:
                CWaveFile::ReportFileError(kErrCannotWrite, f.path);
                break;
            case FaultKind::kCannotRead:
                CWaveFile::ReportFileError(kErrRead, f.path);
                break;
            case FaultKind::kShortWrite:
                ShowMessage(kMsgShortWrite, MsgIcon::Stop, MsgButtons::Ok,
                            {f.path, std::to_string(f.written), std::to_string(f.wanted)});
                break;
            case FaultKind::kNoPeakFile:
                if (f.oldFormat) ShowMessage(kMsgOldPeakFile, MsgIcon::Exclamation);
                ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
                break;
            case FaultKind::kOldPeakFile:
                ShowMessage(kMsgOldPeakFile, MsgIcon::Exclamation);
                break;
            case FaultKind::kSizeInconsistent:
                ShowMessage(kMsgSizeInconsistent, MsgIcon::Exclamation);
                break;
            case FaultKind::kTooManyTempFiles:
                ShowMessage(kMsgTooManyTempFiles, MsgIcon::Stop);
                break;
            case FaultKind::kSessionDamaged:
                CWaveFile::ReportFileError(kErrCannotOpen, f.path);
                break;
            case FaultKind::kBackupFailed:
                ShowMessage(kMsgBackupSong, MsgIcon::Stop, MsgButtons::Ok,
                            {std::to_string(f.error), f.path, f.other, systemText});
                break;
            case FaultKind::kRenameScratch:
                ShowMessage(kMsgRenameScratch, MsgIcon::Stop, MsgButtons::Ok, {f.path, f.other, systemText});
                break;
            case FaultKind::kRenameCompanion:
                ShowMessage(kMsgRenameOther, MsgIcon::Stop, MsgButtons::Ok, {f.path, f.other, systemText});
                break;
        }
    }
}

bool AskRecoverSession(const std::string&) {
    return ShowMessage(kMsgSessionCorrupt, MsgIcon::Stop, MsgButtons::YesNoCancel) == MsgAnswer::Yes;
}

JobProgress ProgressInWindow() {
    return [](JobPhase, int percent) {
        Services().ProgressSetPos(percent);
        return !CancelFlag().load();
    };
}

int ReportOpening(CWaveFile& wave, int rc, const std::string& path) {
    ReportFileFaults(wave.Session().TakeFaults());
    if (rc != kFileOk && !(rc == 1 && wave.SessionMode())) CWaveFile::ReportFileError(rc, path);
    return rc;
}

void UseWindowFor(CEditQueue& queue) {
    queue.SetRecoveryDecision(AskRecoverSession);
    queue.SetProgress(ProgressInWindow());
}

bool CommitInWindow(CEditQueue& queue, const std::string& target) {
    IServices& ui = Services();
    const bool ownWindow = !ui.ProgressIsOpen();
    const std::string title = FormatString(kMsgSaving, target);
    if (ownWindow) {
        ui.ProgressOpen(0, 100, title);
    } else {
        ui.ProgressSetText(title);
    }
    JobPhase shown = JobPhase::kCopying;
    const JobProgress inWindow = ProgressInWindow();
    const bool ok = queue.CommitSession(target, [&](JobPhase phase, int percent) {
        if (phase != shown) {
            ui.ProgressSetText(LoadString(kMsgCreatingPeakFile));
            shown = phase;
        }
        // The window stays alive and its Cancel button is heard while the song is written.
        ui.PumpMessages();
        return inWindow(phase, percent);
    });
    if (ownWindow) ui.ProgressClose();
    ReportFileFaults(queue.TakeFaults());
    return ok;
}
