// One second-order IIR section. Coefficients are normalised so that a0 = 1 and
// the recursion is y = b0·x + b1·x1 + b2·x2 − a1·y1 − a2·y2. Designs that write
// their feedback with the opposite sign negate a1 and a2 before storing them.
#pragma once

#include <cstddef>

namespace dsp {

struct BiquadCoeffs {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// The state layouts a section can run in. All give the same transfer function;
// they differ in rounding and in what the state words hold.
enum class BiquadForm {
    DirectI,  // two past inputs and two past outputs
    DirectII  // two delayed intermediate values
};

}  // namespace dsp

class CBiquad {
public:
    CBiquad() = default;
    explicit CBiquad(const dsp::BiquadCoeffs& c, dsp::BiquadForm form = dsp::BiquadForm::DirectI)
        : m_c(c), m_form(form) {}

    // New coefficients; the state is kept so that a running signal continues.
    void SetCoeffs(const dsp::BiquadCoeffs& c) { m_c = c; }
    const dsp::BiquadCoeffs& Coeffs() const { return m_c; }

    // Changes the state layout and clears the state.
    void SetForm(dsp::BiquadForm form) {
        m_form = form;
        Reset();
    }
    dsp::BiquadForm Form() const { return m_form; }

    // Clears the state (silence before the first sample).
    void Reset() { m_s0 = m_s1 = m_s2 = m_s3 = 0.0; }

    // One sample in, one sample out.
    inline double Process(double x) {
        switch (m_form) {
            case dsp::BiquadForm::DirectI: {
                const double y = m_c.b0 * x + m_c.b1 * m_s0 + m_c.b2 * m_s1 - m_c.a1 * m_s2 - m_c.a2 * m_s3;
                m_s1 = m_s0;
                m_s0 = x;
                m_s3 = m_s2;
                m_s2 = y;
                return y;
            }
            case dsp::BiquadForm::DirectII:
            default: {
                const double w = x - m_c.a1 * m_s0 - m_c.a2 * m_s1;
                const double y = m_c.b0 * w + m_c.b1 * m_s0 + m_c.b2 * m_s1;
                m_s1 = m_s0;
                m_s0 = w;
                return y;
            }
        }
    }

    // Filters count samples in place, taking every stride-th value (stride 2
    // walks one channel of an interleaved stereo block). Counts are in samples.
    void ProcessBlock(double* data, std::size_t count, unsigned stride = 1);

private:
    dsp::BiquadCoeffs m_c;
    dsp::BiquadForm m_form = dsp::BiquadForm::DirectI;
    double m_s0 = 0.0, m_s1 = 0.0, m_s2 = 0.0, m_s3 = 0.0;
};
