// The level meter's data: the peak of each channel of the last buffer that
// was played or recorded, on the 24-bit scale (0..8388608). Sound threads
// store, the interface reads; nothing else is shared.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audiofile/WaveFormat.h"

class CLevelMeter {
public:
    // Peaks of bytes (whole frames of format); a mono buffer gives both channels the same peak.
    // Any thread; no allocation.
    static void PeaksOf(const WAVEFORMATEX& format, const uint8_t* bytes, size_t byteCount, int32_t& left,
                        int32_t& right);

    // Stores the peaks of a buffer that was just played or captured. Any thread.
    void Feed(const WAVEFORMATEX& format, const uint8_t* bytes, size_t byteCount);
    void Set(int32_t left, int32_t right) {
        m_left.store(left, std::memory_order_relaxed);
        m_right.store(right, std::memory_order_relaxed);
    }
    // Back to silence. Any thread.
    void Reset() { Set(0, 0); }
    int32_t Left() const { return m_left.load(std::memory_order_relaxed); }
    int32_t Right() const { return m_right.load(std::memory_order_relaxed); }

private:
    std::atomic<int32_t> m_left{0};
    std::atomic<int32_t> m_right{0};
};
