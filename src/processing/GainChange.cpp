#include "processing/GainChange.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"

CGainChange::CGainChange() {
    SetIdentity(kFilterGainChange, "GainChange", "Gain Change");
}

bool CGainChange::Prepare(CWaveFile&, CWaveFile&) {
    m_a = 0;
    m_pos = 0;
    m_haveCursor = false;
    m_paramsChanged = 1;
    return true;
}

void CGainChange::Recompute() {
    m_g0 = m_params[1] * 0.001;
    m_g1 = m_params[2] * 0.001;
    m_length = m_runEnd > m_runStart ? m_runEnd - m_runStart : 0;
    m_reciprocal = m_length > 0 ? 1.0 / m_length : 0.0;
    m_shape = m_params[0];
    const double e10 = std::exp(10.0);
    switch (m_shape) {
        case 0:
            m_a = (m_g1 - m_g0) / e10;
            break;
        case 1:
            m_a = (m_g0 - m_g1) / e10;
            break;
        case 2:
            m_a = (m_g1 - m_g0) * m_reciprocal;
            break;
        case 3:
            m_c1 = 3.0 * (m_params[5] - m_g0);
            m_c2 = 3.0 * (m_params[6] - m_params[5]) - m_c1;
            m_c3 = m_g1 - m_g0 - m_c1 - m_c2;
            break;
        case 4:
            m_a = 0;
            break;
        default:
            break;
    }
}

double CGainChange::GainAt(uint32_t pos) {
    RecomputeIfChanged();
    const double t = pos * m_reciprocal;
    switch (m_shape) {
        case 0:
            m_gain = m_a * std::exp(10.0 * t) + m_g0;
            break;
        case 1:
            m_gain = m_a * std::exp(10.0 * (1.0 - t)) + m_g1;
            break;
        case 2:
            m_gain = m_a * pos + m_g0;
            break;
        case 3:
            m_gain = std::pow(10.0, (((m_c3 * t + m_c2) * t + m_c1) * t + m_g0) * 0.05);
            break;
        case 4:
            m_gain = 0;
            break;
        default:
            break;  // an unknown shape keeps the last gain
    }
    return m_gain;
}

bool CGainChange::Process(CWaveFile& source, CWaveFile& output) {
    // A looping preview that went back to the range start begins its envelope again. The cursor
    // only ever moves forward within one pass, even when the whole range is a single block.
    const uint32_t cursor = source.DataCursor();
    if (m_haveCursor && cursor <= m_lastCursor) {
        m_pos = 0;
        m_paramsChanged = 1;
    }
    m_lastCursor = cursor;
    m_haveCursor = true;

    RecomputeIfChanged();

    const int channels = source.Format().nChannels == 2 ? 2 : 1;
    const uint32_t frameBytes = static_cast<uint32_t>(std::max(source.BytesPerSample(), 1) * channels);
    const int32_t* in = source.ReadCursor();
    const int32_t* end = source.EndCursor();
    const bool passLeft = m_bypass || m_leftUntouched;
    const bool passRight = m_bypass || m_rightUntouched;
    for (; end - in >= channels; in += channels) {
        const double gain = GainAt(m_pos);
        m_pos += frameBytes;
        const int32_t left = passLeft ? in[0] : ToSample(in[0] * gain);
        if (!output.PutSample(left)) return false;
        if (channels == 2) {
            const int32_t right = passRight ? in[1] : ToSample(in[1] * gain);
            if (!output.PutSample(right)) return false;
        }
    }
    return true;
}

bool CGainChange::Finish(CWaveFile&, CWaveFile&) {
    return true;
}
