#include "ui/Replay.h"

#include <QApplication>
#include <QPixmap>
#include <QRegularExpression>

#include "shell/PickFiles.h"
#include "shell/TransitionTable.h"
#include "shell/WorkList.h"
#include "ui/PaneWidget.h"
#include "ui/PictureButton.h"
#include "ui/ShellWindow.h"

namespace {

// Selects exactly the rows named (by name as listed or number from 1) in the open list pane.
template <class Pane>
bool SelectRows(Pane& pane, const QStringList& items, bool all) {
    const auto& rows = pane.Rows();
    for (size_t i = 0; i < rows.size(); ++i) pane.SetSelected(i, all);
    for (const QString& item : items) {
        int row = pane.FindRow(item.toStdString());
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
        done = SelectRows(*bin1, items, all);
    } else if (CWorkList* list = shell.WorklistPane()) {
        done = SelectRows(*list, items, all);
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
