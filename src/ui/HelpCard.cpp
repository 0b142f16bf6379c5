#include "ui/HelpCard.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "shell/ShellDlg.h"
#include "shell/TransitionTable.h"
#include "ui/UiFonts.h"

namespace {

const QColor kInk(235, 214, 140);
const QColor kLine(120, 190, 180);

void Turntable(QPainter& p, const QRectF& box) {
    p.drawRoundedRect(box, 8, 8);
    const QPointF c(box.left() + box.height() / 2 + 6, box.center().y());
    const qreal r = box.height() / 2 - 12;
    p.drawEllipse(c, r, r);
    p.drawEllipse(c, r * 0.3, r * 0.3);
    p.drawLine(QPointF(box.right() - 18, box.top() + 14), QPointF(box.right() - 24, box.bottom() - 30));
    p.drawLine(QPointF(box.right() - 24, box.bottom() - 30), QPointF(c.x() + r * 0.6, c.y() + r * 0.2));
}

void Tape(QPainter& p, const QRectF& box) {
    const QRectF shell = box.adjusted(10, 12, -10, -12);
    p.drawRoundedRect(shell, 6, 6);
    const qreal r = shell.height() / 4;
    p.drawEllipse(QPointF(shell.left() + shell.width() * 0.3, shell.center().y() - 4), r, r);
    p.drawEllipse(QPointF(shell.left() + shell.width() * 0.7, shell.center().y() - 4), r, r);
    p.drawRect(QRectF(shell.left() + shell.width() * 0.25, shell.bottom() - 16, shell.width() * 0.5, 10));
}

void Disc(QPainter& p, const QRectF& box) {
    const QPointF c = box.center();
    const qreal r = box.height() / 2 - 4;
    p.drawEllipse(c, r, r);
    p.drawEllipse(c, r * 0.18, r * 0.18);
    p.drawArc(QRectF(c.x() - r * 0.7, c.y() - r * 0.7, r * 1.4, r * 1.4), 30 * 16, 60 * 16);
}

void Songs(QPainter& p, const QRectF& box) {
    for (int i = 0; i < 4; ++i) {
        const qreal y = box.top() + 10 + i * (box.height() - 20) / 4;
        p.drawEllipse(QPointF(box.left() + 20, y + 8), 4, 4);
        p.drawLine(QPointF(box.left() + 34, y + 8), QPointF(box.right() - 20 - (i % 2) * 30, y + 8));
    }
}

void Sliders(QPainter& p, const QRectF& box) {
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + 20 + i * (box.height() - 40) / 2;
        p.drawLine(QPointF(box.left() + 16, y), QPointF(box.right() - 16, y));
        const qreal x = box.left() + 16 + (box.width() - 32) * (0.25 + 0.25 * i);
        p.drawRect(QRectF(x - 5, y - 9, 10, 18));
    }
}

void Waveform(QPainter& p, const QRectF& box) {
    QPainterPath wave;
    wave.moveTo(box.left() + 8, box.center().y());
    for (qreal x = 0; x < box.width() - 16; x += 3) {
        const qreal fade = std::min(1.0, x / 40.0) * std::min(1.0, (box.width() - 16 - x) / 40.0);
        wave.lineTo(box.left() + 8 + x, box.center().y() + std::sin(x / 3.1) * (box.height() / 2 - 10) * fade *
                                                               (0.5 + 0.5 * std::sin(x / 17.0)));
    }
    p.drawPath(wave);
    p.setPen(QPen(QColor(230, 80, 70), 2));
    p.drawLine(QPointF(box.center().x(), box.top() + 4), QPointF(box.center().x(), box.bottom() - 4));
}

}  // namespace

QString CHelpCard::Title(int state) {
    const StateInfo* info = CTransitionTable::Info(state);
    const QString name = info ? QString::fromLatin1(info->name) : QString();
    QString words;
    for (int i = 0; i < name.size(); ++i) {
        if (i > 0 && name[i].isUpper() && !name[i - 1].isUpper()) words += QLatin1Char(' ');
        words += name[i];
    }
    return words;
}

QString CHelpCard::Steps(const CShellDlg& shell) {
    QString text = QString::fromStdString(shell.Prompt());
    for (int i = 0; i < 4; ++i) {
        const QString caption = QString::fromStdString(shell.Caption(i)).trimmed();
        if (!caption.isEmpty()) text += QStringLiteral("\n\u2022 ") + caption;
    }
    return text;
}

CHelpCard::Sketch CHelpCard::SketchOf(int state) {
    switch (state) {
        case kStateRecordType:
        case kStateTurntableSpeed:
        case kStateTurntableHookup:
        case kStateMeterCheck:
        case kStateLevelCheck:
        case kStateInputHelp:
        case kStateReadyToRecord:
        case kStateRecording:
        case kStateRecordingPaused:
            return Sketch::Turntable;
        case kStateTapeHookup:
            return Sketch::Tape;
        case kStateCdRip:
            return Sketch::Disc;
        case kStateMySongFiles:
        case kStateWorkingOn:
            return Sketch::Songs;
        case kStateCleanStage:
        case kStateEnhanceStage:
            return Sketch::Sliders;
        case kStateReadyForCd:
        case kStateCompressedFiles:
            return Sketch::Burner;
        case kStateWelcome:
        case kStateChooseSource:
            return Sketch::Welcome;
        default:
            return Sketch::Waveform;
    }
}

void CHelpCard::Paint(QPainter& p, const QRect& area, const QString& title, const QString& steps, Sketch sketch) {
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, QColor(22, 34, 44));
    QFont heading = CUiFonts::Face("Comic Sans MS Bold");
    heading.setPixelSize(22);
    p.setFont(heading);
    p.setPen(kInk);
    const QRect head(area.left() + 14, area.top() + 10, area.width() - 28, 34);
    p.drawText(head, Qt::AlignLeft | Qt::AlignVCenter, title);

    const QRectF box(area.left() + 20, head.bottom() + 12, area.width() - 40, 150);
    p.setPen(QPen(kLine, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (sketch) {
        case Sketch::Turntable:
            Turntable(p, box);
            break;
        case Sketch::Tape:
            Tape(p, box);
            break;
        case Sketch::Disc:
        case Sketch::Burner:
            Disc(p, box);
            break;
        case Sketch::Songs:
            Songs(p, box);
            break;
        case Sketch::Sliders:
            Sliders(p, box);
            break;
        case Sketch::Waveform:
            Waveform(p, box);
            break;
        case Sketch::Welcome:
            Turntable(p, QRectF(box.left(), box.top(), box.width() / 2 - 6, box.height() / 2 - 6));
            Disc(p, QRectF(box.center().x() + 6, box.top(), box.width() / 2 - 6, box.height() / 2 - 6));
            Waveform(p, QRectF(box.left(), box.center().y() + 6, box.width(), box.height() / 2 - 6));
            break;
    }

    QFont body = CUiFonts::Face("Arial");
    body.setPixelSize(14);
    p.setFont(body);
    p.setPen(QColor(225, 228, 210));
    p.drawText(QRect(area.left() + 16, static_cast<int>(box.bottom()) + 18, area.width() - 32,
                     area.bottom() - static_cast<int>(box.bottom()) - 30),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, steps);
}
