// CCdWriterPane: the CD writer's pane over CCdBurner: the recorder list with
// its disc's text, the songs in playing order (Move Up and Move Down change
// it), the space they take, Preview and Delete. The stage buttons write the
// CD, make MP3 or WMA files and import a playlist.
#pragma once

#include <QTimer>

#include "ui/PaneWidget.h"

class CCdBurner;
class ITrackPlayer;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class CCdWriterPane : public CPaneWidget {
    Q_OBJECT
public:
    // player: for Preview (may be null).
    CCdWriterPane(CCdBurner& burner, ITrackPlayer* player, QWidget* parent);
    const void* Controller() const override { return m_burner; }
    void Detach() override;
    void Reload() override;
    QTreeWidget* List() const { return m_list; }
    // Moves the selected song one place up (-1) or down (+1).
    void MoveSelected(int step);

private:
    void ShowSpace();

    CCdBurner* m_burner;
    ITrackPlayer* m_player;
    QComboBox* m_recorders;
    QLabel* m_disc;
    QTreeWidget* m_list;
    QProgressBar* m_space;
    QLabel* m_spaceText;
    QTimer m_discTimer;
    bool m_filling = false;
};
