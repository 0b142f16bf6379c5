// One notch as a band-pass taken away from its input:
// w[n] = 2·(alpha·(u[n] − u[n−2]) + gamma·w[n−1] − beta·w[n−2]), y = u − w.
// The hum remover runs three of them; dsp::DesignNotch gives the coefficients.
#pragma once

namespace dsp {

// alpha = gamma = beta = 0 passes everything.
struct NotchCoeffs {
    double alpha = 0.0;
    double gamma = 0.0;
    double beta = 0.0;
};

}  // namespace dsp

class CNotchSection {
public:
    CNotchSection() = default;

    // New coefficients; the state is kept.
    void SetCoeffs(const dsp::NotchCoeffs& c) { m_c = c; }
    const dsp::NotchCoeffs& Coeffs() const { return m_c; }
    // Clears the past inputs and band-pass outputs.
    void Reset() { m_u1 = m_u2 = m_w1 = m_w2 = 0.0; }

    // One sample in, one sample out.
    inline double Process(double u) {
        const double w = 2.0 * (m_c.alpha * (u - m_u2) + m_c.gamma * m_w1 - m_c.beta * m_w2);
        m_u2 = m_u1;
        m_u1 = u;
        m_w2 = m_w1;
        m_w1 = w;
        return u - w;
    }

private:
    dsp::NotchCoeffs m_c;
    double m_u1 = 0.0, m_u2 = 0.0;  // past inputs
    double m_w1 = 0.0, m_w2 = 0.0;  // past band-pass outputs
};
