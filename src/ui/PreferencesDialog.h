// CPreferencesDialog: the Preferences window over CPreferences: the six
// folders and the editor program with their "..." buttons, the tree of
// options, Button Font and Font Color; on OK the model holds what was chosen.
#pragma once

#include <QDialog>
#include <array>

#include "shell/Preferences.h"

class AppSettings;
class QLineEdit;
class QTreeWidget;

class CPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // model: the dialog's values as the shell fills them from the settings.
    CPreferencesDialog(CPreferences model, const AppSettings& settings, QWidget* parent);

    QLineEdit* PathEdit(CPreferences::Field field) const { return m_paths[static_cast<size_t>(field)]; }
    QTreeWidget* Options() const { return m_options; }
    const CPreferences& Model() const { return m_model; }

    void accept() override;

private:
    void Browse(CPreferences::Field field);

    const AppSettings& m_settings;
    CPreferences m_model;
    std::array<QLineEdit*, CPreferences::kFieldCount> m_paths{};
    QTreeWidget* m_options;
};
