// CRecordPane: the record pane over CRecorder: the input device list (shown
// for the meter check), the level meters (with the target zone for the level
// check) and the time of the take while recording, fed by the
// recorder's 75 ms timer, and the "Using Flat Preamp" and "Auto Detect Audio"
// boxes. The stage buttons monitor, record, pause and save through the shell.
#pragma once

#include <QTimer>
#include <functional>

#include "ui/PaneWidget.h"

class CLevelMeters;
class CRecorder;
class QCheckBox;
class QComboBox;
class QLabel;

class CRecordPane : public CPaneWidget {
    Q_OBJECT
public:
    // recreateEngine: makes the audio engine anew after another input was chosen.
    CRecordPane(CRecorder& recorder, std::function<void()> recreateEngine, QWidget* parent);
    const void* Controller() const override { return m_recorder; }
    void Detach() override;
    void Reload() override;
    CLevelMeters* Meters() const { return m_meters; }
    QComboBox* Inputs() const { return m_inputs; }
    QLabel* TimeLabel() const { return m_time; }

private:
    void Tick();

    CRecorder* m_recorder;
    std::function<void()> m_recreateEngine;
    QWidget* m_inputRow;
    QComboBox* m_inputs;
    CLevelMeters* m_meters;
    QLabel* m_source;
    QLabel* m_time;
    QLabel* m_aim;
    QCheckBox* m_flat;
    QCheckBox* m_detect;
    QTimer m_timer;
};
