// CCdRipPane: the CD ripper's pane over CCdRipper: the drive list with
// "Open Image...", the disc's tracks (names edited in place), title look-up,
// play, the rip folder with "Browse...", the one-file box, the status line and
// the rip's progress. The stage buttons rip.
#pragma once

#include <QTimer>

#include "ui/PaneWidget.h"

class CCdRipper;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class CCdRipPane : public CPaneWidget {
    Q_OBJECT
public:
    // The probe for a disc put in or taken out, while nothing rips or plays.
    static constexpr int kProbeMs = 1500;

    CCdRipPane(CCdRipper& ripper, QWidget* parent);
    const void* Controller() const override { return m_ripper; }
    void Detach() override;
    void Reload() override;
    QTreeWidget* List() const { return m_list; }
    QPushButton* BrowseButton() const { return m_browse; }
    QCheckBox* OneFileBox() const { return m_oneFile; }
    QLabel* FolderLabel() const { return m_folder; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowStatus();
    void ShowFolder();
    void OnBrowse();

    CCdRipper* m_ripper;
    QComboBox* m_drives;
    QPushButton* m_image;
    QPushButton* m_titles;
    QPushButton* m_play;
    QTreeWidget* m_list;
    QLabel* m_folder;
    QPushButton* m_browse;
    QCheckBox* m_oneFile;
    QLabel* m_status;
    QProgressBar* m_progress;
    QTimer m_probe;
    bool m_filling = false;
};
