// Adaptive mains-hum canceller: a local oscillator at the mains frequency
// drives two weights per harmonic (cosine and sine), which least-mean-squares
// adaptation turns into the hum's amplitude and phase; the estimate is
// subtracted. Each harmonic is removed in a band of a fraction of a hertz, so
// the music beside it stays. The oscillator follows the mains within ±0.5 Hz
// of its nominal frequency by the drift of the fundamental's phase. No
// allocation; one object per channel.
#pragma once

#include <array>

class CHumCanceller {
public:
    static constexpr int kHarmonics = 7;
    static constexpr double kTrackRange = 0.5;  // Hz either side of the nominal frequency
    static constexpr double kBandwidth = 0.2;   // Hz, the width of each harmonic's notch

    // Nominal mains frequency and sample rate (Hz); clears all state.
    void Prepare(double mainsHz, double rate);
    // One sample in (any scale), the sample with the hum taken out.
    double Process(double x);
    // The mains frequency followed so far (Hz).
    double Frequency() const { return m_freq; }

private:
    void Track();

    double m_nominal = 60.0, m_freq = 60.0, m_rate = 44100.0;
    double m_mu = 0.0;     // adaptation step per sample
    double m_phase = 0.0;  // radians, of the fundamental
    int m_harmonics = kHarmonics;
    std::array<double, kHarmonics> m_cos{}, m_sin{};  // weights of each harmonic
    double m_lastAngle = 0.0;
    bool m_haveAngle = false;
    int m_count = 0;            // samples since the last frequency step
    double m_errorPower = 0.0;  // sum of the output's squares over them
    int m_trackEvery = 441;
};
