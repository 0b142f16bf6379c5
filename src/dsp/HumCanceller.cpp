#include "dsp/HumCanceller.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Share of the measured frequency error corrected at each step; small, so that music near the
// fundamental does not pull the oscillator about.
constexpr double kTrackGain = 0.2;
// How far the fundamental's weights must stand above their own noise (about mu/2 times the
// output's power) before their turning is taken for the mains drifting.
constexpr double kHumOverNoise = 300.0;
}  // namespace

void CHumCanceller::Prepare(double mainsHz, double rate) {
    m_rate = rate > 0.0 ? rate : 44100.0;
    m_nominal = mainsHz > 0.0 ? mainsHz : 60.0;
    m_freq = m_nominal;
    // Only harmonics below the Nyquist frequency exist.
    m_harmonics = std::clamp(static_cast<int>((0.5 * m_rate - 1.0) / (m_nominal + kTrackRange)), 0, kHarmonics);
    // With unit references, a weight pair updated by mu·e removes a band of about mu·fs/(2π) Hz.
    m_mu = kTwoPi * kBandwidth / m_rate;
    m_phase = 0.0;
    m_cos.fill(0.0);
    m_sin.fill(0.0);
    m_haveAngle = false;
    m_errorPower = 0.0;
    m_count = 0;
    // A quarter second: long enough for music beside the fundamental to average out of the turn.
    m_trackEvery = std::max(1, static_cast<int>(m_rate / 4.0));
}

double CHumCanceller::Process(double x) {
    const double c1 = std::cos(m_phase), s1 = std::sin(m_phase);
    // cos(kφ) and sin(kφ) by the angle-sum recurrence.
    std::array<double, kHarmonics> ck{}, sk{};
    double c = c1, s = s1, estimate = 0.0;
    for (int k = 0; k < m_harmonics; ++k) {
        ck[k] = c;
        sk[k] = s;
        estimate += m_cos[k] * c + m_sin[k] * s;
        const double next = c * c1 - s * s1;
        s = s * c1 + c * s1;
        c = next;
    }
    const double e = x - estimate;
    m_errorPower += e * e;
    const double step = m_mu * e;
    for (int k = 0; k < m_harmonics; ++k) {
        m_cos[k] += step * ck[k];
        m_sin[k] += step * sk[k];
    }
    m_phase += kTwoPi * m_freq / m_rate;
    if (m_phase > kTwoPi) m_phase -= kTwoPi;
    if (++m_count >= m_trackEvery) Track();
    return e;
}

void CHumCanceller::Track() {
    // A hum at f + Δf seen by an oscillator at f turns the fundamental's weights at −2π·Δf rad/s.
    const double angle = std::atan2(m_sin[0], m_cos[0]);
    // Without a hum to speak of, the weights only wander with the music: their angle says nothing.
    const double weight = m_sin[0] * m_sin[0] + m_cos[0] * m_cos[0];
    const bool hum = weight > kHumOverNoise * m_mu * m_errorPower / m_count;
    m_errorPower = 0.0;
    if (m_haveAngle && hum && m_harmonics > 0) {
        double turn = angle - m_lastAngle;
        if (turn > std::numbers::pi) turn -= kTwoPi;
        if (turn < -std::numbers::pi) turn += kTwoPi;
        const double error = -turn / kTwoPi * m_rate / m_count;
        m_freq = std::clamp(m_freq + kTrackGain * error, m_nominal - kTrackRange, m_nominal + kTrackRange);
    }
    m_lastAngle = angle;
    m_haveAngle = hum;
    m_count = 0;
}
