// CCleanPane: the Clean stage's pane over CTaviCleanDlg: the Scratch, Crackle
// and Hiss sliders (more reduction to the left) with their number boxes, the
// hum choice, Bypass, Keep Residue, the scrolling activity display fed by the
// 100 ms timer, and the preset row. The stage buttons run Preview and Process.
#pragma once

#include <QTimer>
#include <array>

#include "ui/PaneWidget.h"

class CActivityDisplay;
class CPresetRow;
class CTaviCleanDlg;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

class CCleanPane : public CPaneWidget {
    Q_OBJECT
public:
    CCleanPane(CTaviCleanDlg& clean, QWidget* parent);
    const void* Controller() const override { return m_clean; }
    void Detach() override;
    void Reload() override;

    QSlider* Slider(int i) const { return m_sliders[static_cast<size_t>(i)]; }
    QRadioButton* Hum(int choice) const { return m_hum[static_cast<size_t>(choice)]; }
    CActivityDisplay* Activity() const { return m_activity; }
    // The timer's work, also for tests: true when a reading was taken.
    bool Tick();

private:
    CTaviCleanDlg* m_clean;
    QLabel* m_song;
    std::array<QSlider*, 3> m_sliders{};
    std::array<QSpinBox*, 3> m_boxes{};
    std::array<QRadioButton*, 3> m_hum{};
    QPushButton* m_bypass;
    QCheckBox* m_residue;
    CActivityDisplay* m_activity;
    CPresetRow* m_presets;
    QTimer m_timer;
    bool m_filling = false;
};
