// CPlaceholderPane: stands in the pane rectangle for a pane whose widget is
// not built yet (CD ripper, waveform, CD writer), naming the stage and the
// song it works on, so that the buttons still lead through the stages.
#pragma once

#include "ui/PaneWidget.h"

class CShellDlg;
class QLabel;

class CPlaceholderPane : public CPaneWidget {
    Q_OBJECT
public:
    CPlaceholderPane(CShellDlg& shell, const void* controller, QWidget* parent);
    const void* Controller() const override { return m_controller; }
    void Detach() override { m_controller = nullptr; }

private:
    const void* m_controller;
};
