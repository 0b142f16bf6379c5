// CCdWriterPane: the CD writer's pane over CCdBurner: the recorder list with
// the "Sim" box and its disc's text, the songs in playing order (rows are
// dragged to change it) with their four columns, the space they take,
// "Preview Track" and "Delete Track". The stage buttons write the CD, make MP3
// or WMA files and import a playlist.
#pragma once

#include <QTimer>

#include "ui/PaneWidget.h"

class CCdBurner;
class ITrackPlayer;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class CSongListView;

class CCdWriterPane : public CPaneWidget {
    Q_OBJECT
public:
    // player: for Preview (may be null).
    CCdWriterPane(CCdBurner& burner, ITrackPlayer* player, QWidget* parent);
    const void* Controller() const override { return m_burner; }
    void Detach() override;
    void Reload() override;
    CSongListView* List() const { return m_list; }
    QCheckBox* SimulateBox() const { return m_simulate; }
    // A drop: the selected songs move before row `before` (the row count: to the end).
    void MoveSelectedBefore(size_t before);

private:
    void ShowSpace();

    CCdBurner* m_burner;
    ITrackPlayer* m_player;
    QComboBox* m_recorders;
    QCheckBox* m_simulate;
    QLabel* m_disc;
    CSongListView* m_list;
    QProgressBar* m_space;
    QLabel* m_spaceText;
    QTimer m_discTimer;
    bool m_filling = false;
};
