#include "ui/ShellBackground.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "ui/UiFonts.h"

namespace {

void PaintRecord(QPainter& p, const QPointF& centre, qreal radius) {
    QRadialGradient vinyl(centre, radius);
    vinyl.setColorAt(0.0, QColor(36, 44, 52));
    vinyl.setColorAt(1.0, QColor(18, 24, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(vinyl);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    for (qreal r = radius * 0.42; r < radius - 2; r += 3.0) p.drawEllipse(centre, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 62, 48));
    p.drawEllipse(centre, radius * 0.32, radius * 0.32);
    p.setBrush(QColor(20, 24, 28));
    p.drawEllipse(centre, 3, 3);
}

}  // namespace

void CShellBackground::Paint(QPainter& p, const QSize& client, const QRect& prompt, const QRect& pane) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient field(0, 0, 0, client.height());
    field.setColorAt(0.0, QColor(30, 44, 58));
    field.setColorAt(0.55, QColor(20, 32, 42));
    field.setColorAt(1.0, QColor(14, 22, 30));
    p.fillRect(QRect(QPoint(0, 0), client), field);

    // The name across the top, between the two side buttons, over a record and a wave.
    const QRect head(prompt.left() - 4, 18, prompt.width() + 8, prompt.top() - 24);
    PaintRecord(p, QPointF(head.right() - 42, head.center().y() + 2), 40);
    QPainterPath wave;
    const qreal mid = head.bottom() - 12;
    wave.moveTo(head.left(), mid);
    for (int x = 0; x <= head.width() - 90; x += 2) {
        const qreal t = x / 9.0;
        wave.lineTo(head.left() + x, mid + std::sin(t) * 7 * std::exp(-x / 180.0) * std::cos(t * 0.31));
    }
    p.setPen(QPen(QColor(120, 190, 180, 150), 1.6));
    p.drawPath(wave);
    QFont title = CUiFonts::Face("Comic Sans MS Bold");
    title.setPixelSize(38);
    p.setFont(title);
    p.setPen(QColor(235, 214, 140));
    p.drawText(QRect(head.left() + 6, head.top(), head.width() - 96, head.height() - 18),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Restova"));

    // A frame the prompt sits in, and the well the panes fill.
    p.setPen(QPen(QColor(120, 160, 150, 120), 1));
    p.setBrush(QColor(8, 14, 20, 170));
    p.drawRoundedRect(QRectF(prompt).adjusted(-6, -5, 6, 5), 8, 8);
    p.setBrush(QColor(8, 14, 20, 120));
    p.drawRoundedRect(QRectF(pane).adjusted(-3, -3, 3, 3), 6, 6);
}
