#include "ui/ProgressWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMoveEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/StringTable.h"
#include "shell/ProgressModel.h"

namespace {

ScreenRect RectOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

CProgressWindow::CProgressWindow(CProgressModel& model, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_model(model),
      m_mainWindow(mainWindow) {
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);
    m_text = new QLabel(this);
    m_text->setWordWrap(true);
    m_text->setMinimumWidth(300);
    m_percent = new QLabel(this);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, CProgressModel::kBarRange);
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(QString::fromStdString(LoadString(kMsgBtnCancel)), this);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_model.OnCancel(); });

    auto* row = new QHBoxLayout;
    row->addWidget(m_bar, 1);
    row->addWidget(m_percent);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_text);
    column->addLayout(row);
    column->addLayout(buttons);
    Refresh();
    adjustSize();
}

void CProgressWindow::Place() {
    adjustSize();
    const QScreen* screen = m_mainWindow ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QRect main = m_mainWindow ? m_mainWindow->frameGeometry() : desktop;
    m_model.Place(RectOf(main), width(), height(), RectOf(desktop));
    move(m_model.Left(), m_model.Top());
}

void CProgressWindow::Refresh() {
    m_text->setText(QString::fromStdString(m_model.Text()));
    m_percent->setText(QString::fromStdString(m_model.PercentText()));
    m_bar->setValue(m_model.BarPos());
    m_cancel->setEnabled(m_model.CancelEnabled());
}

void CProgressWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    m_model.Moved(x(), y());
}

void CProgressWindow::reject() {
    if (m_model.CancelEnabled()) m_model.OnCancel();
}
