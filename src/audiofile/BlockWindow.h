// The sample block that filters and players work on: room for up to min(L, H)
// history samples in front of the block start, the block of L samples, and
// lookahead room behind it. Sizes are interleaved sample counts; history,
// block and lookahead are used in whole frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CBlockWindow {
public:
    // blockLength L (at least 2) and historyCapacity H in samples; zero-filled.
    CBlockWindow(uint32_t blockLength, uint32_t historyCapacity);

    uint32_t BlockLength() const { return m_blockLength; }
    uint32_t HistoryCapacity() const { return m_historyCapacity; }
    void SetHistory(uint32_t samples) { m_historyLength = samples; }
    void SetLookahead(uint32_t samples) { m_lookahead = samples; }

    // The block length, history and lookahead rounded down to whole frames of channels,
    // history and lookahead within the room there is for them.
    uint32_t FrameBlock(uint32_t channels) const;
    uint32_t FrameHistory(uint32_t channels) const;
    uint32_t FrameLookahead(uint32_t channels) const;

    int32_t* Base() { return m_base; }
    int32_t* BlockStart() { return m_blockStart; }
    int32_t* CapacityEnd() { return m_capacityEnd; }
    int32_t* BufferEnd() { return m_bufferEnd; }
    // Samples from the block start to the end of the buffer (block plus lookahead room).
    size_t Room() const { return static_cast<size_t>(m_bufferEnd - m_blockStart); }

    int32_t* ReadCursor() { return m_readCursor; }
    int32_t* EndCursor() { return m_endCursor; }
    void SetEnd(int32_t* end) { m_endCursor = end; }
    // Both cursors to the block start.
    void Rewind() { m_readCursor = m_endCursor = m_blockStart; }
    // Zero-fills the whole buffer and rewinds.
    void Clear();

    // Copies the last history samples before the end cursor to just in front of the block start
    // and rewinds; returns the history start.
    int32_t* CarryHistory(uint32_t history);
    // Appends one sample at the end cursor; false when the block is full.
    bool Append(int32_t value) {
        if (m_endCursor >= m_capacityEnd) return false;
        *m_endCursor++ = value;
        return true;
    }

private:
    uint32_t m_blockLength;
    uint32_t m_historyCapacity;
    uint32_t m_historyLength = 0;
    uint32_t m_lookahead = 0;
    std::vector<int32_t> m_samples;
    int32_t* m_base;
    int32_t* m_blockStart;
    int32_t* m_capacityEnd;
    int32_t* m_bufferEnd;
    int32_t* m_readCursor;
    int32_t* m_endCursor;
};
