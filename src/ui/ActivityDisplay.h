// CActivityDisplay: the Clean pane's scrolling display. Each reading scrolls
// the picture left by a step and paints the newest strip at the right: four
// lanes (scratch, crackle, hiss reduction, hum) with a bar each, grown upward
// from the lane's bottom line, in the colours the Clean controller gives.
#pragma once

#include <QImage>
#include <QWidget>

#include "processing/TaviCleanDlg.h"

class CActivityDisplay : public QWidget {
    Q_OBJECT
public:
    CActivityDisplay(int width, int height, QWidget* parent);

    int LaneHeight() const { return m_image.height() / CTaviCleanDlg::kLanes; }
    // Scrolls by step pixels and paints the newest strip.
    void Push(const std::array<CTaviCleanDlg::Bar, CTaviCleanDlg::kLanes>& bars, int step);
    const QImage& Picture() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintGrid(int fromX);

    QImage m_image;
};
