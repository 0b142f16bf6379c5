#include "devices/CaptureBuffer.h"

#include <algorithm>
#include <cstring>

CCaptureBuffer::~CCaptureBuffer() {
    Release();
}

int CCaptureBuffer::Create(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format,
                           size_t bufferBytes, size_t segmentBytes) {
    Release();
    m_frame = std::max<size_t>(format.nBlockAlign, 1);
    m_segment = std::max(segmentBytes / m_frame * m_frame, m_frame);
    m_ring.assign(std::max(bufferBytes / m_frame * m_frame, m_segment), 0);
    int error = kHostOk;
    m_stream = host.Open(device, format, *this, error);
    return m_stream ? kHostOk : error;
}

void CCaptureBuffer::Release() {
    Stop();
    m_stream.reset();
}

bool CCaptureBuffer::Start() {
    if (!m_stream) return false;
    if (m_running) return true;
    m_captured.store(0);
    m_read.store(0);
    m_running = m_stream->Start();
    return m_running;
}

void CCaptureBuffer::Stop() {
    if (m_stream && m_running) m_stream->Stop();
    m_running = false;
    Signal();
}

void CCaptureBuffer::Consume(const std::function<void(const uint8_t*, size_t)>& take) {
    if (m_ring.empty()) return;
    uint64_t read = m_read.load(std::memory_order_relaxed);
    const uint64_t captured = m_captured.load(std::memory_order_acquire);
    // A segment at a time (never across the ring's end): each is one buffer to meter and gate.
    while (read < captured) {
        const size_t at = static_cast<size_t>(read % m_ring.size());
        const size_t n =
            std::min({static_cast<size_t>(captured - read), m_ring.size() - at, m_segment - at % m_segment});
        take(m_ring.data() + at, n);
        read += n;
        m_read.store(read, std::memory_order_release);
        if (m_stream) m_stream->Kick();
    }
}

void CCaptureBuffer::Signal() {
    m_events.fetch_add(1, std::memory_order_release);
    m_events.notify_all();
}

size_t CCaptureBuffer::Capture(const uint8_t* in, size_t frames) {
    if (m_ring.empty()) return 0;
    const uint64_t captured = m_captured.load(std::memory_order_relaxed);
    const auto room =
        (m_ring.size() - static_cast<size_t>(captured - m_read.load(std::memory_order_acquire))) / m_frame;
    const size_t n = std::min(frames, room);
    const size_t bytes = n * m_frame;
    const size_t at = static_cast<size_t>(captured % m_ring.size());
    const size_t first = std::min(bytes, m_ring.size() - at);
    std::memcpy(m_ring.data() + at, in, first);
    std::memcpy(m_ring.data(), in + first, bytes - first);
    if (n > 0) {
        m_captured.store(captured + bytes, std::memory_order_release);
        if ((captured + bytes) / m_segment != captured / m_segment) {
            m_events.fetch_add(1, std::memory_order_release);
            m_events.notify_all();
        }
    }
    return n;
}
