// CWaveformPane: the waveform pane over CWavePane: "Working on:" with the
// song's name and a "Play Track" button, the whole song in the upper graph,
// the information line, and below either the track list (name and duration)
// or the zoomable graph with its scroll bar, where dividers are dragged and a
// trim or fade being adjusted is shown up close. Right clicks open the
// waveform's and the track list's menus; a 50 ms timer moves the play cursor.
#pragma once

#include <QPoint>
#include <memory>

#include "ui/PaneWidget.h"

class CWaveGraph;
class CWavePane;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;
class QTreeWidget;

class CWaveformPane : public CPaneWidget {
    Q_OBJECT
public:
    CWaveformPane(CWavePane& wave, QWidget* parent);
    const void* Controller() const override { return m_wave; }
    void Detach() override;
    void Reload() override;

    CWaveGraph* Overview() const { return m_overview; }
    CWaveGraph* Detail() const { return m_detail; }
    QTreeWidget* Tracks() const { return m_tracks; }
    QLabel* Info() const { return m_info; }
    QScrollBar* ScrollBar() const { return m_scroll; }
    QPushButton* PlayButton() const { return m_play; }
    // A click on the upper graph at pixel column x.
    void ClickAt(int x);
    // The waveform's menu as opened at a byte position, and the track list's for a row; each item
    // carries its command out when triggered.
    std::unique_ptr<QMenu> WaveMenu(uint32_t position);
    std::unique_ptr<QMenu> TrackMenu(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Layout();
    void FillTracks();
    void ShowView();
    void ShowInfo(uint32_t pointer);
    void OnClicked(uint32_t position);
    void OnDropped(int index, uint32_t position);
    void OnTimer();
    void Zoom(bool in);

    CWavePane* m_wave;
    QLabel* m_title;
    QPushButton* m_play;
    CWaveGraph* m_overview;
    QLabel* m_info;
    CWaveGraph* m_detail;
    QScrollBar* m_scroll;
    QTreeWidget* m_tracks;
    QTimer* m_timer;
    uint32_t m_pointer = 0;
    bool m_focused = false;  // the lower graph shows a trim or fade up close
};
