// One first-order IIR section, y = b0·w + b1·z with w = x − a1·z (direct
// form II, one state word): the smoothers and the one-pole high-passes.
#pragma once

namespace dsp {

struct FirstOrderCoeffs {
    double b0 = 1.0;
    double b1 = 0.0;
    double a1 = 0.0;
};

}  // namespace dsp

class CFirstOrder {
public:
    CFirstOrder() = default;
    explicit CFirstOrder(const dsp::FirstOrderCoeffs& c) : m_c(c) {}

    // New coefficients; the state is kept.
    void SetCoeffs(const dsp::FirstOrderCoeffs& c) { m_c = c; }
    const dsp::FirstOrderCoeffs& Coeffs() const { return m_c; }

    // Sets the state word directly (some filters start their smoothers at 1.0).
    void SetState(double z) { m_z = z; }
    double State() const { return m_z; }
    void Reset() { m_z = 0.0; }

    // One sample in, one sample out.
    inline double Process(double x) {
        const double w = x - m_c.a1 * m_z;
        const double y = m_c.b0 * w + m_c.b1 * m_z;
        m_z = w;
        return y;
    }

private:
    dsp::FirstOrderCoeffs m_c;
    double m_z = 0.0;
};
