#include "shell/WaveView.h"

#include <algorithm>
#include <cmath>

void CWaveView::SetSong(uint32_t length, uint32_t frameBytes) {
    m_length = length;
    m_frame = std::max<uint32_t>(1, frameBytes);
    ShowAll();
}

void CWaveView::SetWidth(int columns) {
    m_width = std::max(1, columns);
    if (m_whole) {
        ShowAll();
    } else {
        Clamp();
    }
}

double CWaveView::WholeScale() const {
    return std::max<double>(m_frame, static_cast<double>(m_length) / m_width);
}

uint32_t CWaveView::PositionAt(double x) const {
    const double at = std::clamp(m_first + x * m_perColumn, 0.0, static_cast<double>(m_length));
    return static_cast<uint32_t>(at) / m_frame * m_frame;
}

bool CWaveView::Zoom(bool in, double x) {
    const double before = m_perColumn;
    const double anchor = m_first + x * m_perColumn;
    m_perColumn = in ? std::max<double>(FinestScale(), m_perColumn / 2) : std::min(WholeScale(), m_perColumn * 2);
    if (m_perColumn == before) return false;
    m_whole = m_perColumn >= WholeScale();
    m_first = anchor - x * m_perColumn;
    Clamp();
    return true;
}

void CWaveView::ShowAll() {
    m_whole = true;
    m_perColumn = WholeScale();
    m_first = 0;
}

void CWaveView::Show(uint32_t a, uint32_t b) {
    if (b < a) std::swap(a, b);
    m_perColumn = std::clamp(static_cast<double>(b - a) / m_width, FinestScale(), WholeScale());
    m_whole = m_perColumn >= WholeScale();
    m_first = a;
    Clamp();
}

void CWaveView::Reveal(uint32_t position) {
    const double x = ColumnOf(position);
    if (x >= 0 && x < m_width) return;
    m_first = position - m_width / 2.0 * m_perColumn;
    Clamp();
}

void CWaveView::Clamp() {
    const double span = m_width * m_perColumn;
    m_first = std::clamp(m_first, 0.0, std::max(0.0, static_cast<double>(m_length) - span));
}

int CWaveView::ScrollMaximum() const {
    const double columns = std::ceil(m_length / m_perColumn) - m_width;
    return static_cast<int>(std::clamp(columns, 0.0, 2147483647.0));
}

int CWaveView::ScrollValue() const {
    return static_cast<int>(std::min(m_first / m_perColumn, 2147483647.0));
}

void CWaveView::ScrollTo(int value) {
    m_first = std::max(0, value) * m_perColumn;
    Clamp();
}
