#include "ui/PictureButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

namespace {

std::function<void()>& HoverHook() {
    static std::function<void()> hook;
    return hook;
}

constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr qreal kSmallestPoints = 6.5;

// The font at which text fits area: the widget's own, or smaller down to a floor.
QFont FittingFont(QFont font, const QString& text, const QRectF& area) {
    for (;;) {
        const QRectF need = QFontMetricsF(font).boundingRect(area, kTextFlags, text);
        if ((need.width() <= area.width() + 0.5 && need.height() <= area.height() + 0.5) ||
            font.pointSizeF() <= kSmallestPoints) {
            return font;
        }
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
}

}  // namespace

CPictureButton::CPictureButton(QWidget* parent, Glyph glyph)
    : QAbstractButton(parent), m_glyph(glyph), m_textColour(200, 200, 166) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void CPictureButton::SetHoverHook(std::function<void()> hook) {
    HoverHook() = std::move(hook);
}

QRectF CPictureButton::TextArea() const {
    QRectF area = QRectF(rect()).adjusted(5, 3, -5, -3);
    if (m_glyph != Glyph::None && area.height() > area.width() * 1.5) area.setTop(area.bottom() - 24);
    return area;
}

bool CPictureButton::CaptionFits() const {
    const QRectF area = TextArea();
    const QRectF need = QFontMetricsF(font()).boundingRect(area, kTextFlags, text());
    return need.width() <= area.width() + 0.5 && need.height() <= area.height() + 0.5;
}

void CPictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(1, 1, -1, -1);
    const bool down = isDown();
    QColor top(46, 92, 98), bottom(22, 52, 58);
    if (!isEnabled()) {
        top = QColor(70, 78, 80);
        bottom = QColor(50, 56, 58);
    } else if (down) {
        std::swap(top, bottom);
    } else if (m_hover) {
        top = top.lighter(135);
        bottom = bottom.lighter(135);
    }
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(face, 8, 8);
    p.fillPath(path, fill);
    p.setPen(QPen(m_hover && isEnabled() ? QColor(235, 214, 140) : QColor(120, 160, 150), 1.2));
    p.drawPath(path);
    if (hasFocus()) {
        p.setPen(QPen(QColor(255, 236, 160), 1, Qt::DotLine));
        p.drawRoundedRect(face.adjusted(3, 3, -3, -3), 6, 6);
    }

    const QRectF area = TextArea();
    if (m_glyph != Glyph::None && area.top() > face.top() + 20) {
        PaintGlyph(p, QRectF(face.left() + 4, face.top() + 6, face.width() - 8, area.top() - face.top() - 10));
    }
    p.setPen(isEnabled() ? m_textColour : QColor(150, 150, 150));
    p.setFont(FittingFont(font(), text(), area));
    p.drawText(area.translated(down ? 1 : 0, down ? 1 : 0), kTextFlags, text());
}

void CPictureButton::PaintGlyph(QPainter& p, const QRectF& area) const {
    const qreal side = std::min(area.width(), area.height());
    const QRectF box(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    p.setPen(QPen(QColor(235, 214, 140), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (m_glyph == Glyph::TrainingWheels) {
        // A bicycle's frame on two small wheels: help for the first rides.
        const qreal r = side * 0.17;
        const QPointF back(box.left() + r + 1, box.bottom() - r - 2), front(box.right() - r - 1, box.bottom() - r - 2);
        p.drawEllipse(back, r, r);
        p.drawEllipse(front, r, r);
        const QPointF seat(box.center().x() - r * 0.3, box.center().y() - r * 0.2);
        p.drawPolyline(QPolygonF({back, seat, QPointF(front.x() - r * 0.6, seat.y()), front}));
        p.drawLine(seat, QPointF(box.center().x(), box.bottom() - r - 2));
        p.drawLine(QPointF(front.x() - r * 0.6, seat.y()), QPointF(front.x() - r * 0.3, box.top() + side * 0.3));
    } else if (m_glyph == Glyph::Editor) {
        // A waveform with a pen over it: the editor for fine work.
        QPainterPath wave;
        wave.moveTo(box.left(), box.center().y());
        for (int i = 1; i <= 16; ++i) {
            const qreal x = box.left() + box.width() * i / 16.0;
            const qreal amp = side * 0.28 * ((i % 2) ? 1 : -1) * (1.0 - std::abs(i - 8) / 10.0);
            wave.lineTo(x, box.center().y() + amp);
        }
        p.drawPath(wave);
        p.setPen(QPen(QColor(240, 120, 90), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(box.right() - 2, box.top() + 2), QPointF(box.center().x() + 2, box.center().y() - 2));
    }
}

void CPictureButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    if (isEnabled() && HoverHook()) HoverHook()();
    QAbstractButton::enterEvent(event);
}

void CPictureButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}
