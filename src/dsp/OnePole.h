// One-pole smoother and envelope follower: y += c·(x − y), with separate
// coefficients while the input rises (attack) and falls (release).
#pragma once

#include <cmath>

namespace dsp {

// Per-sample factor that takes a value down to 38 % after the given number
// of samples, 0.38^(1/samples), the decay law the restoration filters use.
// A length that is not positive gives 0 (no memory).
inline double DecayPerSample(double samples) {
    return (samples > 0.0 && std::isfinite(samples)) ? std::pow(0.38, 1.0 / samples) : 0.0;
}

// Coefficient c for a time constant in seconds at rate fs: the step response
// reaches 1 − 1/e after tau. A time of 0 (or a bad rate) follows instantly.
inline double OnePoleCoeff(double tauSeconds, double fs) {
    if (!(tauSeconds > 0.0) || !(fs > 0.0) || !std::isfinite(tauSeconds * fs)) return 1.0;
    return 1.0 - std::exp(-1.0 / (tauSeconds * fs));
}

}  // namespace dsp

class COnePole {
public:
    COnePole() = default;

    // Attack and release time constants in seconds at rate fs (Hz). Equal
    // times make a plain smoother.
    void SetTimes(double attackSeconds, double releaseSeconds, double fs) {
        m_attack = dsp::OnePoleCoeff(attackSeconds, fs);
        m_release = dsp::OnePoleCoeff(releaseSeconds, fs);
    }
    // Both coefficients directly (0..1; 1 follows the input at once).
    void SetCoeffs(double attack, double release) {
        m_attack = attack;
        m_release = release;
    }

    void Reset(double value = 0.0) { m_y = value; }
    double Value() const { return m_y; }

    // Smooths x as it is.
    inline double Process(double x) {
        m_y += (x > m_y ? m_attack : m_release) * (x - m_y);
        return m_y;
    }
    // Follows the envelope |x|.
    inline double ProcessEnvelope(double x) { return Process(std::fabs(x)); }

private:
    double m_attack = 1.0;
    double m_release = 1.0;
    double m_y = 0.0;
};
