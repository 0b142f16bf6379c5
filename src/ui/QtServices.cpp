#include "ui/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "base/ProgramPaths.h"
#include "ui/ProgressWindow.h"

namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Stop:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

CQtServices::CQtServices(CSettingsStore& store) : m_model(store) {}

CQtServices::~CQtServices() {
    delete m_window.data();
}

MsgAnswer CQtServices::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                  MsgButtons buttons) {
    if (!m_interactive) return m_scripted.MessageBox(text, caption, icon, buttons);
    QMessageBox box(IconOf(icon), QString::fromStdString(caption), QString::fromStdString(text), ButtonsOf(buttons),
                    m_main);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            return MsgAnswer::Ok;
    }
}

void CQtServices::ProgressOpen(int rangeMin, int rangeMax, const std::string& text) {
    const bool wasOpen = m_model.IsOpen();
    m_model.Open(rangeMin, rangeMax);
    if (!text.empty()) m_model.SetText(text);
    if (!m_window) m_window = new CProgressWindow(m_model, m_main);
    if (!wasOpen) m_window->Place();
    m_window->Refresh();
    m_window->show();
    m_window->raise();
    PumpMessages();
}

void CQtServices::ProgressSetText(const std::string& text) {
    m_model.SetText(text);
    if (m_window) m_window->Refresh();
}

void CQtServices::ProgressSetPos(int pos) {
    m_model.SetPos(pos);
    if (m_window) m_window->Refresh();
    PumpMessages();
}

void CQtServices::ProgressClose() {
    if (m_window) {
        m_model.Moved(m_window->x(), m_window->y());
        delete m_window.data();
    }
    m_model.Close();
}

void CQtServices::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CQtServices::PostMessage(std::function<void()> handler) {
    // Queued to the application object, which lives on the interface thread.
    QMetaObject::invokeMethod(qApp, std::move(handler), Qt::QueuedConnection);
}

void CQtServices::WaitMessages(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, [] {});
    loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void CQtServices::PlayChime(const std::string& wavPath) {
    if (!m_interactive) return m_scripted.PlayChime(wavPath);
    if (!CProgramPaths::Exists(wavPath)) return;
    // The desktop's sound server first; a bare ALSA system next. Not there: no chime.
    for (const char* player : {"paplay", "aplay"}) {
        if (CProgramPaths::OnPath(player)) {
            // Detached, so that no child is left to reap.
            QProcess::startDetached(QString::fromLatin1(player), {QString::fromStdString(wavPath)});
            return;
        }
    }
}

int CQtServices::RunProgram(const std::vector<std::string>& argv, bool wait) {
    return m_scripted.RunProgram(argv, wait);
}

int64_t CQtServices::StartProgram(const std::vector<std::string>& argv) {
    return m_scripted.StartProgram(argv);
}

void CQtServices::EndProgram(int64_t handle) {
    m_scripted.EndProgram(handle);
}

bool CQtServices::OpenDocument(const std::string& path) {
    if (!m_interactive) return m_scripted.OpenDocument(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

MsgAnswer CQtServices::AskText(const std::string& caption, const std::string& prompt, std::string& text) {
    if (!m_interactive) return m_scripted.AskText(caption, prompt, text);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_main, QString::fromStdString(caption), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(text), &ok);
    if (!ok) return MsgAnswer::Cancel;
    text = answer.toStdString();
    return MsgAnswer::Ok;
}

MsgAnswer CQtServices::AskTextAndNumber(const std::string& caption, const std::string& textPrompt, std::string& text,
                                        const std::string& numberPrompt, uint64_t& number, uint64_t maxNumber) {
    if (!m_interactive) {
        return m_scripted.AskTextAndNumber(caption, textPrompt, text, numberPrompt, number, maxNumber);
    }
    QDialog box(m_main);
    box.setWindowTitle(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(QString::fromStdString(textPrompt)));
    auto* edit = new QLineEdit(QString::fromStdString(text));
    layout->addWidget(edit);
    layout->addWidget(new QLabel(QString::fromStdString(numberPrompt)));
    // A spin box counts in int; a wave's sample count stays below that.
    const auto cap = static_cast<int>(std::min<uint64_t>(maxNumber, std::numeric_limits<int>::max()));
    auto* spin = new QSpinBox;
    spin->setRange(0, cap);
    spin->setValue(static_cast<int>(std::min<uint64_t>(number, static_cast<uint64_t>(cap))));
    layout->addWidget(spin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted) return MsgAnswer::Cancel;
    text = edit->text().toStdString();
    number = static_cast<uint64_t>(spin->value());
    return MsgAnswer::Ok;
}
