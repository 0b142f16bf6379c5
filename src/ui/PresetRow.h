// CPresetRow: a filter pane's preset row, drawn from the controller's combo
// model: the names (typed into for a new one), "&Save" and "&Delete". After
// every change the pane reloads its controls from the filter.
#pragma once

#include <QWidget>
#include <functional>

class CFilterDlg;
class QComboBox;
class QPushButton;

class CPresetRow : public QWidget {
    Q_OBJECT
public:
    // changed: the filter's parameters may have changed (a preset was loaded).
    CPresetRow(CFilterDlg& dialog, std::function<void()> changed, QWidget* parent);
    void Detach() { m_dialog = nullptr; }
    // Shows the combo model again.
    void Reload();
    QComboBox* Combo() const { return m_combo; }

private:
    CFilterDlg* m_dialog;
    std::function<void()> m_changed;
    QComboBox* m_combo;
    QPushButton* m_save;
    QPushButton* m_delete;
    bool m_filling = false;
};
