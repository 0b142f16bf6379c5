#include "processing/Impulse.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "dsp/Dot.h"
#include "dsp/FilterDesign.h"
#include "dsp/OnePole.h"
#include "processing/SpareThread.h"

namespace {

constexpr double kBandReference = 100000.0;
constexpr double kThresholdCap = 8388352.0;
// O only ever matters below full scale; the cap keeps five-fold growth finite.
constexpr double kOffsetCap = 1e12;
constexpr float kScale = 1.0f / 8388608.0f;  // 2^-23
// The predictor's error on music is far from steady (a cymbal is less predictable than a
// flute), so a click is judged against the error level of the last 2 ms: it must stand 6
// times above it, as well as above the fixed threshold.
constexpr double kErrorLevelSeconds = 0.002;
constexpr double kErrorFactor = 6.0;
constexpr double kRingingRatio = 0.3;
// Error-level time constants the predictor is given to settle after a (re)start.
constexpr double kSettleSpans = 2.5;
// Per unit of p0, the predictor's fixed threshold on the 24-bit scale (a quarter of the other detectors').
constexpr double kPredictorFloorScale = 64.0;

double Corner(double fc, double fs) {
    return std::clamp(fc, 1.0, 0.45 * fs);
}

// Truncates toward zero into [lo, hi]; a value that is not a number becomes 0.
int32_t ToSampleWithin(double v, double lo, double hi) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::trunc(std::clamp(v, lo, hi)));
}

}  // namespace

CImpulse::CImpulse() {
    SetIdentity(kFilterImpulse, "Impulse", "Impulse");
}

CImpulse::~CImpulse() = default;

bool CImpulse::SavePreset(const std::string& name) {
    if (name.empty()) return false;
    const Params& p = m_params;
    const Params stored = {p[0], p[1], p[4], p[2], p[5], p[6], 0, 0, 0, 0, 0};
    return WritePresetParams(name, stored);
}

int CImpulse::LoadPreset(const std::string& name) {
    Params v{};
    if (ReadPresetParams(name, v) != 0) return 1;
    m_params[0] = v[0];
    m_params[1] = v[1];
    m_params[4] = v[2];
    m_params[2] = v[3];
    m_params[5] = v[4];
    m_params[6] = v[5];
    m_params[3] = 0;
    return 0;
}

bool CImpulse::Prepare(CWaveFile& source, CWaveFile&) {
    const int channels = source.Format().nChannels;
    if (channels != 1 && channels != 2) return false;
    m_channels = channels;
    m_rate = std::max<double>(source.Format().nSamplesPerSec, 1.0);
    const double fs = m_rate;

    m_state = SignalState{};
    m_decay = dsp::DecayPerSample(fs * 0.0005);
    m_mu = 0.38f / 13.0f;
    m_eventCount = 0;
    m_rejected = 0;
    m_repairedTotal = 0;

    const double trackFreq = Profile().GetProfileInt(kSectionImpulse, "TrackFreq", kDefaultTrackFreq);
    const double fc = Corner(trackFreq * fs / 44100.0, fs);
    const dsp::ThirdOrderCoeffs hp = dsp::DesignButterworthHighpass3(fc, fs);
    for (ChannelState& s : m_state.ch) {
        s.detector.SetCoeffs(hp);
        s.second.SetCoeffs(hp);
    }

    m_context = channels == 2 ? 2048 : 4096;
    try {
        m_in.assign(size_t{2} * kRingFrames, 0);
        m_out.assign(size_t{2} * kRingFrames, 0);
        m_work.assign(size_t{2} * kWorkLength, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!m_reserved) {
        m_reserved = m_repair[0].Reserve(kRepairContext, kMaxEvent + kTaps) &&
                     m_repair[1].Reserve(kRepairContext, kMaxEvent + kTaps);
    }
    if (!m_reserved) return false;
    for (CImpulseRepair& repair : m_repair) repair.Forget();
    m_paramsChanged = 1;
    return true;
}

void CImpulse::Recompute() {
    const double fs = m_rate;
    const double fc = Corner(fs * 10.0 / 63.0, fs);
    const dsp::ThirdOrderCoeffs detector = dsp::DesignButterworthHighpass3(fc, fs);
    const dsp::BiquadCoeffs band = dsp::DesignButterworthLowpass2(Corner(3000.0, fs), fs);

    const int w = m_params[1];
    m_window = std::clamp(w, 2, 30);
    m_half = m_window / 2;
    // A hostile width must not make the hold-off or the envelope length absurd.
    m_width = std::clamp(w, 0, 4 * kMaxEvent);
    m_mode = std::clamp(m_params[2], 0, 3);
    switch (m_mode) {
        case 0:
        case 1:
            m_holdOff = m_width;
            break;
        case 2:
            m_holdOff = std::max(m_width, 30);
            break;
        default:
            m_holdOff = 2 * m_width;
            break;
    }

    dsp::ThirdOrderCoeffs second = detector;
    m_gain2 = 1.0;
    if (m_mode == 2) {
        const double top = 0.45 * fs;
        const double f2 = top - (m_window + 5) * (top - fc) / 32.0;
        m_gain2 = top > fc ? (f2 - fc) / (top - fc) * 3.0 + 1.0 : 1.0;
        second = dsp::DesignButterworthHighpass3(Corner(f2, fs), fs);
    }

    // The predictor's error is also judged against its own recent level, which is what keeps music
    // out; the fixed threshold is left as a floor for quiet passages. At full weight it let a
    // scratch louder than quiet music through at the default strength.
    m_t0 = m_params[0] * (m_mode == 3 ? kPredictorFloorScale : 256.0);
    m_sensitivity = m_params[4] * 0.005;
    const double envelopeLength = m_mode == 0 ? fs * 0.0005 : (m_width + 23) * fs * 1.5e-5;
    m_decay = dsp::DecayPerSample(envelopeLength);
    // The envelope restarts from 0 below: until it has followed the audio for its own length, the
    // threshold it gives is no measure of the music, and the onset of any sound would pass it.
    // The predictor's error level restarts from 0 as well and needs a few of its time constants.
    const double settle =
        m_mode == 3 ? std::max(envelopeLength, fs * kErrorLevelSeconds * kSettleSpans) : envelopeLength;
    m_quietUntil = m_state.pos + static_cast<int64_t>(std::ceil(settle));
    m_bandDecay = dsp::DecayPerSample(fs * 0.02);
    m_mu = 2.0f / (kTaps + 1);
    m_errorSmoothing = 1.0 / std::max(1.0, fs * kErrorLevelSeconds);
    m_autoregressive = m_params[5] != 0;
    m_delay = m_mode == 0 ? m_half + 1 : (m_mode == 3 ? kTaps / 2 : m_half);

    // Filters that stood idle start again from silence; the quiet start above covers their settling.
    const bool useEnvelope = m_sensitivity > 0.0 || m_mode == 1;
    const bool restart = useEnvelope && !m_useEnvelope;
    m_useEnvelope = useEnvelope;
    for (int c = 0; c < 2; ++c) {
        ChannelState& s = m_state.ch[c];
        if (restart) {
            s.detector.Reset();
            s.band.Reset();
            s.bandEnv = 0.0;
        }
        s.detector.SetCoeffs(detector);
        s.second.SetCoeffs(second);
        s.band.SetCoeffs(band);
        s.envelope = 0.0;
        s.coeffs.fill(0.0f);
        s.errorPower = 0.0;
        // The median window restarts from the most recent input, not from zeros.
        s.median.Init(m_window);
        for (int64_t p = m_state.pos - m_window; p < m_state.pos; ++p) {
            s.median.Push(p >= 0 ? m_in[(p & kRingMask) + c * kRingFrames] : 0);
        }
    }
}

int32_t CImpulse::InputAt(int c, int64_t pos, const BlockView& view) const {
    if (pos >= view.first) return view.data[(pos - view.first) * m_channels + c];
    return m_in[(pos & kRingMask) + c * kRingFrames];
}

double CImpulse::Detect(ChannelState& s, int c, double x, int64_t n) {
    const double xd = x + 0.01;
    double y = 0.0;
    // The predictor with no loudness-relative threshold (the scratch stage) has no use for the
    // envelope, which would cost about as much as its prediction.
    if (m_useEnvelope) {
        y = s.detector.Process(xd);
        s.envelope = std::fabs(y) + m_decay * s.envelope;
        if (m_channels == 2) {
            const double u = s.band.Process(xd);
            s.bandEnv = std::fabs(u) * 0.05 + s.bandEnv * m_bandDecay;
            // Little energy below 3 kHz lowers the threshold by up to a fifth. The factor scales the
            // envelope's reading, not its running sum: compounded sample after sample it lowered the
            // threshold five-fold, into the hiss of every quiet passage.
            s.bandFactor = s.bandEnv < kBandReference ? 1.0 - (kBandReference - s.bandEnv) / kBandReference * 0.2 : 1.0;
        }
    }
    switch (m_mode) {
        case 0: {
            s.median.Push(x);
            const int64_t back = n - m_half;
            const double old = back >= 0 ? m_in[(back & kRingMask) + c * kRingFrames] : 0.0;
            return s.median.Largest(m_half) - old;
        }
        case 1:
            return y;
        case 2:
            return m_gain2 * s.second.Process(xd);
        default: {
            s.recentPos = (s.recentPos + kTaps - 1) % kTaps;
            const float scaled = static_cast<float>(x) * kScale;
            s.recent[s.recentPos] = scaled;
            s.recent[s.recentPos + kTaps] = scaled;
            const float* r = &s.recent[s.recentPos];  // r[i] = x[n - i]
            const float p = dsp::Dot<8>(s.coeffs.data(), r, kTaps);
            float err = r[m_window] - p;
            if (!std::isfinite(err)) {
                s.coeffs.fill(0.0f);
                err = 0.0f;
            }
            s.error = err;
            return static_cast<double>(err) * 8388607.0;
        }
    }
}

void CImpulse::Adapt(ChannelState& s, bool click) {
    // A click must neither train the predictor nor raise the error level it is judged against.
    if (click) return;
    // The coefficients and the recent inputs never overlap; saying so lets the update vectorise.
    const float* __restrict r = &s.recent[s.recentPos];
    float* __restrict cf = s.coeffs.data();
    const float step = s.error * m_mu;
    for (int i = 0; i < kTaps; ++i) cf[i] = cf[i] * 0.9999f + r[i] * step;
    // The sample being judged must not predict itself: with its own tap the predictor learns to
    // copy it, and a click cancels its own error.
    cf[m_window] = 0.0f;
    const double e = static_cast<double>(s.error) * 8388607.0;
    s.errorPower += m_errorSmoothing * (e * e - s.errorPower);
}

bool CImpulse::Process(CWaveFile& source, CWaveFile& output) {
    if (m_in.empty()) return false;  // not prepared
    RecomputeIfChanged();
    const int ch = m_channels;
    const int32_t* data = source.ReadCursor();
    const int64_t values = source.EndCursor() - data;
    const int64_t frames = values > 0 ? values / ch : 0;

    // Lookahead counts only as far as the source really holds audio behind the block; a pipe
    // between filters has none.
    int64_t look = 0;
    if (source.IsOpen()) {
        const int64_t bps = std::max(source.BytesPerSample(), 1);
        const int64_t length = source.DataLength(), cursor = source.DataCursor();
        const int64_t avail = cursor < length ? (length - cursor) / bps : 0;
        look = std::min<int64_t>(kLookahead, avail) / ch;
    }
    SignalState& st = m_state;
    m_view = {data, st.pos, st.pos + frames + look - 1};
    m_base = m_channels == 2 ? m_t0 + st.offset : m_t0;

    // In stretches short enough that what the ring holds for the output is never overwritten
    // before it is handed on. The channels share nothing until then, so a spare thread may run
    // the right one meanwhile.
    int64_t handedValues = 0;
    for (int64_t from = 0; from < frames; from += kStretchFrames) {
        m_stretch = {from, std::min(frames, from + kStretchFrames)};
        if (m_spare && ch == 2) {
            m_right.Arm();
            m_spare->Offer(m_right);
            RunChannel(0);
            m_spare->Withdraw(m_right);
            m_right.Finish();
        } else {
            for (int c = 0; c < ch; ++c) RunChannel(c);
        }
        for (ChannelCounts& k : st.counts) {
            m_eventCount += k.events;
            m_rejected += k.rejected;
            st.repaired += k.repaired;
            m_repairedTotal += k.repaired;
            k = ChannelCounts{};
        }
        if (!Hand(output, handedValues)) return false;
    }
    st.pos += frames;

    const int64_t v = ch == 2 ? handedValues : values;
    if (v > 0) {
        const double ratio = static_cast<double>(st.repaired) / static_cast<double>(v);
        st.offset = ratio <= 0.4 ? std::max(st.offset * 0.9, 1.0) : std::min(st.offset * 5.0, kOffsetCap);
        st.repaired = 0;
    }
    return true;
}

void CImpulse::RunChannel(int c) {
    SignalState& st = m_state;
    ChannelState& s = st.ch[c];
    const int ch = m_channels;
    int32_t* in = &m_in[static_cast<size_t>(c) * kRingFrames];
    int32_t* out = &m_out[static_cast<size_t>(c) * kRingFrames];
    for (int64_t i = m_stretch.from; i < m_stretch.to; ++i) {
        const int64_t n = st.pos + i;
        const int32_t x = m_view.data[i * ch + c];
        in[n & kRingMask] = x;
        out[n & kRingMask] = x;
        const double e = std::trunc(Detect(s, c, x, n));

        const double relative = s.envelope * s.bandFactor * m_sensitivity;
        double threshold = relative >= m_base ? std::min(relative, kThresholdCap) : m_base;
        if (m_mode == 3) {
            threshold = std::max(threshold, kErrorFactor * std::sqrt(s.errorPower));
            // While it settles it learns from everything: its zeroed coefficients make every
            // sample look like a click, and judged so it would never learn.
            Adapt(s, std::fabs(e) > threshold && n >= m_quietUntil);
        }

        if (m_bypass) {
            s.inEvent = false;  // what was held for an event goes out as it came in
        } else {
            // A scratch rings on below the level that revealed it; inside an event the
            // predictor's threshold drops so that the ringing is repaired with it.
            const double limit = s.inEvent && m_mode == 3 ? threshold * kRingingRatio : threshold;
            const bool above = std::fabs(e) > limit;
            if (s.inEvent) {
                s.quiet = above ? 0 : s.quiet + 1;
            } else if (above && n >= m_quietUntil) {
                s.inEvent = true;
                s.eventStart = s.emitPos;
                s.quiet = 0;
            }
            const bool atLimit = n - m_delay - s.eventStart + 1 >= kMaxEvent;
            if (s.inEvent && (s.quiet >= m_holdOff || atLimit)) EndEvent(c, n, atLimit, m_view);
        }
        if (!s.inEvent) {
            while (n - s.emitPos + 1 > m_delay + 3) ++s.emitPos;
        }
    }
}

bool CImpulse::Hand(CWaveFile& output, int64_t& handedValues) {
    SignalState& st = m_state;
    if (m_channels == 1) {
        for (; st.handed < st.ch[0].emitPos; ++st.handed) {
            if (!output.PutSample(m_out[st.handed & kRingMask])) return false;
            ++handedValues;
        }
        return true;
    }
    // Left and right leave together, so the output stays interleaved whichever channel lags.
    const int64_t ready = std::min(st.ch[0].emitPos, st.ch[1].emitPos);
    for (; st.handed < ready; ++st.handed) {
        const size_t slot = static_cast<size_t>(st.handed & kRingMask);
        if (!output.PutSample(m_out[slot])) return false;
        if (!output.PutSample(m_out[slot + kRingFrames])) return false;
        handedValues += 2;
    }
    return true;
}

void CImpulse::EndEvent(int c, int64_t n, bool atLimit, const BlockView& view) {
    ChannelState& s = m_state.ch[c];
    ChannelCounts& counts = m_state.counts[c];
    s.inEvent = false;
    s.quiet = m_holdOff;
    ++counts.events;
    const int64_t a = s.eventStart;
    const int64_t b = n - m_delay;
    if (b < a) return;  // a longer delay came in with new parameters: nothing held yet
    const bool untouched = m_channels == 2 && (c == 0 ? m_leftUntouched : m_rightUntouched);
    if (untouched) {
        ++counts.rejected;
    } else {
        int64_t changed = b - a + 1;
        if (m_autoregressive) {
            changed = RepairAutoregressive(c, a, n, atLimit, view);
        } else {
            RepairCubic(c, a, b, n, view);
        }
        counts.repaired += changed;
    }
    s.emitPos = b + 1;
}

int64_t CImpulse::RepairAutoregressive(int c, int64_t a, int64_t n, bool cutShort, const BlockView& view) {
    // The repair may reach past the detector's end up to the newest sample: a scratch rings on
    // after its last detection. Everything before n is settled or pending in the output ring
    // (earlier repairs included); what follows comes from the source.
    const int64_t beforeStart = std::max<int64_t>({a - kRepairContext, n - m_context, 0});
    const int64_t nb = std::max<int64_t>(a - beforeStart, 0);
    const int64_t span = n - a + 1;
    // No further than the lookahead a source guarantees, so that block boundaries change nothing.
    const int64_t na = std::clamp<int64_t>(view.lastValid - n, 0, kLookahead / m_channels);
    const int32_t* ring = &m_out[static_cast<size_t>(c) * kRingFrames];
    double* w = m_work.data() + static_cast<size_t>(c) * kWorkLength;
    for (int64_t i = 0; i < nb + span; ++i) w[i] = ring[(beforeStart + i) & kRingMask];
    for (int64_t i = 0; i < na; ++i) w[nb + span + i] = InputAt(c, n + 1 + i, view);

    const CImpulseRepair::Gap gap =
        m_repair[c].Fix(w, static_cast<size_t>(nb), static_cast<size_t>(span), static_cast<size_t>(na), cutShort, a);
    int32_t* out = &m_out[static_cast<size_t>(c) * kRingFrames];
    for (size_t i = gap.first; i < gap.first + gap.length; ++i) {
        out[(a + static_cast<int64_t>(i)) & kRingMask] =
            ToSampleWithin(w[nb + static_cast<int64_t>(i)], -8388608.0, 8388607.0);
    }
    return static_cast<int64_t>(gap.length);
}

void CImpulse::RepairCubic(int c, int64_t a, int64_t b, int64_t n, const BlockView&) {
    const int32_t* ring = &m_in[static_cast<size_t>(c) * kRingFrames];
    int32_t* out = &m_out[static_cast<size_t>(c) * kRingFrames];
    const double span = static_cast<double>(b - a);
    const double ya = ring[a & kRingMask], yb = ring[b & kRingMask];
    // A straight line first: the curve may step over a sample when its tangents are steep.
    for (int64_t p = a; p <= b; ++p) {
        const double t = span > 0 ? (p - a) / span : 0.0;
        out[p & kRingMask] = ToSampleWithin(ya + (yb - ya) * t, kRepairMin, kRepairMax);
    }
    if (span <= 0) return;
    // Points relative to a.
    const double x0 = -2.0, y0 = a - 2 >= 0 ? ring[(a - 2) & kRingMask] : ya;
    const double x1 = 0.0, y1 = ya;
    const double x2 = span, y2 = yb;
    const double x3 = static_cast<double>(n - a), y3 = ring[n & kRingMask];
    const int64_t steps = 3 * (b - a);
    for (int64_t k = steps; k >= 0; --k) {
        const double t = static_cast<double>(k) / static_cast<double>(steps);
        const double u = 1.0 - t;
        const double zx = x2 * u + (x2 - x3) * u * u * t + x1 * t + (x1 - x0) * u * t * t;
        const double zy = y2 * u + (y2 - y3) * u * u * t + y1 * t + (y1 - y0) * u * t * t;
        const double h = std::trunc(zx);
        if (h >= 0.0 && h <= span)
            out[(a + static_cast<int64_t>(h)) & kRingMask] = ToSampleWithin(zy, kRepairMin, kRepairMax);
    }
}

bool CImpulse::Finish(CWaveFile&, CWaveFile& output) {
    if (m_in.empty()) return true;
    // Whatever is held back goes out as it stands: an unfinished event unrepaired.
    for (int c = 0; c < m_channels; ++c) {
        m_state.ch[c].inEvent = false;
        m_state.ch[c].emitPos = m_state.pos;
    }
    int64_t handed = 0;
    return Hand(output, handed);
}
