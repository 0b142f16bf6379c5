#include "dsp/HumCanceller.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Mains cycles per block: the harmonics are orthogonal over whole cycles.
constexpr int kCyclesPerBlock = 2;
// Time constants (seconds): each of the hum average's two stages (together a band of about an
// eighth of a hertz at each harmonic), the longer average it is held against, and the averages
// of a block's spread and of the hum average's wander.
constexpr double kHumSeconds = 2.0;
constexpr double kSlowSeconds = 3.0;
constexpr double kSpreadSeconds = 1.0;
constexpr double kLeakSeconds = 1.0;
// The loop's natural frequency (Hz) and damping: it pulls in from the edge of the range.
constexpr double kLoopHz = 0.7;
constexpr double kDamping = 0.8;
// How clearly the harmonics together must stand above the music before their phase steers the
// oscillator (a sum of k²·SNR); below it the oscillator keeps its frequency.
constexpr double kMinConfidence = 4.0;
// A harmonic is subtracted in full once its estimate stands this many times above the music's
// share of it; below that, less, and not at all where the estimate is only music.
constexpr double kShrink = 4.0;
// The largest phase error one block may report (radians): one loud block cannot throw the loop.
constexpr double kMaxError = 0.3;

// The share a one-pole average takes of each new block, for a time constant; at the start an
// average over the blocks so far, so a steady hum is followed within a few blocks.
double Share(double seconds, double blockSeconds, long blocks) {
    return std::max(1.0 - std::exp(-blockSeconds / seconds), 1.0 / static_cast<double>(blocks + 1));
}
}  // namespace

void CHumCanceller::Prepare(double mainsHz, double rate, int channels) {
    m_rate = rate > 0.0 ? rate : 44100.0;
    m_nominal = mainsHz > 0.0 ? mainsHz : 60.0;
    m_channels = std::clamp(channels, 1, kMaxChannels);
    // Only harmonics below the Nyquist frequency exist.
    m_harmonics = std::clamp(static_cast<int>((0.5 * m_rate - 1.0) / (m_nominal + kTrackRange)), 0, kHarmonics);
    m_blockLength = std::max(1, static_cast<int>(std::lround(kCyclesPerBlock * m_rate / m_nominal)));
    m_position = 0;
    m_blocks = 0;
    m_phase = 0.0;
    m_freqStep = kTwoPi * m_nominal / m_rate;
    m_minStep = kTwoPi * (m_nominal - kTrackRange) / m_rate;
    m_maxStep = kTwoPi * (m_nominal + kTrackRange) / m_rate;
    m_step = m_freqStep;
    m_state.fill(Channel{});
    m_zRe.fill(0.0);
    m_zIm.fill(0.0);
    m_rRe.fill(0.0);
    m_rIm.fill(0.0);
    StartBlock();
}

double CHumCanceller::Frequency() const {
    return m_freqStep * m_rate / kTwoPi;
}

void CHumCanceller::StartBlock() {
    // Fresh from the phase each block, so the recursive oscillators never drift in size.
    for (int k = 0; k < m_harmonics; ++k) {
        const double at = (k + 1) * m_phase, turn = (k + 1) * m_step;
        m_zRe[k] = std::cos(at);
        m_zIm[k] = std::sin(at);
        m_rRe[k] = std::cos(turn);
        m_rIm[k] = std::sin(turn);
    }
}

void CHumCanceller::Process(const double* in, double* out) {
    // Both channels in one pass over the lanes: each oscillator value is loaded once.
    Channel& a = m_state[0];
    Channel& b = m_state[1];
    const double xa = in[0], xb = m_channels > 1 ? in[1] : 0.0;
    Bank partA, partB;
    for (int k = 0; k < kLanes; ++k) {
        const double zr = m_zRe[k], zi = m_zIm[k];
        partA[k] = a.outRe[k] * zr - a.outIm[k] * zi;
        partB[k] = b.outRe[k] * zr - b.outIm[k] * zi;
        a.sumRe[k] += xa * zr;
        a.sumIm[k] -= xa * zi;
        b.sumRe[k] += xb * zr;
        b.sumIm[k] -= xb * zi;
        m_zRe[k] = zr * m_rRe[k] - zi * m_rIm[k];
        m_zIm[k] = zr * m_rIm[k] + zi * m_rRe[k];
    }
    // Summed in a fixed order, the same whatever the compiler makes of the loop above.
    auto sum = [](const Bank& p) { return ((p[0] + p[1]) + (p[2] + p[3])) + ((p[4] + p[5]) + (p[6] + p[7])); };
    out[0] = xa - sum(partA);
    if (m_channels > 1) out[1] = xb - sum(partB);
    if (++m_position >= m_blockLength) EndBlock();
}

void CHumCanceller::EndBlock() {
    const double blockSeconds = m_blockLength / m_rate;
    const double scale = 2.0 / m_blockLength;
    const double toHum = Share(kHumSeconds, blockSeconds, m_blocks);
    const double toSpread = Share(kSpreadSeconds, blockSeconds, m_blocks);
    const double toSlow = Share(kSlowSeconds, blockSeconds, m_blocks);
    const double toLeak = 1.0 - std::exp(-blockSeconds / kLeakSeconds);
    // The phase error of the fundamental that each harmonic's turn against its average shows,
    // weighted by the harmonic's strength over its spread (least squares over all of them).
    double num = 0.0, den = 0.0;
    for (int c = 0; c < m_channels; ++c) {
        Channel& s = m_state[c];
        for (int k = 0; k < m_harmonics; ++k) {
            const double dRe = s.sumRe[k] * scale, dIm = s.sumIm[k] * scale;
            s.sumRe[k] = s.sumIm[k] = 0.0;
            const double power = s.humRe[k] * s.humRe[k] + s.humIm[k] * s.humIm[k];
            const double devRe = dRe - s.humRe[k], devIm = dIm - s.humIm[k];
            const double dev = devRe * devRe + devIm * devIm + 1e-9 * power + 1e-30;
            if (m_blocks > 0) {
                // A block far off the hum (a loud note beside it) weighs little at once, before the
                // average spread has risen.
                const double h = k + 1, weight = 1.0 / (s.spread[k] + dev);
                num += h * (dIm * s.humRe[k] - dRe * s.humIm[k]) * weight;
                den += h * h * power * weight;
            }
            s.spread[k] += toSpread * (dev - s.spread[k]);
            s.midRe[k] += toHum * (dRe - s.midRe[k]);
            s.midIm[k] += toHum * (dIm - s.midIm[k]);
            s.humRe[k] += toHum * (s.midRe[k] - s.humRe[k]);
            s.humIm[k] += toHum * (s.midIm[k] - s.humIm[k]);
            s.slowRe[k] += toSlow * (s.humRe[k] - s.slowRe[k]);
            s.slowIm[k] += toSlow * (s.humIm[k] - s.slowIm[k]);
            // A steady hum keeps its average where the longer one is; the music beside it makes
            // it wander about. Until that is measured, the whole block counts as music.
            const double wanderRe = s.humRe[k] - s.slowRe[k], wanderIm = s.humIm[k] - s.slowIm[k];
            const double wander = wanderRe * wanderRe + wanderIm * wanderIm;
            s.leak[k] = m_blocks == 0 ? dRe * dRe + dIm * dIm : s.leak[k] + toLeak * (wander - s.leak[k]);
            const double strength = s.humRe[k] * s.humRe[k] + s.humIm[k] * s.humIm[k];
            const double keep = std::clamp(1.0 - kShrink * s.leak[k] / (strength + 1e-300), 0.0, 1.0);
            s.outRe[k] = keep * s.humRe[k];
            s.outIm[k] = keep * s.humIm[k];
        }
    }
    double error = 0.0;
    if (den > kMinConfidence) error = std::clamp(num / den, -kMaxError, kMaxError);
    // A second-order loop: the frequency integrates the error, the phase is corrected over the
    // next block (continuously, so the subtracted hum never jumps).
    const double wT = kTwoPi * kLoopHz * blockSeconds;
    m_freqStep = std::clamp(m_freqStep + wT * wT * error / m_blockLength, m_minStep, m_maxStep);
    m_phase = std::fmod(m_phase + m_step * m_blockLength, kTwoPi);
    m_step = m_freqStep + 2.0 * kDamping * wT * error / m_blockLength;
    m_position = 0;
    ++m_blocks;
    StartBlock();
}
