// CMp3SetupDialog: the MP3 encoder set-up window over CMP3Setup: the encoder
// program with "Browse...", its extra options, the encoder type (which fills
// in the program and enables the two boxes it allows), the encoder library
// box, the bit rate and VBR. OK writes the six settings.
#pragma once

#include <QDialog>
#include <array>

#include "codecs/Mp3SetupModel.h"

class CSettingsStore;
class QCheckBox;
class QLineEdit;
class QRadioButton;

class CMp3SetupDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTypeCount = 5;

    CMp3SetupDialog(CSettingsStore& store, QWidget* parent);

    QLineEdit* PathEdit() const { return m_path; }
    QLineEdit* BitRateEdit() const { return m_bitRate; }
    QRadioButton* TypeButton(int type) const { return m_types[static_cast<size_t>(type)]; }
    QCheckBox* DllBox() const { return m_dll; }
    QCheckBox* VbrBox() const { return m_vbr; }

    void accept() override;

private:
    void ShowType();

    CSettingsStore& m_store;
    CMP3Setup m_model;
    QLineEdit* m_path;
    QLineEdit* m_options;
    std::array<QRadioButton*, kTypeCount> m_types{};
    QCheckBox* m_dll;
    QLineEdit* m_bitRate;
    QCheckBox* m_vbr;
};
