// CPaneWidget: the base of the widgets shown in the main window's pane
// rectangle. Each is a thin view over one controller the stage machine owns;
// when the machine closes that controller the widget is detached at once (it
// must not touch the controller again) and deleted later.
#pragma once

#include <QWidget>

class CPaneWidget : public QWidget {
    Q_OBJECT
public:
    // A light panel with dark text, whatever the desktop's theme: it sits on the window's dark picture.
    explicit CPaneWidget(QWidget* parent);

    // The controller this pane shows (to tell whether the machine still has it open).
    virtual const void* Controller() const = 0;
    // The controller is going away: stop timers, forget it.
    virtual void Detach() {}
    // A job ended or the machine changed state: show the controller's values again.
    virtual void Reload() {}
};
