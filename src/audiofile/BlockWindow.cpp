#include "audiofile/BlockWindow.h"

#include <algorithm>
#include <cstring>

CBlockWindow::CBlockWindow(uint32_t blockLength, uint32_t historyCapacity)
    : m_blockLength(std::max<uint32_t>(blockLength, 2)), m_historyCapacity(historyCapacity) {
    const size_t history = std::min(m_blockLength, m_historyCapacity);
    const size_t total = history + size_t{m_blockLength} + m_historyCapacity;
    m_samples.assign(total, 0);
    m_base = m_samples.data();
    m_blockStart = m_base + history;
    m_capacityEnd = m_blockStart + m_blockLength;
    m_bufferEnd = m_base + total;
    Rewind();
}

uint32_t CBlockWindow::FrameBlock(uint32_t channels) const {
    return m_blockLength / channels * channels;
}

uint32_t CBlockWindow::FrameHistory(uint32_t channels) const {
    const auto room = static_cast<uint32_t>(m_blockStart - m_base);
    return std::min(m_historyLength, room) / channels * channels;
}

uint32_t CBlockWindow::FrameLookahead(uint32_t channels) const {
    return std::min(m_lookahead, m_historyCapacity) / channels * channels;
}

void CBlockWindow::Clear() {
    std::fill(m_samples.begin(), m_samples.end(), 0);
    Rewind();
}

int32_t* CBlockWindow::CarryHistory(uint32_t history) {
    std::memmove(m_blockStart - history, m_endCursor - history, history * sizeof(int32_t));
    Rewind();
    return m_blockStart - history;
}
