// CPunchAndCrunch: four-band dynamics. The signal is split by three
// third-order Butterworth high-passes into bands that add up to the input;
// each band has a detector (shared by the channels), a smoother, a held
// envelope with its own release, and a gain law against its threshold. The
// Enhance stage runs it in front of the valve.
//
// Parameters: p0..p3 band thresholds (tenths of a dB, 0 = full scale),
// p4 ratio code (exponent base 10 / p4), p5 attack (tenths of a ms), p6
// release (hundredths of a s), p7 make-up gain (tenths of a dB), p8 gain law
// (0, 1, 2), p9 crossover set (0: 125/900/4500 Hz, else 400/800/1600 Hz),
// p10 input level (gain 1 + (p10 + 5) / 100).
#pragma once

#include <array>
#include <cstdint>

#include "dsp/FirstOrder.h"
#include "dsp/ThirdOrderSection.h"
#include "processing/Filter.h"

class CPunchAndCrunch : public CFilter {
public:
    static constexpr int kBands = 4;
    static constexpr int kMaxChannels = 2;

    // Values derived from the parameters for one sample rate.
    struct Derived {
        double inputGain = 1.0;
        std::array<double, 3> crossovers{125.0, 900.0, 4500.0};  // Hz
        std::array<dsp::ThirdOrderCoeffs, 3> highPass{};
        std::array<double, kBands> thresholds{1.0, 1.0, 1.0, 1.0};  // linear, full scale 1.0
        double ratio = 1.0;                                         // exponent base r
        double attack = 0.01;                                       // seconds, at least 2.2 / fs
        double release = 1.0;                                       // seconds
        double makeUp = 1.0;
        int gainLaw = 0;
        std::array<double, kBands> releaseFactors{0.001, 0.001, 0.001, 0.001};
        std::array<dsp::FirstOrderCoeffs, kBands> smoothers{};
    };

    CPunchAndCrunch();

    // Resets the crossovers, smoothers, envelopes and gains for a run; false for a
    // source that is neither mono nor stereo or has no sample rate.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Processes every sample of the block (bypass and channel flags honoured);
    // false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Nothing is held back; true.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The values the parameters give at sample rate fs (Hz).
    static Derived Derive(const Params& params, double fs);
    // The three crossover frequencies (Hz) of a crossover-set code.
    static std::array<double, 3> CrossoverSet(int code);

    // What the last block ran with, and the current detector state (for tests and meters).
    const Derived& Coefficients() const { return m_k; }
    const std::array<double, kBands>& Envelopes() const { return m_env; }
    const std::array<double, kBands>& BandGains() const { return m_gain; }

private:
    // Derives the coefficients for the rate in force; filter states and envelopes stay.
    void Recompute() override;

    Derived m_k;
    double m_fs = 0.0;
    double m_ratioMinusOne = 0.0;
    std::array<std::array<CThirdOrderSection, 3>, kMaxChannels> m_highPass{};
    std::array<CFirstOrder, kBands> m_smoother{};
    std::array<double, kBands> m_env{0.001, 0.001, 0.001, 0.001};
    std::array<double, kBands> m_gain{1.0, 1.0, 1.0, 1.0};
    std::array<double, kBands> m_releaseStep{};  // gain factor per released sample
    std::array<bool, kBands> m_onLaw{};          // the gain came from the law at the envelope
};
