// CSoundCardDialog: the "Select Playback Device" window over CPlayDeviceDlg:
// the output devices with the stored one selected. OK stores the choice and,
// when it changed, has the audio engine made anew.
#pragma once

#include <QDialog>
#include <functional>

#include "devices/PlayDeviceDlg.h"

class QListWidget;

class CSoundCardDialog : public QDialog {
    Q_OBJECT
public:
    // recreate: makes the engine anew after a change (the shell's RecreateAudioEngine).
    CSoundCardDialog(AppSettings& settings, CAudioHost& host, std::function<void()> recreate, QWidget* parent);

    QListWidget* List() const { return m_list; }
    const CPlayDeviceDlg& Model() const { return m_model; }

    void accept() override;

private:
    CPlayDeviceDlg m_model;
    std::function<void()> m_recreate;
    QListWidget* m_list;
};
