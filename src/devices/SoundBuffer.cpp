#include "devices/SoundBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audiofile/SampleCodec.h"
#include "audiofile/WaveFile.h"
#include "devices/LevelMeter.h"

namespace {

// Scales the samples of one channel of frames frames in place.
void Scale(SampleKind kind, uint8_t* p, size_t frames, size_t frame, float gain) {
    for (size_t i = 0; i < frames; ++i, p += frame) {
        if (kind == SampleKind::F32) {
            float v;
            std::memcpy(&v, p, 4);
            v *= gain;
            std::memcpy(p, &v, 4);
        } else if (kind != SampleKind::None) {
            int32_t v = 0;
            CSampleCodec::Decode(kind, p, &v, 1);
            CSampleCodec::EncodeOne(kind, static_cast<int32_t>(std::lround(v * gain)), p);
        }
    }
}

}  // namespace

CSoundBuffer::~CSoundBuffer() {
    Release();
}

int CSoundBuffer::Create(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format, size_t bufferBytes,
                         size_t segmentBytes) {
    Release();
    m_format = format;
    m_frame = std::max<size_t>(format.nBlockAlign, 1);
    m_segment = std::max(segmentBytes / m_frame * m_frame, m_frame);
    m_ring.assign(std::max(bufferBytes / m_frame * m_frame, m_segment), 0);
    m_silence = CSampleCodec::KindOf(format) == SampleKind::U8 ? 0x80 : 0;
    Rewind();
    int error = kHostOk;
    m_stream = host.Open(device, format, *this, error);
    if (!m_stream) return error;
    if (!m_stream->Start()) {
        m_stream.reset();
        return kHostFailed;
    }
    return kHostOk;
}

void CSoundBuffer::Release() {
    StopPlay();
    if (m_stream) m_stream->Stop();
    m_stream.reset();
    Signal();
}

void CSoundBuffer::Append(const uint8_t* data, size_t n) {
    const uint64_t written = m_written.load(std::memory_order_relaxed);
    const size_t at = static_cast<size_t>(written % m_ring.size());
    const size_t first = std::min(n, m_ring.size() - at);
    std::memcpy(m_ring.data() + at, data, first);
    std::memcpy(m_ring.data(), data + first, n - first);
    m_written.store(written + n, std::memory_order_release);
    if (m_stream) m_stream->Kick();
}

void CSoundBuffer::AppendSilence(size_t n) {
    const uint64_t written = m_written.load(std::memory_order_relaxed);
    const size_t at = static_cast<size_t>(written % m_ring.size());
    const size_t first = std::min(n, m_ring.size() - at);
    std::memset(m_ring.data() + at, m_silence, first);
    std::memset(m_ring.data(), m_silence, n - first);
    m_written.store(written + n, std::memory_order_release);
    if (m_stream) m_stream->Kick();
}

void CSoundBuffer::PlayedPeaks(uint64_t from, size_t n, int32_t& left, int32_t& right) const {
    left = right = 0;
    if (m_ring.empty()) return;
    n = std::min(n, m_ring.size());
    const size_t at = static_cast<size_t>(from % m_ring.size());
    const size_t first = std::min(n, m_ring.size() - at);
    int32_t l2 = 0, r2 = 0;
    CLevelMeter::PeaksOf(m_format, m_ring.data() + at, first, left, right);
    CLevelMeter::PeaksOf(m_format, m_ring.data(), n - first, l2, r2);
    left = std::max(left, l2);
    right = std::max(right, r2);
}

void CSoundBuffer::Rewind() {
    m_written.store(0, std::memory_order_release);
    m_played.store(0, std::memory_order_release);
}

void CSoundBuffer::Play() {
    m_playing.store(true, std::memory_order_release);
    if (m_stream) m_stream->Kick();
}

void CSoundBuffer::SetPan(int pan) {
    pan = std::clamp(pan, -10000, 10000);
    const auto gain = [](int hundredthsDb) {
        return hundredthsDb >= 10000 ? 0.0f : static_cast<float>(std::pow(10.0, -hundredthsDb / 2000.0));
    };
    m_gainLeft.store(pan > 0 ? gain(pan) : 1.0f);
    m_gainRight.store(pan < 0 ? gain(-pan) : 1.0f);
}

void CSoundBuffer::Signal() {
    m_events.fetch_add(1, std::memory_order_release);
    m_events.notify_all();
}

size_t CSoundBuffer::Render(uint8_t* out, size_t frames) {
    size_t n = 0;
    if (m_playing.load(std::memory_order_acquire) && !m_ring.empty()) {
        const uint64_t written = m_written.load(std::memory_order_acquire);
        const uint64_t played = m_played.load(std::memory_order_relaxed);
        const size_t queued = static_cast<size_t>(written - played) / m_frame;
        n = std::min(frames, queued);
        const size_t bytes = n * m_frame;
        const size_t at = static_cast<size_t>(played % m_ring.size());
        const size_t first = std::min(bytes, m_ring.size() - at);
        std::memcpy(out, m_ring.data() + at, first);
        std::memcpy(out + first, m_ring.data(), bytes - first);
        const float gl = m_gainLeft.load(std::memory_order_relaxed);
        const float gr = m_gainRight.load(std::memory_order_relaxed);
        if (m_format.nChannels == 2 && (gl != 1.0f || gr != 1.0f)) {
            const SampleKind kind = CSampleCodec::KindOf(m_format);
            const size_t bps = m_frame / 2;
            if (gl != 1.0f) Scale(kind, out, n, m_frame, gl);
            if (gr != 1.0f) Scale(kind, out + bps, n, m_frame, gr);
        }
        if (n > 0) {
            m_played.store(played + bytes, std::memory_order_release);
            // An event at every segment end and when the ring runs dry.
            if ((played + bytes) / m_segment != played / m_segment || n == queued) {
                m_events.fetch_add(1, std::memory_order_release);
                m_events.notify_all();
            }
        }
    }
    std::memset(out + n * m_frame, m_silence, (frames - n) * m_frame);
    return n;
}
