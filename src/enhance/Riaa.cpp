#include "enhance/Riaa.h"

#include <cmath>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"

CRiaa::CRiaa() {
    m_sections.Add(StandardCoeffs());
    SetIdentity(kFilterRiaa, "RIAA", "RIAA");
}

dsp::BiquadCoeffs CRiaa::StandardCoeffs() {
    // Tabulated with the feedback added in the recursion; CBiquad subtracts it.
    dsp::BiquadCoeffs c;
    c.b0 = 0.2275882473429072;
    c.b1 = -0.1680644758323426;
    c.b2 = -0.0408560856583673;
    c.a1 = -1.7160778983199925;
    c.a2 = 0.7179700042784745;
    return c;
}

void CRiaa::Recompute() {
    const uint32_t rate = m_rate;
    // The sections depend on the rate alone; a running signal keeps its state.
    if (rate == m_designedRate) return;
    m_designedRate = rate;
    if (rate == 44100 || rate == 48000) {
        m_sections.Clear();
        m_sections.Add(StandardCoeffs());
    } else {
        CBiquadCascade designed;
        // A design that failed must not replace a working set.
        bool finite = dsp::DesignRiaaPlayback(static_cast<double>(rate), designed);
        for (int i = 0; i < designed.Count(); ++i) {
            const dsp::BiquadCoeffs& c = designed.Coeffs(i);
            finite = finite && std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) &&
                     std::isfinite(c.a1) && std::isfinite(c.a2);
        }
        if (finite) m_sections = designed;
    }
    for (CBiquadCascade& channel : m_state.channel) {
        channel.Clear();
        for (int i = 0; i < m_sections.Count(); ++i) channel.Add(m_sections.Coeffs(i));
    }
}

bool CRiaa::Prepare(CWaveFile& source, CWaveFile&) {
    m_rate = source.Format().nSamplesPerSec;
    m_designedRate = 0;
    Recompute();
    for (CBiquadCascade& c : m_state.channel) c.SetForm(dsp::BiquadForm::DirectI);  // also clears the past values
    m_paramsChanged = 1;
    return true;
}

bool CRiaa::Process(CWaveFile& source, CWaveFile& output) {
    RecomputeIfChanged();
    const int channels = source.Format().nChannels == 2 ? 2 : 1;
    const int32_t* in = source.ReadCursor();
    const int32_t* end = source.EndCursor();
    // The untouched-channel flags only mean something for a stereo source.
    const bool passLeft = m_bypass || (channels == 2 && m_leftUntouched);
    const bool passRight = m_bypass || m_rightUntouched;
    CBiquadCascade& left = m_state.channel[0];
    CBiquadCascade& right = m_state.channel[1];
    for (; end - in >= channels; in += channels) {
        const int32_t l = ToSample(left.Process(static_cast<double>(in[0])));
        if (!output.PutSample(passLeft ? in[0] : l)) return false;
        if (channels == 2) {
            const int32_t r = ToSample(right.Process(static_cast<double>(in[1])));
            if (!output.PutSample(passRight ? in[1] : r)) return false;
        }
    }
    return true;
}

bool CRiaa::Finish(CWaveFile&, CWaveFile&) {
    return true;
}
