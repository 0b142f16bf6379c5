#include "ui/ActivityDisplay.h"

#include <QPainter>

namespace {

const QColor kField(16, 24, 30);
const QColor kGrid(50, 66, 72);
const char* const kLaneNames[CTaviCleanDlg::kLanes] = {"Scratch", "Crackle", "Hiss", "Hum"};

}  // namespace

CActivityDisplay::CActivityDisplay(int width, int height, QWidget* parent)
    : QWidget(parent), m_image(width, height, QImage::Format_RGB32) {
    setFixedSize(width, height);
    m_image.fill(kField);
    PaintGrid(0);
    setAccessibleName(QStringLiteral("Cleaning activity"));
}

void CActivityDisplay::PaintGrid(int fromX) {
    QPainter p(&m_image);
    p.setPen(kGrid);
    for (int lane = 1; lane <= CTaviCleanDlg::kLanes; ++lane) {
        const int y = lane * LaneHeight() - 1;
        p.drawLine(fromX, y, m_image.width() - 1, y);
    }
}

void CActivityDisplay::Push(const std::array<CTaviCleanDlg::Bar, CTaviCleanDlg::kLanes>& bars, int step) {
    step = std::clamp(step, 1, m_image.width());
    const int keep = m_image.width() - step;
    {
        QPainter p(&m_image);
        p.drawImage(QPoint(0, 0), m_image.copy(step, 0, keep, m_image.height()));
        p.fillRect(keep, 0, step, m_image.height(), kField);
    }
    PaintGrid(keep);
    QPainter p(&m_image);
    const int lane = LaneHeight();
    for (int i = 0; i < CTaviCleanDlg::kLanes; ++i) {
        const CTaviCleanDlg::Bar& bar = bars[static_cast<size_t>(i)];
        const int height = std::clamp(bar.height, 0, lane - 1);
        if (height == 0) continue;
        const int bottom = (i + 1) * lane - 1;
        p.fillRect(keep, bottom - height, step - 1 > 0 ? step - 1 : 1, height, QColor(bar.red, bar.green, bar.blue));
    }
    update();
}

void CActivityDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_image);
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(150, 170, 170));
    for (int i = 0; i < CTaviCleanDlg::kLanes; ++i) {
        p.drawText(QRect(3, i * LaneHeight(), 80, LaneHeight()), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLatin1(kLaneNames[i]));
    }
}
