#include "ui/Replay.h"

#include <QApplication>
#include <QPixmap>
#include <QRegularExpression>

#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "shell/PickFiles.h"
#include "shell/TransitionTable.h"
#include "shell/WorkList.h"
#include "ui/PaneWidget.h"
#include "ui/PictureButton.h"
#include "ui/ShellWindow.h"

namespace {

// Selects exactly the rows named (as listed, or by number from 1) in the open list pane.
template <class Pane, class NameOf>
bool SelectRows(Pane& pane, const QStringList& items, bool all, NameOf nameOf) {
    const auto& rows = pane.Rows();
    for (size_t i = 0; i < rows.size(); ++i) pane.SetSelected(i, all);
    for (const QString& item : items) {
        int row = -1;
        for (size_t i = 0; i < rows.size() && row < 0; ++i) {
            if (nameOf(rows[i]) == item.toStdString()) row = static_cast<int>(i);
        }
        bool number = false;
        const int n = item.toInt(&number);
        if (row < 0 && number && n >= 1 && static_cast<size_t>(n) <= rows.size()) row = n - 1;
        if (row < 0) return false;
        pane.SetSelected(static_cast<size_t>(row), true);
    }
    return true;
}

bool Select(CShellWindow& window, const QStringList& items, bool all) {
    CShellDlg& shell = window.Shell();
    bool done = false;
    if (CPickFiles* bin1 = shell.Bin1Pane()) {
        done = SelectRows(*bin1, items, all, [](const Bin1Row& r) { return r.name; });
    } else if (CWorkList* list = shell.WorklistPane()) {
        done = SelectRows(*list, items, all, [](const WorkRow& r) { return r.name; });
    } else if (CCdRipper* rip = shell.CdRipPane()) {
        done = SelectRows(*rip, items, all, [](const CdRipRow& r) { return std::to_string(r.track); });
    } else if (CCdBurner* writer = shell.CdWriterPane()) {
        done = SelectRows(*writer, items, all, [](const CdSongRow& r) { return r.name; });
    }
    if (window.Pane()) window.Pane()->Reload();
    return done;
}

}  // namespace

QStringList CReplay::Split(const QString& script) {
    return script.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

bool CReplay::Known(const QString& event) {
    return CTransitionTable::EventOf(event.toStdString()) >= 0 || event == QLatin1String("tw") ||
           event == QLatin1String("exit") || event == QLatin1String("select-all") ||
           event.startsWith(QLatin1String("select:"));
}

bool CReplay::Play(CShellWindow& window, const QString& event) {
    const int number = CTransitionTable::EventOf(event.toStdString());
    bool done = true;
    if (number == kEventStartOver) {
        window.Shell().Dispatch(kEventStartOver);
    } else if (number > 0) {
        window.ButtonOf(number)->click();
    } else if (event == QLatin1String("tw")) {
        window.TrainingWheelsButton()->click();
    } else if (event == QLatin1String("exit")) {
        window.ExitButton()->click();
    } else if (event == QLatin1String("select-all")) {
        done = Select(window, {}, true);
    } else if (event.startsWith(QLatin1String("select:"))) {
        done = Select(window, event.mid(7).split(QLatin1Char(',')), false);
    } else {
        done = false;
    }
    QApplication::processEvents();
    return done;
}

bool CReplay::Screenshot(CShellWindow& window, const QString& file) {
    return window.grab().save(file);
}
