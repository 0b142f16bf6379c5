// CVirtualValve: a valve stage. A band split off the signal is driven
// through one of eleven tube transfer curves, with a bias and a sag that
// lowers the drive as the band's envelope rises, blended back with the dry
// band, and the result goes through a Bass/Mids/Treble tone stack.
//
// Parameters: p0 mix (0..100; the Exciter control), p1 sag amount, p2 bias
// (hundredths), p3 drive, p4 curve (0..9, anything else the fallback curve),
// p5 voicing (0..3, anything else 0), p6 Bass, p7 Mids, p8 Treble (gain
// -p/100 dB each), p9 and p10 unused.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "dsp/Biquad.h"
#include "dsp/FirstOrder.h"
#include "processing/Filter.h"

class CVirtualValve : public CFilter {
public:
    static constexpr int kMaxChannels = 2;
    // Curve numbers 0..9 select a curve; this index stands for the fallback.
    static constexpr int kFallbackCurve = 10;
    static constexpr int kVoicings = 4;

    // A transfer curve f(u, D): curve input u, bias D.
    using Curve = double (*)(double u, double bias);

    // Values derived from the parameters for one sample rate.
    struct Derived {
        double wet = 0.8;         // w
        double dry = 0.6;         // d
        double sag = 0.0;         // k
        double bias = 0.5;        // D
        double drive = 0.0;       // g, per unit of the 2^23 scale
        int curve = 0;            // 0..9 or kFallbackCurve
        int voicing = 0;          // 0..3
        double splitHz = 2500.0;  // split filter corner
        double outputHighPassHz = 500.0;
        double f0 = 0.0;  // curve value at zero input
        double slope = 0.1;
        double normaliser = 0.0;  // G
        dsp::BiquadCoeffs split{};
        dsp::FirstOrderCoeffs outputHighPass{};
        std::array<dsp::BiquadCoeffs, 3> tone{};  // low shelf, peaking, high shelf
    };

    CVirtualValve();

    // Designs the envelope filter for the source's rate and clears every signal
    // state; false for a source that is neither mono nor stereo or has no rate.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Processes the block (bypass and channel flags honoured), then turns the
    // output's clipped flag into the clip report; false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Nothing is held back; true.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // Whether the output clamped a value since the last call; clears the report.
    bool TakeClipReport() { return m_clip.exchange(0) != 0; }

    // The values the parameters give at sample rate fs (Hz).
    static Derived Derive(const Params& params, double fs);
    // The curve of a curve number (any number outside 0..9 gives the fallback).
    static Curve CurveFor(int number);
    // One curve value: number as for CurveFor.
    static double EvalCurve(int number, double u, double bias) { return CurveFor(number)(u, bias); }

    const Derived& Coefficients() const { return m_k; }

private:
    struct ChannelState {
        CBiquad split{dsp::BiquadCoeffs{}, dsp::BiquadForm::DirectII};
        CFirstOrder envelope;
        CFirstOrder outputHighPass;
        std::array<CBiquad, 3> tone{};
    };
    // Derives the coefficients for the rate in force and hands them to the sections; states stay.
    void Recompute() override;

    Derived m_k;
    Curve m_curve = nullptr;
    double m_fs = 0.0;
    dsp::FirstOrderCoeffs m_envelopeLowPass{};
    std::array<ChannelState, kMaxChannels> m_state{};
    std::atomic<uint8_t> m_clip{0};
};
