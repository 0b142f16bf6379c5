#include "enhance/Pitch.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "audiofile/WaveFile.h"
#include "base/Services.h"

CPitch::CPitch() {
    SetIdentity(kFilterPitch, "Pitch", "Pitch", kTraitChangesLength);
}

int CPitch::ParamOf(double ratio) {
    const double p = std::trunc((ratio - 1.0) * 10000.0);
    if (!(p >= static_cast<double>(INT_MIN) && p <= static_cast<double>(INT_MAX))) return 0;
    return static_cast<int>(p);
}

void CPitch::DeriveCurve(uint64_t frames) {
    m_cubic = m_params[2] != 0;
    m_start = RatioOf(m_params[0]);
    m_end = RatioOf(m_params[1]);
    // Both curves cover the range's frames: the end speed is reached at its last frame.
    const double length = frames > 0 ? static_cast<double>(frames) : 0.0;
    m_slope = length > 0 ? (m_end - m_start) / length : 0.0;
    m_step = length > 0 ? 1.0 / length : 0.0;
    const double s1 = RatioOf(m_params[4]);
    const double s2 = RatioOf(m_params[6]);
    m_c1 = 3.0 * (s1 - m_start);
    m_c2 = 3.0 * (s2 - s1) - m_c1;
    m_c3 = m_end - m_start - m_c1 - m_c2;
    m_state.phase = 0;
}

double CPitch::Speed(uint64_t frame) const {
    double speed;
    if (m_cubic) {
        const double t = static_cast<double>(frame) * m_step;
        speed = ((m_c3 * t + m_c2) * t + m_c1) * t + m_start;
    } else {
        speed = m_start + static_cast<double>(frame) * m_slope;
    }
    // Not-a-number fails both tests and becomes the lower bound too.
    return speed >= kMinSpeed ? std::min(speed, kMaxSpeed) : kMinSpeed;
}

void CPitch::Recompute() {
    const uint32_t rangeBytes = m_runEnd > m_runStart ? m_runEnd - m_runStart : 0;
    DeriveCurve(rangeBytes / m_frameBytes);
}

double CPitch::SpeedAt(uint64_t frame, uint64_t frames) {
    DeriveCurve(frames);
    return Speed(frame);
}

bool CPitch::Prepare(CWaveFile& source, CWaveFile&) {
    m_frameBytes = std::max<uint32_t>(source.Format().nBlockAlign, 1);
    m_state = State{};
    m_paramsChanged = 1;
    return true;
}

bool CPitch::Process(CWaveFile& source, CWaveFile& output) {
    const int channels = source.Format().nChannels == 2 ? 2 : 1;
    RecomputeIfChanged();

    const int32_t* in = source.ReadCursor();
    const int32_t* end = source.EndCursor();
    double phase = m_state.phase;
    uint64_t counter = m_state.counter;
    for (; end - in >= channels; in += channels, ++counter) {
        if (m_bypass) {
            for (int c = 0; c < channels; ++c) {
                if (!output.PutSample(in[c])) return false;
            }
            continue;
        }
        // The frame before the block's first is the last history frame.
        const int32_t* prev = in - channels;
        while (phase < 1.0) {
            for (int c = 0; c < channels; ++c) {
                const double x0 = prev[c];
                if (!output.PutSample(ToSample(x0 + phase * (in[c] - x0)))) {
                    m_state.phase = phase;
                    m_state.counter = counter;
                    return false;
                }
            }
            phase += Speed(counter);
        }
        phase -= 1.0;
    }
    m_state.phase = phase;
    m_state.counter = counter;
    // A looping preview starts the curve again with the range.
    if (source.IsLastBlock()) m_state = State{};
    return true;
}

bool CPitch::Finish(CWaveFile& source, CWaveFile& output) {
    // The run's step replaces exactly the range, so the copy stops at its end: audio after it
    // is still the song's own.
    const uint32_t bps = static_cast<uint32_t>(std::max(source.BytesPerSample(), 1));
    const uint32_t limit = m_runEnd > m_runStart ? m_runEnd : source.DataLength();
    uint32_t cursor = source.DataCursor();
    if (cursor >= limit) return true;
    if (source.Seek(cursor, 0) != static_cast<int64_t>(cursor)) return false;
    std::atomic<bool>& cancel = CancelFlag();
    while (cursor < limit && !cancel.load()) {
        const uint32_t want = std::min(kCopyBlock, (limit - cursor) / bps);
        if (want == 0) break;
        const int64_t got = source.ReadSamples(want);
        if (got <= 0) break;
        cursor += static_cast<uint32_t>(got);
        for (const int32_t* p = source.BlockStart(); p < source.EndCursor(); ++p) {
            if (!output.PutSample(*p)) return false;
        }
        Services().PumpMessages();
    }
    return true;
}
