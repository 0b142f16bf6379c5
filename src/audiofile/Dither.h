// Dither added to samples before they are cut to a narrower width: 0 none,
// 1 rectangular (0 to 2 output LSBs), 2 high-passed triangular (the difference
// of successive rectangular values), 3 shaped (0 to 4 LSBs through a
// second-order high-pass above 12 kHz, or 0.4 x the sampling rate).
#pragma once

#include <cstdint>

#include "audiofile/WaveFormat.h"
#include "dsp/Biquad.h"

class CDither {
public:
    // Other types mean 0. Seeds from the clock and designs the shaping filter for fmt's
    // channels x rate.
    void SetType(uint32_t type, const WAVEFORMATEX& fmt);
    uint32_t Type() const { return m_type; }
    // The next dither value in internal units for output of bits bits.
    int32_t Next(int bits);

private:
    int Rand() {  // uniform 0..32767
        m_rand = m_rand * 214013u + 2531011u;
        return static_cast<int>((m_rand >> 16) & 0x7FFF);
    }

    uint32_t m_type = 0;
    uint32_t m_rand = 1;
    int64_t m_prevR = 0;
    CBiquad m_shaper{dsp::BiquadCoeffs{0, 0, 0, 0, 0}, dsp::BiquadForm::DirectII};
};
