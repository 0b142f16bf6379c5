#include "dsp/NoiseFloor.h"

#include <algorithm>
#include <new>

namespace {

// Smoothing of each bin's power from frame to frame (weight of the past).
constexpr double kSmoothing = 0.6;

// The floor of smoothed noise power, across the median of the bins around it, lies this far
// below the noise's mean (about 0.45 of it at the rise the hiss reducer uses).
constexpr double kFloorToMean = 2.2;

}  // namespace

bool CNoiseFloor::Init(int bins, double rise) {
    if (bins < 1) return false;
    try {
        m_smoothed.assign(bins, 0.0);
        m_minimum.assign(bins, 0.0);
        m_floor.assign(bins, 0.0);
    } catch (const std::bad_alloc&) {
        m_bins = 0;
        return false;
    }
    m_bins = bins;
    m_rise = std::max(rise, 1.0);
    m_median.Init(std::min(kSpread, bins % 2 ? bins : bins - 1));  // odd, so the median is centred
    Reset();
    return true;
}

void CNoiseFloor::Reset() {
    std::fill(m_floor.begin(), m_floor.end(), 0.0);
    m_first = true;
}

void CNoiseFloor::Update(const double* power) {
    const int bins = m_bins;
    if (bins == 0) return;
    for (int k = 0; k < bins; ++k) {
        const double p = power[k] >= 0.0 ? power[k] : 0.0;  // also drops NaN
        if (m_first) {
            m_smoothed[k] = p;
            m_minimum[k] = p;
        } else {
            m_smoothed[k] = kSmoothing * m_smoothed[k] + (1.0 - kSmoothing) * p;
            m_minimum[k] = std::min(m_smoothed[k], m_minimum[k] * m_rise);
        }
    }
    m_first = false;

    // Median across the bins around each bin; the edges take the nearest full window's.
    const int w = m_median.Window(), h = w / 2;
    for (int k = 0; k < w; ++k) m_median.Push(m_minimum[k]);
    for (int k = h;; ++k) {
        const double value = kFloorToMean * m_median.Median();
        if (k == h) std::fill(m_floor.begin(), m_floor.begin() + h, value);
        m_floor[k] = value;
        if (k + h + 1 >= bins) {
            std::fill(m_floor.begin() + k + 1, m_floor.end(), value);
            break;
        }
        m_median.Push(m_minimum[k + h + 1]);
    }
    // Hiss is flat or rises with frequency. A floor that climbs towards the bass is the music's,
    // which is dense and sustained there: no bin's floor may stand above any higher bin's.
    for (int k = bins - 2; k >= 0; --k) m_floor[k] = std::min(m_floor[k], m_floor[k + 1]);
}
