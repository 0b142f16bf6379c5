#include "tracks/MarkSilence.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"
#include "tracks/DividerList.h"

namespace {

constexpr double kFullScale16 = 8388352.0;          // 16-bit full scale on the 24-bit scale
constexpr double kHighPassHz = 30.0;                // rumble and DC do not count as sound
constexpr double kEnvelopeHz = 15.915494309189498;  // a 10 ms time constant
constexpr double kOffset = 0.01;                    // keeps the filters out of denormal numbers in digital silence

// floor(value), limited to [0, max]; not a number gives 0.
template <typename T>
T FloorClamped(double value, T max) {
    if (!(value > 0.0)) return 0;
    const double top = static_cast<double>(max);
    return value >= top ? max : static_cast<T>(std::floor(value));
}

}  // namespace

CMarkSilence::CMarkSilence() {
    SetIdentity(kFilterMarkSilence, "None", "MarkSilence", kTraitNoOutput | kTraitNoStep);
    m_params[0] = -40;
    m_params[1] = kDefaultMinSilence;
    m_params[2] = kDefaultMinTrack;
}

bool CMarkSilence::Prepare(CWaveFile& source, CWaveFile&) {
    const WAVEFORMATEX& format = source.Format();
    m_channels = format.nChannels == 2 ? 2 : 1;
    m_bytesPerSample = static_cast<uint32_t>(std::max(source.BytesPerSample(), 1));
    m_rate = format.nSamplesPerSec;
    Recompute();
    m_paramsChanged = 0;

    m_w1 = m_w2 = m_u1 = 0.0;
    m_inSilence = false;
    m_silenceStart = 0;
    m_lastDivider = 0;
    m_position = RunRangeStart() / m_bytesPerSample;
    m_position -= m_position % static_cast<uint64_t>(m_channels);
    m_placed = 0;
    PlaceDivider(0);
    return true;
}

void CMarkSilence::Recompute() {
    const double fs = m_rate;
    const double c = m_channels;

    constexpr uint64_t kMaxCount = uint64_t{1} << 52;
    m_threshold =
        FloorClamped<int32_t>(std::pow(10.0, m_params[0] / 20.0) * kFullScale16, std::numeric_limits<int32_t>::max());
    m_minSilence = FloorClamped<uint64_t>(c * m_params[1] * fs * 0.1, kMaxCount);
    m_minTrack = FloorClamped<uint64_t>(c * m_params[2] * fs * 0.01, kMaxCount);

    const dsp::BiquadCoeffs hp = dsp::DesignButterworthHighpass2(kHighPassHz, fs);
    m_b0 = hp.b0;
    m_b1 = hp.b1;
    m_b2 = hp.b2;
    m_a1 = hp.a1;
    m_a2 = hp.a2;
    const dsp::FirstOrderCoeffs env = dsp::DesignOnePoleLowpass(kEnvelopeHz, fs);
    m_c0 = env.b0;
    m_c1 = env.b1;
    m_c2 = env.a1;
}

bool CMarkSilence::PlaceDivider(uint64_t m) {
    m -= m % static_cast<uint64_t>(m_channels);
    const uint64_t bytes = m * m_bytesPerSample;
    if (!m_list || bytes > std::numeric_limits<uint32_t>::max()) return false;
    // Names come afterwards, when the indexer names all of them at once.
    if (!m_list->Append(static_cast<uint32_t>(bytes), std::string())) return false;
    ++m_placed;
    return true;
}

bool CMarkSilence::Process(CWaveFile& source, CWaveFile&) {
    RecomputeIfChanged();
    const int channels = m_channels;
    const int32_t* in = source.ReadCursor();
    const int32_t* const end = source.EndCursor();
    const double threshold = m_threshold;
    double w1 = m_w1, w2 = m_w2, u1 = m_u1;
    uint64_t p = m_position;
    for (; end - in >= channels; in += channels, p += static_cast<uint64_t>(channels)) {
        const double x = (channels == 2 ? (static_cast<double>(in[0]) + in[1]) * 0.5 : in[0]) + kOffset;
        const double w = x - m_a1 * w1 - m_a2 * w2;
        const double y = m_b0 * w + m_b1 * w1 + m_b2 * w2;
        w2 = w1;
        w1 = w;
        const double u = std::fabs(y) - m_c2 * u1;
        const double e = m_c0 * u + m_c1 * u1;
        u1 = u;

        if (e < threshold) {
            if (!m_inSilence) {
                m_inSilence = true;
                m_silenceStart = p;
            }
        } else if (m_inSilence) {
            const uint64_t length = p - m_silenceStart;
            if (length > m_minSilence && p - m_lastDivider > m_minTrack) {
                const uint64_t m = m_silenceStart + length / 2;
                PlaceDivider(m);  // the 101st divider is silently not added
                m_lastDivider = m;
            }
            m_inSilence = false;
        }
    }
    m_w1 = w1;
    m_w2 = w2;
    m_u1 = u1;
    m_position = p;
    return true;
}

bool CMarkSilence::Finish(CWaveFile&, CWaveFile&) {
    return true;
}
