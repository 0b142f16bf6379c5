// CPitch: re-times audio by a speed ratio, raising or lowering pitch and
// length together, as a record played at the wrong turntable speed needs.
// The speed runs from a start to an end value over the range, linearly or
// along a cubic curve; each output sample interpolates linearly between two
// input frames. The output length differs from the input's.
//
// Parameters: p0 start speed and p1 end speed, each as the ratio
// 1 + p/10000 (a ratio above 1 shortens the audio); p2 curve mode (0 linear,
// anything else cubic); p4 and p6 the cubic curve's inner control speeds in
// the same unit.
#pragma once

#include <cstdint>

#include "processing/Filter.h"

class CPitch : public CFilter {
public:
    // Samples of history the interpolation reads in front of each block.
    static constexpr int kHistory = 64;
    // Samples Finish copies per read.
    static constexpr uint32_t kCopyBlock = 4096;
    // Speed ratios are held within these bounds: a speed of zero or below would never advance.
    static constexpr double kMinSpeed = 0.05;
    static constexpr double kMaxSpeed = 20.0;

    CPitch();

    int GetHistory() const override { return kHistory; }
    // Restarts the speed curve at the range start; true.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Resamples the block; false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Copies whatever is left of the range unchanged, kCopyBlock samples at a time, until it
    // ends or the run is cancelled; false when the output refuses a value.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The speed ratio of a parameter value: 1 + p/10000.
    static double RatioOf(int param) { return 1.0 + param * 0.0001; }
    // The parameter value of a speed ratio, truncated toward zero (0 for a ratio out of range).
    static int ParamOf(double ratio);
    // The speed (input frames per output frame) at a frame of a range of frames, with the
    // parameters as they are; for tests and displays.
    double SpeedAt(uint64_t frame, uint64_t frames);

private:
    // The speed curve over the run's range.
    void Recompute() override;
    // Derives the speed curve from the parameters for a range of frames.
    void DeriveCurve(uint64_t frames);
    double Speed(uint64_t frame) const;

    struct State {
        double phase = 0;      // position between the previous and the current input frame, 0..1
        uint64_t counter = 0;  // input frames consumed since the range start
    };

    // Coefficients: the curve starts at m_start; linear mode adds m_slope per frame, cubic mode
    // evaluates c3·t³ + c2·t² + c1·t + m_start with t = frame · m_step.
    bool m_cubic = false;
    double m_start = 1;
    double m_end = 1;
    double m_slope = 0;
    double m_step = 0;
    double m_c1 = 0;
    double m_c2 = 0;
    double m_c3 = 0;
    uint32_t m_frameBytes = 1;  // of the source prepared for
    State m_state;
};
