// The playback ring of the WDM back-end: bytes go in at the write count under
// the owner's lock and a stream drains them at the play count on its own
// thread, never past what was written (an empty ring plays silence). The
// drain signals an event at every segment end and when the ring runs dry,
// which wakes the back-end's notification thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "devices/AudioHost.h"

class CSoundBuffer : public IStreamClient {
public:
    ~CSoundBuffer() override;

    // Opens and starts an output stream on device; the ring holds bufferBytes (whole frames) and
    // signals every segmentBytes. A HostError. UI thread.
    int Create(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format, size_t bufferBytes,
               size_t segmentBytes);
    // Stops the stream and frees the ring. UI thread.
    void Release();
    bool Exists() const { return m_stream != nullptr; }
    size_t Size() const { return m_ring.size(); }
    size_t Segment() const { return m_segment; }
    const WAVEFORMATEX& Format() const { return m_format; }

    // Counts of bytes since Create or Rewind. Written: the producer's side, Played: the stream's.
    uint64_t Written() const { return m_written.load(std::memory_order_acquire); }
    uint64_t Played() const { return m_played.load(std::memory_order_acquire); }
    size_t Queued() const { return static_cast<size_t>(Written() - Played()); }
    size_t Free() const { return Size() - Queued(); }
    // Appends n bytes (at most Free()). One producer at a time (the owner's lock).
    void Append(const uint8_t* data, size_t n);
    // Appends n bytes of silence.
    void AppendSilence(size_t n);
    // Peaks of the played bytes [from, from + n) that are still in the ring. Owner's lock.
    void PlayedPeaks(uint64_t from, size_t n, int32_t& left, int32_t& right) const;
    // Empties the ring; only while not playing.
    void Rewind();

    // Looping play: while on, the stream drains the ring. Any thread.
    void Play();
    void StopPlay() { m_playing.store(false, std::memory_order_release); }
    bool Playing() const { return m_playing.load(std::memory_order_acquire); }
    // Balance in hundredths of a decibel: negative turns the right channel down, positive the left;
    // +-10000 silences the side. UI thread.
    void SetPan(int pan);
    // The stream's rate in Hz. UI thread.
    bool SetRate(uint32_t hz) { return m_stream && m_stream->SetRate(hz); }

    // The event count: it grows at every segment end and when the ring runs dry. Any thread.
    uint32_t Events() const { return m_events.load(std::memory_order_acquire); }
    // Waits until the event count differs from seen.
    void WaitEvent(uint32_t seen) const { m_events.wait(seen, std::memory_order_acquire); }
    // Raises the event count by hand (to wake the waiting thread).
    void Signal();

    // Stream thread.
    size_t Render(uint8_t* out, size_t frames) override;

private:
    std::unique_ptr<IAudioStream> m_stream;
    std::vector<uint8_t> m_ring;
    WAVEFORMATEX m_format{};
    size_t m_frame = 1;
    size_t m_segment = 1;
    uint8_t m_silence = 0;
    std::atomic<uint64_t> m_written{0};
    std::atomic<uint64_t> m_played{0};
    std::atomic<bool> m_playing{false};
    std::atomic<float> m_gainLeft{1.0f};
    std::atomic<float> m_gainRight{1.0f};
    std::atomic<uint32_t> m_events{0};
};
