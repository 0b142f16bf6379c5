#include "enhance/Riaa.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"

namespace {

// The rate from which on the section is designed for the file instead of using the fixed set.
constexpr uint32_t kDesignedFrom = 96000;

}  // namespace

CRiaa::CRiaa() : m_coeffs(StandardCoeffs()) {
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
    if (rate == 44100 || rate == 48000) {
        m_coeffs = StandardCoeffs();
    } else if (rate >= kDesignedFrom) {
        const dsp::BiquadCoeffs c = dsp::DesignRiaaPlayback(static_cast<double>(rate));
        // A design that failed must not replace a working set.
        if (std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1) &&
            std::isfinite(c.a2)) {
            m_coeffs = c;
        }
    }
    // Any other rate keeps the set in force.
    for (CBiquad& s : m_state.section) s.SetCoeffs(m_coeffs);
}

bool CRiaa::Prepare(CWaveFile& source, CWaveFile&) {
    m_rate = source.Format().nSamplesPerSec;
    Recompute();
    for (CBiquad& s : m_state.section) s.SetForm(dsp::BiquadForm::DirectI);  // also clears the past values
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
    CBiquad& left = m_state.section[0];
    CBiquad& right = m_state.section[1];
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
