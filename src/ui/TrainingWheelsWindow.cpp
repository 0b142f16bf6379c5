#include "ui/TrainingWheelsWindow.h"

#include <QFileInfo>
#include <QPainter>

#include "base/AppSettings.h"
#include "shell/ShellDlg.h"
#include "ui/HelpCard.h"
#include "ui/UiFonts.h"

CTrainingWheelsWindow::CTrainingWheelsWindow(QWidget* mainWindow) : QWidget(mainWindow, Qt::Tool) {
    setWindowTitle(QStringLiteral("Training Wheels"));
    resize(AppSettings::kTrainingWheelsWidth, AppSettings::kTrainingWheelsHeight);
}

void CTrainingWheelsWindow::ShowPicture(const CShellDlg& shell) {
    m_file = QString::fromStdString(shell.HelpPicture());
    m_picture = QFileInfo::exists(m_file) ? QImage(m_file) : QImage();
    if (m_picture.isNull()) m_file.clear();
    m_title = CHelpCard::Title(shell.State());
    m_steps = CHelpCard::Steps(shell);
    m_sketch = CHelpCard::SketchOf(shell.State());
    update();
}

void CTrainingWheelsWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!m_picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), m_picture);
        return;
    }
    CHelpCard::Paint(p, rect(), m_title, m_steps, m_sketch);
}
