// A chain of second-order sections run one after the other, for designs of
// higher order. The sections live inside the object: no allocation, ever.
#pragma once

#include <array>
#include <cstddef>

#include "dsp/Biquad.h"

class CBiquadCascade {
public:
    // Enough for a 32nd-order design.
    static constexpr int kMaxSections = 16;

    CBiquadCascade() = default;

    // Appends a section; false when the cascade is full.
    bool Add(const dsp::BiquadCoeffs& c);
    // Removes every section.
    void Clear() { m_count = 0; }
    int Count() const { return m_count; }
    // Coefficients of section i (0..Count()-1); a pass-through section otherwise.
    const dsp::BiquadCoeffs& Coeffs(int i) const;

    // State layout of every section (clears the state).
    void SetForm(dsp::BiquadForm form);
    // Clears the state of every section.
    void Reset();

    // One sample through all sections.
    inline double Process(double x) {
        for (int i = 0; i < m_count; ++i) x = m_sections[static_cast<std::size_t>(i)].Process(x);
        return x;
    }

    // Filters count samples in place, every stride-th value (see CBiquad).
    void ProcessBlock(double* data, std::size_t count, unsigned stride = 1);

private:
    std::array<CBiquad, kMaxSections> m_sections{};
    int m_count = 0;
    dsp::BiquadForm m_form = dsp::BiquadForm::DirectI;
};
