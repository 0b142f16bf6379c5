// The voice-operated switch of recording: with the gate on, a buffer is
// written while either channel's peak is above the threshold and for the
// hold time after the last such buffer. Time is the recording's own (frames
// recorded), so a take recorded faster than real time holds just as long.
#pragma once

#include <cstdint>

class CSoundGate {
public:
    // on: gate the writing; threshold: 24-bit peak units; holdMs: how long sound is kept after the
    // last loud buffer.
    void Setup(bool on, int32_t threshold, uint32_t holdMs) {
        m_on = on;
        m_threshold = threshold;
        m_holdMs = holdMs;
        m_present = false;
        m_lastLoudMs = 0;
        m_seenLoud = false;
    }
    // Whether to write a buffer with these peaks that ends at nowMs of recording time, while
    // recording is (writing) or is not (monitoring, paused) asked for.
    bool Decide(int32_t left, int32_t right, bool writing, uint64_t nowMs) {
        if (!writing) return false;
        if (!m_on) return true;
        if (left > m_threshold || right > m_threshold) {
            m_lastLoudMs = nowMs;
            m_seenLoud = true;
            m_present = true;
            return true;
        }
        if (!m_seenLoud || nowMs - m_lastLoudMs > m_holdMs) {
            m_present = false;
            return false;
        }
        return true;
    }
    bool On() const { return m_on; }
    bool SoundPresent() const { return m_present; }
    int32_t Threshold() const { return m_threshold; }
    uint32_t HoldMs() const { return m_holdMs; }

private:
    bool m_on = false;
    int32_t m_threshold = 9999999;
    uint32_t m_holdMs = 2000;
    bool m_present = false;
    bool m_seenLoud = false;
    uint64_t m_lastLoudMs = 0;
};
