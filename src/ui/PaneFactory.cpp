#include "ui/PaneFactory.h"

#include "shell/ShellDlg.h"
#include "ui/Bin1Pane.h"
#include "ui/CdRipPane.h"
#include "ui/CdWriterPane.h"
#include "ui/CleanPane.h"
#include "ui/EnhancePane.h"
#include "ui/RecordPane.h"
#include "ui/WaveformPane.h"
#include "ui/WorklistPane.h"

const void* CPaneFactory::OpenController(const CShellDlg& shell) {
    if (shell.CdRipPane()) return shell.CdRipPane();
    if (shell.Bin1Pane()) return shell.Bin1Pane();
    if (shell.WorklistPane()) return shell.WorklistPane();
    if (shell.CleanPane()) return shell.CleanPane();
    if (shell.EnhancePane()) return shell.EnhancePane();
    if (shell.WaveformPane()) return shell.WaveformPane();
    if (shell.CdWriterPane()) return shell.CdWriterPane();
    if (shell.RecordPane()) return shell.RecordPane();
    return nullptr;
}

CPaneWidget* CPaneFactory::Make(CShellDlg& shell, QWidget* parent) {
    if (shell.Bin1Pane()) return new CBin1Pane(shell, *shell.Bin1Pane(), parent);
    if (shell.WorklistPane()) return new CWorklistPane(*shell.WorklistPane(), parent);
    if (shell.CleanPane()) return new CCleanPane(*shell.CleanPane(), parent);
    if (shell.EnhancePane()) return new CEnhancePane(*shell.EnhancePane(), parent);
    if (shell.RecordPane())
        return new CRecordPane(
            *shell.RecordPane(), [&shell] { shell.RecreateAudioEngine(); }, parent);
    if (shell.WaveformPane()) return new CWaveformPane(*shell.WaveformPane(), parent);
    if (shell.CdRipPane()) return new CCdRipPane(*shell.CdRipPane(), parent);
    if (shell.CdWriterPane()) return new CCdWriterPane(*shell.CdWriterPane(), shell.TrackPlayer(), parent);
    return nullptr;
}
