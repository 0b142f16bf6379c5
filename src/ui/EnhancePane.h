// CEnhancePane: the Enhance stage's pane over CEnhancerDlg: Level and Exciter
// as horizontal trackbars with number boxes, Bass, Mids and Treble as upright
// trackbars, the Clip lamp lit by the controller's timer during a run, Bypass
// and the preset row. The stage buttons run Preview and Process.
#pragma once

#include <QTimer>
#include <array>

#include "ui/PaneWidget.h"

class CEnhancerDlg;
class CPresetRow;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class CEnhancePane : public CPaneWidget {
    Q_OBJECT
public:
    CEnhancePane(CEnhancerDlg& enhancer, QWidget* parent);
    const void* Controller() const override { return m_enhancer; }
    void Detach() override;
    void Reload() override;

    // Level, Exciter, Bass, Mids, Treble.
    QSlider* Trackbar(int i) const { return m_bars[static_cast<size_t>(i)]; }
    // Level's and Exciter's number boxes.
    QLineEdit* NumberBox(int i) const { return m_boxes[static_cast<size_t>(i)]; }
    bool LampLit() const { return m_lampLit; }

private:
    void Tick();
    void ShowLamp(bool lit);

    CEnhancerDlg* m_enhancer;
    QLabel* m_song;
    QLabel* m_lamp;
    QPushButton* m_bypass;
    std::array<QSlider*, 5> m_bars{};
    std::array<QLineEdit*, 2> m_boxes{};
    std::array<QLabel*, 3> m_toneValues{};
    CPresetRow* m_presets;
    QTimer m_timer;
    bool m_filling = false;
    bool m_lampLit = false;
};
