#include "ui/PlaceholderPane.h"

#include <QLabel>
#include <QVBoxLayout>

#include "shell/ShellDlg.h"
#include "shell/WavePane.h"

CPlaceholderPane::CPlaceholderPane(CShellDlg& shell, const void* controller, QWidget* parent)
    : CPaneWidget(parent), m_controller(controller) {
    QString text;
    if (shell.WaveformPane()) {
        text = QStringLiteral("Working on: %1").arg(QString::fromStdString(shell.WaveformPane()->Doc().Title()));
    } else if (shell.CdRipPane()) {
        text = QStringLiteral("CD tracks");
    } else if (shell.CdWriterPane()) {
        text = QStringLiteral("Songs for the CD");
    }
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(label);
}
