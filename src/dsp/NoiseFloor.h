// Tracks the noise floor under a stream of power spectra, so that a spectral
// attenuator can tell steady background noise from music that merely holds
// still. Per bin, the power is smoothed over a few frames and followed by a
// floor that drops at once to any lower value but rises only slowly: music
// keeps leaving the floor, noise never goes below it for long. A running
// median across neighbouring bins then ignores narrow sustained tones, which
// lift only a few bins, and a fixed factor turns the floor of noise into the
// noise's mean power.
#pragma once

#include <vector>

#include "dsp/Median.h"

class CNoiseFloor {
public:
    // Bins whose median the floor takes, centred on each bin.
    static constexpr int kSpread = 33;

    // Sizes the tracker for spectra of `bins` powers; the floor may rise by at most `rise`
    // (a power ratio, at least 1) from one spectrum to the next. Resets it. False, nothing
    // usable, for no bins or without memory.
    bool Init(int bins, double rise);
    // Forgets everything learned: the next spectrum starts afresh.
    void Reset();

    // Takes one power spectrum of Bins() values. Never allocates.
    void Update(const double* power);

    // The estimated mean noise power per bin (Bins() values); 0 before the first Update.
    const double* Floor() const { return m_floor.data(); }
    int Bins() const { return m_bins; }

private:
    int m_bins = 0;
    double m_rise = 1.0;
    std::vector<double> m_smoothed;  // bins
    std::vector<double> m_minimum;   // bins: the slowly rising floor of the smoothed power
    std::vector<double> m_floor;     // bins
    CRunningMedian m_median;
    bool m_first = true;
};
