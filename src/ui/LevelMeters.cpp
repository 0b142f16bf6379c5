#include "ui/LevelMeters.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

#include "devices/Recorder.h"

namespace {

constexpr double kFullScale = 8388607.0;
constexpr int kLabelWidth = 16;

}  // namespace

CLevelMeters::CLevelMeters(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(64);
    setAccessibleName(QStringLiteral("Input level"));
}

double CLevelMeters::Decibels(int32_t peak) {
    const double magnitude = std::abs(static_cast<double>(peak));
    if (magnitude <= 0) return kFloorDb;
    return std::max(kFloorDb, 20.0 * std::log10(magnitude / kFullScale));
}

void CLevelMeters::SetLevels(int32_t left, int32_t right) {
    const double l = Decibels(left);
    const double r = Decibels(right);
    if (l == m_left && r == m_right) return;
    m_left = l;
    m_right = r;
    update();
}

void CLevelMeters::SetStyle(int style) {
    if (style == m_style) return;
    m_style = style;
    update();
}

void CLevelMeters::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int scaleHeight = 16;
    const int barHeight = (height() - scaleHeight - 6) / 2;
    const QRect track(kLabelWidth, 0, width() - kLabelWidth - 4, barHeight);
    auto xOf = [&](double db) { return track.left() + static_cast<int>((db - kFloorDb) / -kFloorDb * track.width()); };
    const double levels[2] = {m_left, m_right};
    const char* const names[2] = {"L", "R"};
    for (int i = 0; i < 2; ++i) {
        const QRect bar = track.translated(0, i * (barHeight + 4));
        p.fillRect(bar, QColor(24, 32, 36));
        const bool zone = m_style == CRecorder::kMeterTargetZone;
        const QRect target(QPoint(xOf(kTargetLowDb), bar.top()), QPoint(xOf(kTargetHighDb), bar.bottom()));
        if (zone) p.fillRect(target, QColor(60, 70, 50));
        const int end = xOf(levels[i]);
        // Plain, the bar is green up to the red; with the zone, yellow shows the level is in it.
        const int greenEnd = std::min(end, xOf(zone ? kTargetLowDb : kTargetHighDb));
        const int yellowEnd = std::min(end, xOf(kTargetHighDb));
        p.fillRect(QRect(QPoint(bar.left(), bar.top() + 2), QPoint(greenEnd, bar.bottom() - 2)), QColor(80, 200, 90));
        if (yellowEnd > greenEnd) {
            p.fillRect(QRect(QPoint(greenEnd, bar.top() + 2), QPoint(yellowEnd, bar.bottom() - 2)),
                       QColor(235, 210, 60));
        }
        if (end > yellowEnd) {
            p.fillRect(QRect(QPoint(yellowEnd, bar.top() + 2), QPoint(end, bar.bottom() - 2)), QColor(230, 60, 50));
        }
        if (zone) {
            p.setPen(QColor(235, 210, 60));
            p.drawRect(target.adjusted(0, 0, -1, -1));
        }
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(0, bar.top(), kLabelWidth, bar.height()), Qt::AlignCenter, QString::fromLatin1(names[i]));
    }
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    const int scaleTop = 2 * (barHeight + 4);
    for (int db = static_cast<int>(kFloorDb); db <= 0; db += 10) {
        const int x = xOf(db);
        p.drawLine(x, scaleTop, x, scaleTop + 3);
        const int left = std::clamp(x - 20, 0, width() - 40);
        p.drawText(QRect(left, scaleTop + 3, 40, scaleHeight), Qt::AlignHCenter | Qt::AlignTop, QString::number(db));
    }
}
