// CRiaa: RIAA playback equalisation (bass boost, treble cut) for recordings
// made through a flat phono preamp. One second-order section per channel; it
// has no parameters. The coefficients follow the source's sample rate: a fixed
// section serves 44.1 and 48 kHz; every other rate gets sections designed for it
// from the RIAA time constants (one from 64 kHz on, three below).
#pragma once

#include "dsp/BiquadCascade.h"
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

    // The sections in force, in the CBiquad sign convention (y = ... - a1·y1 - a2·y2).
    const CBiquadCascade& Sections() const { return m_sections; }
    // The section used at 44.1 and 48 kHz (and before any other set was chosen).
    static dsp::BiquadCoeffs StandardCoeffs();

private:
    // Chooses the sections for the rate prepared for and hands them to both channels.
    void Recompute() override;

    struct State {
        CBiquadCascade channel[2];  // left (or mono), right
    };

    CBiquadCascade m_sections;
    uint32_t m_rate = 0;          // Hz
    uint32_t m_designedRate = 0;  // Hz, the rate m_sections were chosen for
    State m_state;
};
