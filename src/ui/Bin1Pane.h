// CBin1Pane: the "My Song Files" pane over CPickFiles: the bin's songs with
// size and date (a click on a heading sorts), the information text of the
// selected song, and Import..., Preview and Delete File.
#pragma once

#include "ui/PaneWidget.h"

class CPickFiles;
class CShellDlg;
class QLabel;
class QPushButton;
class QTreeWidget;

class CBin1Pane : public CPaneWidget {
    Q_OBJECT
public:
    CBin1Pane(CShellDlg& shell, CPickFiles& files, QWidget* parent);
    const void* Controller() const override { return m_files; }
    void Detach() override { m_files = nullptr; }
    void Reload() override;

    QTreeWidget* List() const { return m_list; }
    QLabel* Info() const { return m_info; }
    QPushButton* PreviewButton() const { return m_preview; }
    QPushButton* DeleteButton() const { return m_delete; }

private:
    void OnSelectionChanged();
    void OnImport();
    void ShowButtons();

    CShellDlg& m_shell;
    CPickFiles* m_files;
    QTreeWidget* m_list;
    QLabel* m_info;
    QPushButton* m_import;
    QPushButton* m_preview;
    QPushButton* m_delete;
    bool m_filling = false;
};
