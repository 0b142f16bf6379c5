// The MME back-end: 51 output buffers of up to 8192 frames queued in order
// on a CHeaderQueue, 18 input buffers on another. It has no thread of its
// own: buffer-done notices arrive as posted messages, so everything here runs
// on the interface thread, which must pump messages while sound plays or
// records.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "devices/AudioDevice.h"
#include "devices/HeaderQueue.h"

class CWaveDevice : public CAudioDevice {
public:
    static constexpr int kOutputHeaders = 51;
    static constexpr uint32_t kHeaderFrames = 16384;
    static constexpr uint32_t kMaxBufferFrames = 8192;
    static constexpr int kInputBuffers = 18;
    static constexpr int kDefaultStreamBuffers = 7;

    explicit CWaveDevice(CAudioHost& host);
    ~CWaveDevice() override;

    bool InitPlayback() override { return true; }
    bool InitCapture() override;
    void StopNotifications() override {}
    bool WriteStreamBlock(CWaveFile& block, size_t sampleCount) override;
    std::string ErrorText(uint32_t code) const override;
    bool OpenCapture(CWaveFile& target) override;
    bool OpenPlayback(CWaveFile& source, bool streamed, int preRoll) override;
    bool QueryCaptureFormat(const WAVEFORMATEX& format) override;
    uint32_t GetPosition() override;
    bool Play(uint32_t start, uint32_t end) override;
    bool BeginStream(uint32_t start, uint32_t end) override;
    void StopPlayback() override;
    void Pause() override { m_out.Pause(); }
    void Resume() override { m_out.Restart(); }
    void SetPan(int) override {}
    void SetRate(int) override {}
    bool StartCapture() override;
    void StopCapture() override;
    void OnCaptureBufferDone(int header) override;
    void OnPlayBufferDone(int header) override;
    void SetOutputGuid(const DeviceGuid&) override {}
    void SetInputGuid(const DeviceGuid&) override {}
    void SetInputDevice(int index) override { m_inIndex = index; }
    void SetOutputDevice(int index) override { m_outIndex = index; }
    bool IsWdm() const override { return false; }
    uint64_t PlayedBytes() const override { return m_played; }
    uint64_t DroppedFrames() const override { return m_in.Dropped(); }

    // Headers queued since BeginStream and the count that starts a stream.
    int StreamBuffers() const { return m_streamCount; }
    bool IsSounding() const { return m_streamStarted; }

private:
    // Reads the next piece of the range into header and queues it; false at the end or on a read error.
    bool QueueNext(int header);
    void EndOfPlayback();
    bool StreamComplete() const;

    int m_outIndex = -1;
    int m_inIndex = -1;
    CHeaderQueue m_out;
    CHeaderQueue m_in;
    std::vector<std::vector<uint8_t>> m_outBuffers;
    std::array<bool, kOutputHeaders> m_outDone{};
    std::array<uint32_t, kOutputHeaders> m_outLength{};
    std::vector<std::vector<uint8_t>> m_inBuffers;
    // Input buffers in the order they were queued (the order they fill).
    std::array<int, CHeaderQueue::kMaxHeaders> m_inOrder{};
    uint32_t m_inFirst = 0;
    uint32_t m_inCount = 0;
    CWaveFile* m_source = nullptr;
    WAVEFORMATEX m_format{};
    bool m_streamed = false;
    bool m_streamStarted = false;
    bool m_ended = false;
    int m_streamCount = kDefaultStreamBuffers;
    int m_queuedSinceBegin = 0;
    uint32_t m_start = 0;
    uint32_t m_end = 0;
    uint32_t m_readPos = 0;
    uint64_t m_played = 0;
    uint64_t m_written = 0;
};
