// CTrainingWheelsWindow: the "Training Wheels" help window beside the main
// window. It shows the help picture of the machine's state: the picture file
// when one is installed, else a card drawn here with what the state is for
// and what the buttons do.
#pragma once

#include <QImage>
#include <QWidget>

#include "ui/HelpCard.h"

class CShellDlg;

class CTrainingWheelsWindow : public QWidget {
    Q_OBJECT
public:
    explicit CTrainingWheelsWindow(QWidget* mainWindow);

    // Shows the picture the machine names now.
    void ShowPicture(const CShellDlg& shell);
    // The picture file shown (empty: the drawn card).
    const QString& PictureFile() const { return m_file; }
    const QString& Title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_file;
    QImage m_picture;
    QString m_title;
    QString m_steps;
    CHelpCard::Sketch m_sketch = CHelpCard::Sketch::Welcome;
};
