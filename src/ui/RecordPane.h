// CRecordPane: the record pane over CRecorder: the level meters and the time
// of the take, fed by the recorder's 75 ms timer, and the "Using Flat Preamp"
// and "Auto Detect Audio" boxes. The stage buttons monitor, record, pause and
// save through the shell.
#pragma once

#include <QTimer>

#include "ui/PaneWidget.h"

class CLevelMeters;
class CRecorder;
class QCheckBox;
class QLabel;

class CRecordPane : public CPaneWidget {
    Q_OBJECT
public:
    CRecordPane(CRecorder& recorder, QWidget* parent);
    const void* Controller() const override { return m_recorder; }
    void Detach() override;
    void Reload() override;
    CLevelMeters* Meters() const { return m_meters; }

private:
    void Tick();

    CRecorder* m_recorder;
    CLevelMeters* m_meters;
    QLabel* m_source;
    QLabel* m_time;
    QCheckBox* m_flat;
    QCheckBox* m_detect;
    QTimer m_timer;
};
