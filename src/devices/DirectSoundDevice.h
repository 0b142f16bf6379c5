// The WDM back-end. Playback goes through a ring (CSoundBuffer) that the
// stream drains; a notification thread wakes at every segment end to refill
// it from the source (file playback) or to watch the producer (streamed
// playback: a stream that starves stops and pre-rolls again). The producer's
// WriteStreamBlock and the notification thread share the ring's write side
// under one lock. Recording has a capture ring and a capture thread.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "devices/AudioDevice.h"
#include "devices/CaptureBuffer.h"
#include "devices/SoundBuffer.h"

class CDirectSoundDevice : public CAudioDevice {
public:
    static constexpr int kSegmentsFile = 32;
    static constexpr int kMaxSegments = 32;
    static constexpr uint32_t kStreamSegmentFrames = 4096;
    static constexpr int kCaptureSegments = 16;

    explicit CDirectSoundDevice(CAudioHost& host);
    ~CDirectSoundDevice() override;

    bool InitPlayback() override;
    bool InitCapture() override;
    void StopNotifications() override;
    // Producer's thread (the interface thread for previews).
    bool WriteStreamBlock(CWaveFile& block, size_t sampleCount) override;
    std::string ErrorText(uint32_t code) const override;
    bool OpenCapture(CWaveFile& target) override;
    bool OpenPlayback(CWaveFile& source, bool streamed, int preRoll) override;
    bool QueryCaptureFormat(const WAVEFORMATEX& format) override;
    // Any thread.
    uint32_t GetPosition() override;
    bool Play(uint32_t start, uint32_t end) override;
    bool BeginStream(uint32_t start, uint32_t end) override;
    void StopPlayback() override;
    void Pause() override;
    void Resume() override;
    void SetPan(int pan) override { m_buffer.SetPan(pan); }
    void SetRate(int perMille) override;
    bool StartCapture() override;
    void StopCapture() override;
    void OnCaptureBufferDone(int) override {}
    void OnPlayBufferDone(int) override {}
    void SetOutputGuid(const DeviceGuid& id) override;
    void SetInputGuid(const DeviceGuid& id) override;
    void SetInputDevice(int) override {}
    void SetOutputDevice(int) override {}
    bool IsWdm() const override { return true; }
    // Any thread.
    uint64_t PlayedBytes() const override { return m_buffer.Played(); }
    uint64_t DroppedFrames() const override { return m_capture.Dropped(); }

    // Segment sizes in bytes, as OpenPlayback makes them.
    size_t SegmentBytes() const { return m_buffer.Segment(); }
    size_t BufferBytes() const { return m_buffer.Size(); }
    // The pre-roll blocks still to come before a stream sounds.
    int PreRollLeft() const;
    // Whether the ring is playing now (a stream that starved is not).
    bool IsSounding() const { return m_buffer.Playing(); }

private:
    void NotificationLoop();
    void OnFileEvent();
    void OnStreamEvent();
    bool StreamComplete() const;
    // Reads from the source into the ring while a segment fits. Under the lock.
    void Refill();
    // Tells the owner on the interface thread, once per playback.
    void PostEndOfPlayback();
    void CaptureLoop();
    // Hands what was recorded since the last call to the capture handler.
    void HandleCaptured();
    void StopCaptureThread();

    DeviceGuid m_outId{};
    DeviceGuid m_inId{};
    bool m_outResolved = false;
    CSoundBuffer m_buffer;
    CCaptureBuffer m_capture;
    // The one lock: the ring's write side, the source and the counters below.
    mutable std::mutex m_lock;
    std::thread m_notifyThread;
    std::atomic<bool> m_threadRunning{false};
    CWaveFile* m_source = nullptr;
    bool m_active = false;
    bool m_streamed = false;
    bool m_endPosted = false;
    uint32_t m_start = 0;
    uint32_t m_end = 0;
    uint32_t m_readPos = 0;
    int m_preRoll = 0;
    int m_preRollStart = 0;
    WAVEFORMATEX m_format{};
    std::vector<uint8_t> m_scratch;
    // Posted notices check both: the device still exists and it is still the same playback.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::atomic<uint32_t> m_generation{0};

    std::thread m_captureThread;
    std::atomic<bool> m_captureRunning{false};
    // Held by whoever hands recorded bytes on (capture thread, or StopCapture for the rest).
    std::mutex m_captureLock;
    std::atomic<bool> m_captureFailed{false};
};
