#include "enhance/VirtualValve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"

namespace {

constexpr double kScale = 8388608.0;  // 2^23, full scale of the samples
constexpr double kInputOffset = 0.01;
constexpr double kEnvelopeHz = 150.0;
constexpr double kBassHz = 175.0;
constexpr double kMidsHz = 900.0;
constexpr double kMidsOctaves = 3.0;
constexpr double kTrebleHz = 3000.0;
// Tone gains beyond +-60 dB are clamped: the sections must stay finite.
constexpr int kMaxToneHundredthsDb = 6000;
// Corners at or beyond Nyquist would make the bilinear designs unstable: keep them below it.
constexpr double kMaxCornerOfRate = 0.49;

struct Voicing {
    double splitHz;
    double outputHighPassHz;
    bool lowPassSplit;
};
constexpr Voicing kVoicingTable[CVirtualValve::kVoicings] = {
    {2500.0, 500.0, false},
    {700.0, 200.0, false},
    {20.0, 10.0, false},
    {200.0, 5.0, true},
};
constexpr int kFullBandVoicing = 2;

double Corner(double fc, double fs) {
    return std::min(fc, kMaxCornerOfRate * fs);
}

// -half (u + D) + offset, clamped.
inline double Arg(double u, double bias, double offset, double lo, double hi) {
    return std::clamp(offset - 0.5 * (u + bias), lo, hi);
}

double Curve0(double u, double bias) {
    const double t = Arg(u, bias, 0.1, -0.4, 0.6);
    return (((((17.338 * t - 13.751) * t - 10.585) * t + 8.8085) * t + 2.0504) * t - 2.3046) * t + 0.3833;
}
double Curve1(double u, double bias) {
    const double t = Arg(u, bias, -0.4, -0.9, 0.1);
    return ((((0.1386 * t - 0.4509) * t - 2.5713) * t - 4.156) * t - 3.0246) * t + 0.1584;
}
double Curve2(double u, double bias) {
    const double t = Arg(u, bias, -0.3, -0.8, 0.12);
    return (((((458.79 * t + 589.57) * t + 263.07) * t + 51.831) * t + 3.3633) * t - 2.6164) * t + 0.1675;
}
double Curve3(double u, double bias) {
    const double t = Arg(u, bias, -0.4, -0.9, 0.1);
    return (((((27.132 * t + 67.826) * t + 60.829) * t + 23.276) * t + 2.5421) * t - 1.7053) * t + 0.1272;
}
double Curve4(double u, double bias) {
    const double t = Arg(u, bias, -0.5, -1.0, 0.0);
    return ((((-5.8861 * t - 16.31) * t - 12.799) * t - 1.119) * t + 0.2699) * t + 0.081;
}
double Curve5(double u, double bias) {
    const double t = Arg(u, bias, 0.0, -0.5, 0.5);
    return ((((114.87 * t + 6e-10) * t + 3.4662) * t + 3e-10) * t - 2.6665) * t + 1e-12;
}
double Curve6(double u, double bias) {
    const double t = Arg(u, bias, 0.5, 0.0, 1.0);
    return -(((1.2186 * t - 2.889) * t + 2.6452) * t + 0.1053);
}
double Curve7(double u, double) {
    const double t = std::clamp(-0.5 * u, -0.5, 0.5);
    return -(((((11.491 * t - 3e-14) * t - 6.3889) * t + 8e-15) * t + 1.886) * t - 2e-16);
}
double Curve8(double u, double bias) {
    return -0.1 * (((1.0 - bias) * u + bias) * (u + std::min(u, 0.0)) - u);
}
double Curve9(double u, double) {
    const double t = std::clamp(u, -0.5, 0.5);
    return (((((-0.1293 * t + 13.102) * t + 0.0415) * t - 7.6713) * t - 0.0017) * t + 2.0992) * t - 0.0002;
}
double CurveFallback(double u, double bias) {
    const double t = Arg(u, bias, 0.3, -0.2, 0.8);
    return ((((9.2432 * t - 19.519) * t + 13.151) * t - 0.8811) * t - 2.348) * t + 0.7534;
}

constexpr CVirtualValve::Curve kCurves[] = {Curve0, Curve1, Curve2, Curve3, Curve4,       Curve5,
                                            Curve6, Curve7, Curve8, Curve9, CurveFallback};

double ToneDb(int p) {
    return -std::clamp(p, -kMaxToneHundredthsDb, kMaxToneHundredthsDb) / 100.0;
}

}  // namespace

CVirtualValve::CVirtualValve() {
    SetIdentity(kFilterVirtualValve, "VirtualValve", "Virtual Valve");
    m_params = {80, 100, 50, 50, 0, 0, 0, 0, 0, 0, 0};
    m_curve = kCurves[0];
}

CVirtualValve::Curve CVirtualValve::CurveFor(int number) {
    return kCurves[number >= 0 && number <= 9 ? number : kFallbackCurve];
}

CVirtualValve::Derived CVirtualValve::Derive(const Params& p, double fs) {
    Derived k;
    k.voicing = p[5] >= 0 && p[5] < kVoicings ? p[5] : 0;
    const Voicing& v = kVoicingTable[k.voicing];
    const double mix = p[0];
    if (k.voicing == kFullBandVoicing) {
        k.wet = mix * 0.00707;
        k.dry = 1.0 - mix / 100.0;
        k.sag = 0.0;
    } else {
        k.wet = mix / 100.0;
        k.dry = 1.0 - mix / 200.0;
        // A negative sag would divide by zero as the envelope rises: it counts as none.
        k.sag = std::max(0.0, p[1] * 1.3020833333333334e-05);
    }
    k.curve = p[4] >= 0 && p[4] <= 9 ? p[4] : kFallbackCurve;
    k.bias = (k.curve == 7 || k.curve == 9) ? 0.0 : p[2] / 100.0;
    k.drive = p[3] * 0.1 / kScale;
    k.splitHz = v.splitHz;
    k.outputHighPassHz = v.outputHighPassHz;

    // Calibration: the curve's offset at rest and its mean slope over +-0.2, so
    // that small signals leave the curve at about twice the band's level.
    const Curve curve = kCurves[k.curve];
    k.f0 = curve(0.0, k.bias);
    k.slope = (std::fabs(5.0 * (curve(0.2, k.bias) - k.f0)) + std::fabs(5.0 * (curve(-0.2, k.bias) - k.f0))) / 2.0;
    if (k.slope == 0.0) k.slope = 0.1;
    k.normaliser = 2.0 / (k.drive * k.slope + 1e-100);

    if (fs > 0.0) {
        k.split = v.lowPassSplit ? dsp::DesignButterworthLowpass2(Corner(v.splitHz, fs), fs)
                                 : dsp::DesignButterworthHighpass2(Corner(v.splitHz, fs), fs);
        k.outputHighPass = dsp::DesignOnePoleHighpass(Corner(v.outputHighPassHz, fs), fs);
        k.tone[0] = dsp::DesignLowShelf(Corner(kBassHz, fs), ToneDb(p[6]), fs);
        k.tone[1] = dsp::DesignPeaking(Corner(kMidsHz, fs), ToneDb(p[7]), kMidsOctaves, fs);
        k.tone[2] = dsp::DesignHighShelf(Corner(kTrebleHz, fs), ToneDb(p[8]), fs);
    }
    return k;
}

void CVirtualValve::Recompute() {
    m_envelopeLowPass = dsp::DesignOnePoleLowpass(Corner(kEnvelopeHz, m_fs), m_fs);
    m_k = Derive(m_params, m_fs);
    m_curve = kCurves[m_k.curve];
    for (ChannelState& s : m_state) {
        s.split.SetCoeffs(m_k.split);
        s.envelope.SetCoeffs(m_envelopeLowPass);
        s.outputHighPass.SetCoeffs(m_k.outputHighPass);
        for (int i = 0; i < 3; ++i) s.tone[i].SetCoeffs(m_k.tone[i]);
    }
}

bool CVirtualValve::Prepare(CWaveFile& source, CWaveFile&) {
    const WAVEFORMATEX& f = source.Format();
    if (f.nChannels < 1 || f.nChannels > kMaxChannels || f.nSamplesPerSec == 0) return false;
    m_fs = f.nSamplesPerSec;
    // Every run starts from rest, so that the same audio always gives the same result.
    for (ChannelState& s : m_state) {
        s.split.Reset();
        s.envelope.Reset();
        s.outputHighPass.Reset();
        for (CBiquad& t : s.tone) t.Reset();
    }
    Recompute();
    m_paramsChanged = 1;
    return true;
}

bool CVirtualValve::Process(CWaveFile& source, CWaveFile& output) {
    RecomputeIfChanged();

    const int channels = source.Format().nChannels == 2 ? 2 : 1;
    const int32_t* in = source.ReadCursor();
    const int32_t* const end = source.EndCursor();
    const Curve curve = m_curve;
    const double w = m_k.wet, d = m_k.dry, sag = m_k.sag, bias = m_k.bias, drive = m_k.drive;
    const double f0 = m_k.f0;
    const double gw = m_k.normaliser * w;
    const bool passLeft = m_bypass || (channels == 2 && m_leftUntouched);
    const bool passRight = m_bypass || m_rightUntouched;

    for (; end - in >= channels; in += channels) {
        for (int c = 0; c < channels; ++c) {
            ChannelState& s = m_state[c];
            const double x = in[c];
            const double y = s.split.Process(x + kInputOffset);
            const double e = s.envelope.Process(std::fabs(y));
            const double q = 100.0 / (100.0 + sag * e);
            const double u = q * drive * y;
            const double w1 = (curve(u, bias) - f0) * gw;
            const double wet = w * s.outputHighPass.Process(w1);
            // The dry reference R is the split band y: what lies outside the band
            // passes untouched, and only the band itself is blended with the valve.
            const double m = wet + d * y + (x - y);
            double out = s.tone[0].Process(m);
            out = s.tone[1].Process(out);
            out = s.tone[2].Process(out);
            const bool pass = c == 0 ? passLeft : passRight;
            if (!output.PutSample(pass ? in[c] : ToSample(out))) return false;
        }
    }
    // A stray value after the last whole frame passes as it is, so the output keeps the input's length.
    for (; in < end; ++in) {
        if (!output.PutSample(*in)) return false;
    }
    if (output.TakeClippedFlag()) m_clip.store(1);
    return true;
}

bool CVirtualValve::Finish(CWaveFile&, CWaveFile&) {
    return true;
}
