#include "dsp/BiquadCascade.h"

bool CBiquadCascade::Add(const dsp::BiquadCoeffs& c) {
    if (m_count >= kMaxSections) return false;
    CBiquad& s = m_sections[static_cast<std::size_t>(m_count)];
    s.SetCoeffs(c);
    s.SetForm(m_form);
    ++m_count;
    return true;
}

const dsp::BiquadCoeffs& CBiquadCascade::Coeffs(int i) const {
    static const dsp::BiquadCoeffs kPass;
    if (i < 0 || i >= m_count) return kPass;
    return m_sections[static_cast<std::size_t>(i)].Coeffs();
}

void CBiquadCascade::SetForm(dsp::BiquadForm form) {
    m_form = form;
    for (auto& s : m_sections) s.SetForm(form);
}

void CBiquadCascade::Reset() {
    for (auto& s : m_sections) s.Reset();
}

void CBiquadCascade::ProcessBlock(double* data, std::size_t count, unsigned stride) {
    if (!data || stride == 0) return;
    for (std::size_t i = 0; i < count; ++i) {
        double& v = data[i * stride];
        v = Process(v);
    }
}
