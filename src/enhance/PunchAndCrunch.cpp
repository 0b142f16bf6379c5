#include "enhance/PunchAndCrunch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"
#include "dsp/OnePole.h"

namespace {

constexpr double kInScale = 1.0 / 8388608.0;  // 2^-23
constexpr double kOutScale = 8388607.0;
// Keeps the crossovers and smoothers away from denormal numbers.
constexpr double kAntiDenormal = 1e-6;
// Corners at or beyond Nyquist would make the bilinear designs unstable: keep them below it.
constexpr double kMaxCornerOfRate = 0.49;
// A held envelope this small counts as silence in the power law (its gain stays finite).
constexpr double kEnvFloor = 1e-9;
// Level parameters beyond +-120 dB are clamped so that no gain overflows.
constexpr int kMaxTenthsDb = 1200;

double FromTenthsDb(int p) {
    return std::pow(10.0, std::clamp(p, -kMaxTenthsDb, kMaxTenthsDb) / 200.0);
}

double Corner(double fc, double fs) {
    return std::min(fc, kMaxCornerOfRate * fs);
}

}  // namespace

CPunchAndCrunch::CPunchAndCrunch() {
    SetIdentity(kFilterPunchAndCrunch, "PunchAndCrunch", "Punch and Crunch");
    // Parameters 0..9 come from presets only; until one is loaded they are 0.
    for (auto& s : m_smoother) s.SetCoeffs({1.0, 1.0, 1.0});
}

std::array<double, 3> CPunchAndCrunch::CrossoverSet(int code) {
    if (code == 0) return {125.0, 900.0, 4500.0};
    return {400.0, 800.0, 1600.0};
}

CPunchAndCrunch::Derived CPunchAndCrunch::Derive(const Params& p, double fs) {
    Derived k;
    k.inputGain = 1.0 + (static_cast<double>(p[10]) + 5.0) / 100.0;
    k.crossovers = CrossoverSet(p[9]);
    for (int b = 0; b < kBands; ++b) k.thresholds[b] = FromTenthsDb(p[b]);
    // Ratio code 0 would divide by zero: it means no dynamics, as code 10 does.
    k.ratio = p[4] == 0 ? 1.0 : 10.0 / p[4];
    k.makeUp = FromTenthsDb(p[7]);
    k.gainLaw = p[8];
    k.release = p[6] * 0.01;
    if (!(fs > 0.0)) return k;

    for (int i = 0; i < 3; ++i) k.highPass[i] = dsp::DesignButterworthHighpass3(Corner(k.crossovers[i], fs), fs);
    const double minAttack = 2.2 / fs;
    k.attack = p[5] * 0.0001;
    if (k.attack <= minAttack) k.attack = minAttack;
    // Band k releases in R / (2k - 1): 0.38^((2k - 1) / (fs R)).
    static constexpr double kReleaseDivisor[kBands] = {1.0, 3.0, 5.0, 7.0};
    static constexpr double kSmootherMultiple[kBands] = {1.0, 2.0, 5.0, 7.0};
    for (int b = 0; b < kBands; ++b) {
        k.releaseFactors[b] = dsp::DecayPerSample(fs * k.release / kReleaseDivisor[b]);
        k.smoothers[b] = dsp::DesignOnePoleLowpass(Corner(kSmootherMultiple[b] / k.attack, fs), fs);
    }
    return k;
}

bool CPunchAndCrunch::Prepare(CWaveFile& source, CWaveFile&) {
    const WAVEFORMATEX& f = source.Format();
    if (f.nChannels < 1 || f.nChannels > kMaxChannels || f.nSamplesPerSec == 0) return false;
    m_fs = f.nSamplesPerSec;
    m_k = Derive(m_params, m_fs);
    for (auto& channel : m_highPass) {
        for (int i = 0; i < 3; ++i) {
            channel[i].SetCoeffs(m_k.highPass[i]);
            channel[i].Reset();
        }
    }
    for (auto& s : m_smoother) s.SetState(1.0);
    m_env.fill(0.001);
    m_gain.fill(1.0);
    m_onLaw.fill(false);
    m_paramsChanged = 1;
    return true;
}

void CPunchAndCrunch::Recompute() {
    m_k = Derive(m_params, m_fs);
    for (auto& channel : m_highPass) {
        for (int i = 0; i < 3; ++i) channel[i].SetCoeffs(m_k.highPass[i]);
    }
    for (int b = 0; b < kBands; ++b) m_smoother[b].SetCoeffs(m_k.smoothers[b]);
    m_ratioMinusOne = m_k.ratio - 1.0;
    // While an envelope releases, q changes by the release factor each sample (by its
    // inverse under law 1), so the gain changes by a constant factor: no power needed.
    const double exponent = m_k.gainLaw == 1 ? -m_ratioMinusOne : m_ratioMinusOne;
    for (int b = 0; b < kBands; ++b) {
        m_releaseStep[b] = m_k.releaseFactors[b] > 0.0 ? std::pow(m_k.releaseFactors[b], exponent) : 0.0;
    }
    m_onLaw.fill(false);
}

bool CPunchAndCrunch::Process(CWaveFile& source, CWaveFile& output) {
    RecomputeIfChanged();

    const int channels = source.Format().nChannels == 2 ? 2 : 1;
    const int32_t* in = source.ReadCursor();
    const int32_t* const end = source.EndCursor();
    const double inScale = m_k.inputGain * kInScale;
    const double outScale = m_k.makeUp * kOutScale;
    const double rm1 = m_ratioMinusOne;
    const int law = m_k.gainLaw;
    const bool passLeft = m_bypass || (channels == 2 && m_leftUntouched);
    const bool passRight = m_bypass || m_rightUntouched;

    double band[kMaxChannels][kBands];
    for (; end - in >= channels; in += channels) {
        for (int c = 0; c < channels; ++c) {
            const double x = in[c] * inScale + kAntiDenormal;
            auto& hp = m_highPass[c];
            const double h1 = hp[0].Process(x);
            const double h2 = hp[1].Process(x);
            const double h3 = hp[2].Process(x);
            band[c][0] = x - h1;
            band[c][1] = h1 - h2;
            band[c][2] = h2 - h3;
            band[c][3] = h3;
        }
        for (int b = 0; b < kBands; ++b) {
            // In stereo the detector hears the mid signal: opposite channels cancel.
            const double u = 0.5 * std::fabs(channels == 2 ? band[0][b] + band[1][b] : band[0][b]);
            const double e = m_smoother[b].Process(u);
            double env = m_env[b];
            const bool released = e < env;
            env = released ? m_k.releaseFactors[b] * env : e;
            m_env[b] = env;
            const double t = m_k.thresholds[b];
            double g = 1.0;
            bool onLaw = false;
            if (rm1 != 0.0 && (law == 2 || env >= t)) {
                onLaw = env >= kEnvFloor;
                if (released && onLaw && m_onLaw[b]) {
                    g = m_gain[b] * m_releaseStep[b];
                } else {
                    const double q = law == 1 ? t / env : std::max(env, kEnvFloor) / t;
                    g = std::pow(q, rm1);
                }
            }
            m_onLaw[b] = onLaw;
            m_gain[b] = g;
        }
        for (int c = 0; c < channels; ++c) {
            const double* bc = band[c];
            const double y = (m_gain[0] * bc[0] + m_gain[1] * bc[1] + m_gain[2] * bc[2] + m_gain[3] * bc[3]) * outScale;
            const bool pass = c == 0 ? passLeft : passRight;
            if (!output.PutSample(pass ? in[c] : ToSample(y))) return false;
        }
    }
    // A stray value after the last whole frame passes as it is, so the output keeps the input's length.
    for (; in < end; ++in) {
        if (!output.PutSample(*in)) return false;
    }
    return true;
}

bool CPunchAndCrunch::Finish(CWaveFile&, CWaveFile&) {
    return true;
}
