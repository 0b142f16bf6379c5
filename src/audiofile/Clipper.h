// Clamping of internal samples to the clip limits on their way to file bytes
// or to the block, with a record of what was clamped: a flag that callers take
// after processing, the number of clamped samples and the largest overshoot.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t kClipCeiling = 8388607;
inline constexpr int32_t kClipFloor = -8388608;

// What clamping did since the stats were last taken.
struct ClipStats {
    uint64_t samples = 0;      // samples that were clamped
    int64_t maxOvershoot = 0;  // the largest distance beyond a limit, in 24-bit units
    // The largest overshoot in dB above full scale (0 when nothing was clamped).
    double OvershootDb() const;
};

class CClipper {
public:
    // With clamping off, values pass unchanged and nothing is recorded.
    void SetEnabled(bool on) { m_enabled = on; }
    bool Enabled() const { return m_enabled; }
    // Back to +8388607 and -8388608.
    void ResetLimits() {
        m_max = kClipCeiling;
        m_min = kClipFloor;
    }

    int32_t Clamp(int32_t v) {
        if (!m_enabled || (v <= m_max && v >= m_min)) return v;
        Record(1, v > m_max ? int64_t{v} - m_max : int64_t{m_min} - v);
        return v > m_max ? m_max : m_min;
    }
    // Clamps count samples in place; the same as Clamp on each.
    void ClampRun(int32_t* samples, size_t count);

    // Whether anything was clamped since the last call; clears the flag.
    bool TakeFlag() {
        const bool was = m_flag;
        m_flag = false;
        return was;
    }
    const ClipStats& Stats() const { return m_stats; }
    // The stats so far; they start again from nothing.
    ClipStats TakeStats() {
        const ClipStats s = m_stats;
        m_stats = ClipStats{};
        return s;
    }

private:
    void Record(uint64_t samples, int64_t overshoot) {
        m_flag = true;
        m_stats.samples += samples;
        if (overshoot > m_stats.maxOvershoot) m_stats.maxOvershoot = overshoot;
    }

    bool m_enabled = true;
    bool m_flag = false;
    int32_t m_max = kClipCeiling;
    int32_t m_min = kClipFloor;
    ClipStats m_stats;
};
