// Which pane widget shows which of the machine's open controllers.
#pragma once

class CPaneWidget;
class CShellDlg;
class QWidget;

class CPaneFactory {
public:
    // The controller the machine has open (at most one), or null.
    static const void* OpenController(const CShellDlg& shell);
    // A widget over that controller, or null when none is open.
    static CPaneWidget* Make(CShellDlg& shell, QWidget* parent);
};
