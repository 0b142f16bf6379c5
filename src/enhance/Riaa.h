// CRiaa: RIAA playback equalisation (bass boost, treble cut) for recordings
// made through a flat phono preamp. One second-order section per channel; it
// has no parameters. The coefficients follow the source's sample rate: a fixed
// set serves 44.1 and 48 kHz, a set designed from the RIAA time constants
// serves 96 kHz and above, and any other rate keeps the set in use before.
#pragma once

#include "dsp/Biquad.h"
#include "processing/Filter.h"

class CRiaa : public CFilter {
public:
    CRiaa();

    // Picks the coefficient set for the source's rate and clears the section; true.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Equalises the block; bypass and the untouched-channel flags pass input through while the
    // section keeps running. False as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Nothing is held back; true.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The coefficient set in force, in the CBiquad sign convention (y = ... - a1·y1 - a2·y2).
    const dsp::BiquadCoeffs& Coeffs() const { return m_coeffs; }
    // The set used at 44.1 and 48 kHz (and before any other set was chosen).
    static dsp::BiquadCoeffs StandardCoeffs();

private:
    // Chooses the coefficients for the rate prepared for and hands them to the sections.
    void Recompute() override;

    struct State {
        CBiquad section[2];  // left (or mono), right
    };

    dsp::BiquadCoeffs m_coeffs;
    uint32_t m_rate = 0;  // Hz
    State m_state;
};
