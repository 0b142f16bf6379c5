#include "audiofile/Clipper.h"

#include <algorithm>
#include <cmath>

#include "audiofile/Vectorize.h"

double ClipStats::OvershootDb() const {
    return maxOvershoot <= 0 ? 0.0 : 20.0 * std::log10(1.0 + static_cast<double>(maxOvershoot) / -kClipFloor);
}

namespace {

// Returns the number clamped and the largest overshoot. Written without branches so that it
// vectorises; the distance of any int32 beyond the limits fits an int32.
RESTOVA_VECTORIZE uint32_t ClampLoop(int32_t* s, size_t count, int32_t hi, int32_t lo, int32_t& overshoot) {
    uint32_t clamped = 0;
    int32_t most = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t v = s[i];
        const int32_t over = (std::max(v, hi) - hi) | (lo - std::min(v, lo));  // one of them is 0
        clamped += over != 0 ? 1u : 0u;
        most = std::max(most, over);
        s[i] = std::min(std::max(v, lo), hi);
    }
    overshoot = most;
    return clamped;
}

}  // namespace

void CClipper::ClampRun(int32_t* samples, size_t count) {
    if (!m_enabled) return;
    int32_t overshoot = 0;
    // In runs whose count fits the counter.
    while (count > 0) {
        const size_t n = count < (1u << 30) ? count : (1u << 30);
        const uint32_t clamped = ClampLoop(samples, n, m_max, m_min, overshoot);
        if (clamped > 0) Record(clamped, overshoot);
        samples += n;
        count -= n;
    }
}
