// CGainChange: multiplies a range by a gain that follows an envelope from a
// start value to an end value over the range: exponential rise or fall,
// linear, a cubic curve in decibels, or silence. The fades of the final
// touches run it.
//
// Parameters: p0 shape (0 exponential rise, 1 exponential fall, 2 linear,
// 3 cubic in dB, 4 silence), p1 start value x 1000, p2 end value x 1000,
// p5 and p6 the inner control values of shape 3 in whole dB.
#pragma once

#include <cstdint>

#include "processing/Filter.h"

class CGainChange : public CFilter {
public:
    CGainChange();

    // Restarts the envelope; true.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Scales the block frame by frame; false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Nothing is held back; true.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The gain of a frame at pos bytes from the range start (the parameters and run range as set).
    double GainAt(uint32_t pos);

private:
    void Recompute() override;

    double m_g0 = 0;
    double m_g1 = 0;
    double m_a = 0;
    double m_c1 = 0;
    double m_c2 = 0;
    double m_c3 = 0;
    double m_reciprocal = 0;  // 1 / length, 0 for an empty range
    double m_gain = 0;        // the last gain, kept for a shape the envelope does not know
    uint32_t m_pos = 0;       // bytes consumed since the range start
    uint32_t m_length = 0;    // bytes of the range
    int m_shape = 0;
    uint32_t m_lastCursor = 0;  // the source's data cursor after the previous block
    bool m_haveCursor = false;
};
