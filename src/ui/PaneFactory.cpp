#include "ui/PaneFactory.h"

#include "shell/ShellDlg.h"
#include "ui/PlaceholderPane.h"

const void* CPaneFactory::OpenController(const CShellDlg& shell) {
    if (shell.CdRipPane()) return shell.CdRipPane();
    if (shell.Bin1Pane()) return shell.Bin1Pane();
    if (shell.WorklistPane()) return shell.WorklistPane();
    if (shell.CleanPane()) return shell.CleanPane();
    if (shell.EnhancePane()) return shell.EnhancePane();
    if (shell.WaveformPane()) return shell.WaveformPane();
    if (shell.CdWriterPane()) return shell.CdWriterPane();
    return nullptr;
}

CPaneWidget* CPaneFactory::Make(CShellDlg& shell, QWidget* parent) {
    const void* open = OpenController(shell);
    if (!open) return nullptr;
    return new CPlaceholderPane(shell, open, parent);
}
