// The MME back-end's device: buffers ("headers") are queued in order; the
// stream plays or fills them one after the other, and each finished one
// comes back as a message posted to the interface thread. The stream's side
// is lock-free: two single-producer rings of header numbers. A thread of the
// queue's own turns finished headers into posted messages, as the system
// would.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "devices/AudioHost.h"

class CHeaderQueue : public IStreamClient {
public:
    static constexpr int kMaxHeaders = 64;
    using DoneHandler = std::function<void(int header)>;

    ~CHeaderQueue() override;

    // Opens and starts a stream of format on device (output, or input for capture). onDone runs
    // on the interface thread for every finished header. A HostError. Interface thread.
    int Open(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format, DoneHandler onDone);
    // Stops; queued headers and notices not yet handled are dropped.
    void Close();
    bool IsOpen() const { return m_stream != nullptr; }
    // Queues header with byteCount bytes at data: to play, or to fill. data stays valid until done.
    bool Add(int header, uint8_t* data, size_t byteCount);
    // Output only: hold (the stream plays silence) and go on.
    void Pause() { m_paused.store(true); }
    void Restart();
    // Bytes played or recorded since Open.
    uint64_t Position() const { return m_position.load(std::memory_order_acquire); }
    // Bytes the stream put into or took from header (complete once it is done).
    size_t Filled(int header) const { return m_headers[static_cast<size_t>(header)].done; }
    // Input frames lost for want of a queued header.
    uint64_t Dropped() const { return m_stream ? m_stream->DroppedFrames() : 0; }

    // Stream thread.
    size_t Render(uint8_t* out, size_t frames) override;
    size_t Capture(const uint8_t* in, size_t frames) override;

private:
    struct Header {
        uint8_t* data = nullptr;
        size_t bytes = 0;
        size_t done = 0;
    };
    // The header at the front of the queue, or null.
    Header* Front(int& index);
    void Finish();
    void PosterLoop();

    std::unique_ptr<IAudioStream> m_stream;
    DoneHandler m_onDone;
    size_t m_frame = 1;
    uint8_t m_silence = 0;
    std::array<Header, kMaxHeaders> m_headers{};
    std::array<int, kMaxHeaders> m_queue{};
    std::atomic<uint32_t> m_queueHead{0};  // the stream's
    std::atomic<uint32_t> m_queueTail{0};  // the interface's
    std::array<int, kMaxHeaders> m_done{};
    std::atomic<uint32_t> m_doneHead{0};  // the poster's
    std::atomic<uint32_t> m_doneTail{0};  // the stream's
    std::atomic<uint64_t> m_position{0};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_closing{false};
    std::atomic<uint32_t> m_doneEvents{0};
    std::thread m_poster;
    std::shared_ptr<int> m_alive;
};
