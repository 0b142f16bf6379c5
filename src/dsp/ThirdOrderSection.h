// One third-order IIR section in direct form II with three state words, as
// the third-order Butterworth crossovers and detectors run it:
// w = x − a1·s1 − a2·s2 − a3·s3; y = b0·w + b1·s1 + b2·s2 + b3·s3.
#pragma once

namespace dsp {

struct ThirdOrderCoeffs {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, b3 = 0.0;
    double a1 = 0.0, a2 = 0.0, a3 = 0.0;
};

}  // namespace dsp

class CThirdOrderSection {
public:
    CThirdOrderSection() = default;
    explicit CThirdOrderSection(const dsp::ThirdOrderCoeffs& c) : m_c(c) {}

    // New coefficients; the state is kept.
    void SetCoeffs(const dsp::ThirdOrderCoeffs& c) { m_c = c; }
    const dsp::ThirdOrderCoeffs& Coeffs() const { return m_c; }
    void Reset() { m_s1 = m_s2 = m_s3 = 0.0; }

    // One sample in, one sample out.
    inline double Process(double x) {
        const double w = x - m_c.a1 * m_s1 - m_c.a2 * m_s2 - m_c.a3 * m_s3;
        const double y = m_c.b0 * w + m_c.b1 * m_s1 + m_c.b2 * m_s2 + m_c.b3 * m_s3;
        m_s3 = m_s2;
        m_s2 = m_s1;
        m_s1 = w;
        return y;
    }

private:
    dsp::ThirdOrderCoeffs m_c;
    double m_s1 = 0.0, m_s2 = 0.0, m_s3 = 0.0;
};
