#include "ui/WaveGraph.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <vector>

#include "shell/WavePane.h"

namespace {

constexpr double kFullScale = 8388608.0;
const QColor kBackground(16, 24, 30);
const QColor kLaneLine(58, 76, 82);
const QColor kWaveColour(120, 220, 160);
const QColor kSelection(110, 190, 200, 80);
const QColor kTrimmed(230, 90, 70, 90);  // what a trim takes away
const QColor kDivider(235, 64, 52);
const QColor kNameText(250, 236, 232);
const QColor kFadeCurve(250, 214, 90);
const QColor kCursor(255, 255, 255);
const QColor kMark(235, 214, 140);

}  // namespace

CWaveGraph::CWaveGraph(CWavePane* wave, bool zoomable, QWidget* parent)
    : QWidget(parent), m_wave(wave), m_zoomable(zoomable) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(zoomable ? Qt::StrongFocus : Qt::NoFocus);
}

void CWaveGraph::SetMark(uint32_t a, uint32_t b) {
    if (a == m_markA && b == m_markB) return;
    m_markA = a;
    m_markB = b;
    update();
}

void CWaveGraph::Refresh() {
    if (!m_wave) return;
    const CPeakLevels& levels = m_wave->Levels();
    if (m_wave->LevelsVersion() != m_version || m_view.Length() != levels.Length()) {
        m_version = m_wave->LevelsVersion();
        m_view.SetSong(levels.Length(), m_wave->FrameBytes());
        m_view.SetWidth(width());
        emit ViewChanged();
    }
    update();
}

int CWaveGraph::ColumnOf(uint32_t position) const {
    return static_cast<int>(std::floor(m_view.ColumnOf(position)));
}

void CWaveGraph::SetCursor(int64_t position) {
    if (position == m_cursor) return;
    const int before = m_cursor < 0 ? -10 : ColumnOf(static_cast<uint32_t>(m_cursor));
    m_cursor = position;
    const int after = m_cursor < 0 ? -10 : ColumnOf(static_cast<uint32_t>(m_cursor));
    if (before == after) return;
    UpdateColumns(before, before);
    UpdateColumns(after, after);
}

void CWaveGraph::UpdateColumns(int a, int b) {
    if (a > b) std::swap(a, b);
    if (b < -2 || a > width() + 2) return;
    update(QRect(a - 2, 0, b - a + 5, height()));
}

void CWaveGraph::resizeEvent(QResizeEvent*) {
    m_view.SetWidth(width());
    emit ViewChanged();
}

void CWaveGraph::DrawWave() {
    const QSize size = this->size();
    const qreal ratio = devicePixelRatioF();
    if (m_picture.size() != size * ratio) m_picture = QPixmap(size * ratio);
    m_picture.setDevicePixelRatio(ratio);
    m_picture.fill(kBackground);
    QPainter p(&m_picture);
    const CPeakLevels* levels = m_wave ? &m_wave->Levels() : nullptr;
    const int lanes = levels && !levels->Empty() ? levels->Channels() : 1;
    const int laneHeight = size.height() / lanes;
    std::vector<uint32_t> columns(static_cast<size_t>(std::max(0, size.width())));
    for (int lane = 0; lane < lanes; ++lane) {
        const int top = lane * laneHeight;
        const int mid = top + laneHeight / 2;
        const double half = laneHeight / 2.0 - 1;
        if (lane > 0) {
            p.setPen(kLaneLine);
            p.drawLine(0, top, size.width(), top);
        }
        if (levels && !levels->Empty()) {
            levels->Columns(lane, m_view.First(), m_view.BytesPerColumn(), columns);
            p.setPen(kWaveColour);
            for (int x = 0; x < size.width(); ++x) {
                const int h = static_cast<int>(columns[static_cast<size_t>(x)] / kFullScale * half + 0.5);
                if (h > 0) p.drawLine(x, mid - h, x, mid + h);
            }
        }
        p.setPen(kLaneLine);
        p.drawLine(0, mid, size.width(), mid);
    }
    m_pictureOf = {m_view.First(), m_view.BytesPerColumn(), m_version, size};
}

void CWaveGraph::paintEvent(QPaintEvent* event) {
    QElapsedTimer clock;
    clock.start();
    if (m_pictureOf.first != m_view.First() || m_pictureOf.perColumn != m_view.BytesPerColumn() ||
        m_pictureOf.version != m_version || m_pictureOf.size != size()) {
        DrawWave();
    }
    QPainter p(this);
    p.setClipRect(event->rect());
    p.drawPixmap(0, 0, m_picture);
    DrawOverlays(p);
    m_paintMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void CWaveGraph::DrawOverlays(QPainter& p) {
    if (!m_wave) return;
    const CSongDocument& doc = m_wave->Doc();
    const int h = height();
    auto column = [this](uint32_t position) { return ColumnOf(position); };

    // The selection, or during a trim the part that goes.
    if (doc.SelEnd() > doc.SelStart()) {
        const int a = std::max(-1, column(doc.SelStart()));
        const int b = std::min(width() + 1, column(doc.SelEnd()));
        const bool trim = m_wave->GetFocus() == CWavePane::Focus::Trim && !m_wave->FinalTouchesView();
        if (b >= a) p.fillRect(QRect(a, 0, std::max(1, b - a), h), trim ? kTrimmed : kSelection);
        const std::vector<double> curve = m_wave->FocusCurve(std::clamp(b - a, 2, 400));
        if (!curve.empty() && b > a) {
            QPainterPath path;
            for (size_t i = 0; i < curve.size(); ++i) {
                const double x = a + static_cast<double>(b - a) * i / (curve.size() - 1);
                const double y = 2 + (h - 4) * (1.0 - curve[i]);
                if (i == 0) {
                    path.moveTo(x, y);
                } else {
                    path.lineTo(x, y);
                }
            }
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(kFadeCurve, 2));
            p.drawPath(path);
            p.setRenderHint(QPainter::Antialiasing, false);
        }
    }

    if (m_markB > m_markA) {
        p.setPen(QPen(kMark, 1));
        const int a = column(m_markA);
        const int b = std::max(a + 2, column(m_markB));
        p.drawRect(QRect(a, 0, b - a - 1, h - 1));
    }

    // The dividers with their names; the one being dragged where the pointer holds it.
    const CDividerList& dividers = doc.Dividers();
    QFont small = font();
    small.setPointSizeF(7.5);
    p.setFont(small);
    const QFontMetrics metrics(small);
    for (int i = 0; i < dividers.Count(); ++i) {
        const uint32_t at = i == m_drag ? m_dragAt : dividers.Position(i);
        const int x = column(at);
        if (x < -1 || x > width() + 1) continue;
        const bool chosen = i == doc.SelectedDivider();
        p.setPen(QPen(kDivider, chosen ? 3 : 2, i == m_drag ? Qt::DashLine : Qt::SolidLine));
        p.drawLine(x, 0, x, h);
        if (!m_zoomable && h < 80) continue;  // the overview is too low for names
        const QString name = metrics.elidedText(QString::fromStdString(dividers.Name(i)), Qt::ElideRight, 120);
        const QRect box(x + 3, 1, metrics.horizontalAdvance(name) + 6, metrics.height() + 1);
        p.fillRect(box, QColor(0, 0, 0, 150));
        p.setPen(kNameText);
        p.drawText(box, Qt::AlignCenter, name);
    }

    if (m_cursor >= 0) {
        const int x = column(static_cast<uint32_t>(m_cursor));
        p.setPen(QPen(kCursor, 1));
        p.drawLine(x, 0, x, h);
    }

    if (m_wave->AddArmed()) {
        // On a dark box, so that the waveform beneath does not cross it out.
        const QString hint = QStringLiteral("Click to add a divider");
        const QRect box(width() - metrics.horizontalAdvance(hint) - 10, h - metrics.height() - 3,
                        metrics.horizontalAdvance(hint) + 8, metrics.height() + 2);
        p.fillRect(box, QColor(0, 0, 0, 190));
        p.setPen(kMark);
        p.drawText(box, Qt::AlignCenter, hint);
    }
}

int CWaveGraph::DividerAt(int x) const {
    if (!m_wave) return -1;
    const uint32_t at = m_view.PositionAt(x);
    const double tolerance = m_view.BytesOf(CWavePane::kGrabPixels);
    return m_wave->DividerNear(at, static_cast<uint32_t>(std::min(tolerance, 4294967295.0)));
}

void CWaveGraph::mousePressEvent(QMouseEvent* event) {
    if (!m_wave || event->button() != Qt::LeftButton) return;
    const int x = static_cast<int>(event->position().x());
    const int grabbed = m_wave->AddArmed() || !m_editable ? -1 : DividerAt(x);
    if (grabbed >= 0) {
        m_drag = grabbed;
        m_dragAt = m_wave->Doc().Dividers().Position(grabbed);
        m_wave->Doc().SetSelectedDivider(grabbed);
        update();
        return;
    }
    emit Clicked(m_view.PositionAt(x));
}

void CWaveGraph::mouseMoveEvent(QMouseEvent* event) {
    if (!m_wave) return;
    const int x = static_cast<int>(event->position().x());
    const uint32_t at = m_view.PositionAt(x);
    emit PointerAt(at);
    if (m_drag >= 0) {
        const int before = ColumnOf(m_dragAt);
        m_dragAt = at;
        // The name travels with the line: redraw what both cover.
        UpdateColumns(std::min(before, x) - 2, std::max(before, x) + 130);
        return;
    }
    if (m_wave->AddArmed()) {
        setCursor(Qt::CrossCursor);
    } else if (m_editable && DividerAt(x) >= 0) {
        setCursor(Qt::SizeHorCursor);
    } else {
        unsetCursor();
    }
}

void CWaveGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag < 0 || event->button() != Qt::LeftButton) return;
    const int index = m_drag;
    m_drag = -1;
    emit DividerDropped(index, m_view.PositionAt(static_cast<int>(event->position().x())));
    update();
}

void CWaveGraph::wheelEvent(QWheelEvent* event) {
    if (!m_zoomable || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    if (m_view.Zoom(event->angleDelta().y() > 0, event->position().x())) {
        emit ViewChanged();
        update();
    }
}

void CWaveGraph::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_wave) return;
    const int grabbed = DividerAt(event->pos().x());
    if (grabbed >= 0) m_wave->Doc().SetSelectedDivider(grabbed);
    emit MenuAsked(m_view.PositionAt(event->pos().x()), event->globalPos());
}
