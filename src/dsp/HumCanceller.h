// Adaptive mains-hum canceller. One oscillator, phase-locked to the mains,
// drives all channels: every block of two mains cycles each harmonic is
// demodulated against it, the harmonics jointly (each weighted by how clearly
// it stands above the music) tell the oscillator's phase error, and a second-
// order loop follows the mains within ±0.5 Hz of its nominal frequency. Each
// harmonic's amplitude and phase, relative to the oscillator, are averaged
// over seconds; that estimate is what is subtracted, so each harmonic is taken
// out in a band a small fraction of a hertz wide and the bass beside it stays.
// A harmonic whose estimate does not stand steadily above the music's share of
// it is subtracted less, or not at all. No allocation; one object serves one or
// two channels.
#pragma once

#include <array>

class CHumCanceller {
public:
    static constexpr int kHarmonics = 7;
    static constexpr int kMaxChannels = 2;
    static constexpr double kTrackRange = 0.5;  // Hz either side of the nominal frequency

    // Nominal mains frequency, sample rate (Hz) and channels (1 or 2); clears all state.
    void Prepare(double mainsHz, double rate, int channels = 1);
    // One frame in (one sample per channel, any scale), the frame with the hum taken out.
    void Process(const double* in, double* out);
    // One channel's sample, for a canceller prepared with one channel.
    double Process(double x) {
        double y;
        Process(&x, &y);
        return y;
    }
    // The mains frequency followed so far (Hz).
    double Frequency() const;

private:
    // One lane per harmonic and a spare, so the per-sample loops run a fixed count the compiler
    // can unroll; unused lanes hold zeros.
    static constexpr int kLanes = 8;
    using Bank = std::array<double, kLanes>;
    struct Channel {
        Bank sumRe{}, sumIm{};    // this block's demodulated input
        Bank midRe{}, midIm{};    // first stage of the long average
        Bank humRe{}, humIm{};    // long average: the hum
        Bank slowRe{}, slowIm{};  // a longer average still
        Bank leak{};              // mean square of the long average's wander about the longer one
        Bank outRe{}, outIm{};    // what of the hum is subtracted
        Bank spread{};            // mean square of a block's deviation from the hum average
    };

    void EndBlock();
    void StartBlock();

    double m_rate = 44100.0, m_nominal = 60.0;
    int m_channels = 1, m_harmonics = kHarmonics;
    int m_blockLength = 1470, m_position = 0;
    long m_blocks = 0;
    double m_phase = 0.0;     // of the fundamental at the block's start, radians
    double m_step = 0.0;      // radians per sample in this block
    double m_freqStep = 0.0;  // the loop's frequency, radians per sample
    double m_minStep = 0.0, m_maxStep = 0.0;
    Bank m_zRe{}, m_zIm{};  // e^(jkφ) now
    Bank m_rRe{}, m_rIm{};  // e^(jk·step): one sample's turn
    std::array<Channel, kMaxChannels> m_state{};
};
