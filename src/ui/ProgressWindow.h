// CProgressWindow: the one "Progress" window every long job shares. It only
// draws CProgressModel (text line, percentage, bar) and hands Cancel to it;
// the job polls the cancel flag between blocks while it pumps messages.
#pragma once

#include <QDialog>

class CProgressModel;
class QLabel;
class QProgressBar;
class QPushButton;

class CProgressWindow : public QDialog {
    Q_OBJECT
public:
    CProgressWindow(CProgressModel& model, QWidget* mainWindow);

    // Puts the window where the model says, by the main window and within the screen.
    void Place();
    // Shows what the model holds now.
    void Refresh();
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void moveEvent(QMoveEvent* event) override;
    // Escape and the title bar's close are Cancel: the job closes the window when it has stopped.
    void reject() override;

private:
    CProgressModel& m_model;
    QWidget* m_mainWindow;
    QLabel* m_text;
    QLabel* m_percent;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
