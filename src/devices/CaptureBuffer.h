// The capture ring of the WDM back-end: a stream writes what it records at
// the capture count on its own thread and signals at every segment end; the
// capture thread reads from the read count. When the reader falls a whole
// ring behind, new input is lost (and counted) rather than overwriting
// unread bytes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "devices/AudioHost.h"

class CCaptureBuffer : public IStreamClient {
public:
    ~CCaptureBuffer() override;

    // Opens an input stream on device (not started); the ring holds bufferBytes and signals every
    // segmentBytes (whole frames). A HostError. UI thread.
    int Create(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format, size_t bufferBytes,
               size_t segmentBytes);
    void Release();
    bool Exists() const { return m_stream != nullptr; }
    // Starts and stops recording; the counts restart at Start. UI thread.
    bool Start();
    void Stop();

    // Hands every byte recorded since the last call to take, a segment at most per piece, and frees
    // each piece once taken. One reader at a time.
    void Consume(const std::function<void(const uint8_t*, size_t)>& take);
    // Bytes recorded and not yet consumed.
    size_t Pending() const { return static_cast<size_t>(m_captured.load() - m_read.load()); }
    // Input frames lost because the ring was full. Any thread.
    uint64_t Dropped() const { return m_stream ? m_stream->DroppedFrames() : 0; }

    uint32_t Events() const { return m_events.load(std::memory_order_acquire); }
    void WaitEvent(uint32_t seen) const { m_events.wait(seen, std::memory_order_acquire); }
    void Signal();

    // Stream thread.
    size_t Capture(const uint8_t* in, size_t frames) override;

private:
    std::unique_ptr<IAudioStream> m_stream;
    std::vector<uint8_t> m_ring;
    size_t m_frame = 1;
    size_t m_segment = 1;
    bool m_running = false;
    std::atomic<uint64_t> m_captured{0};
    std::atomic<uint64_t> m_read{0};
    std::atomic<uint32_t> m_events{0};
};
