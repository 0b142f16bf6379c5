// The program's player: the transport over the audio engine, shared by
// playback and recording. It plays a byte range of a wave, plays what a
// filter preview streams to it (IPreviewPlayer), auditions ranges for the
// track tools (ITrackPlayer), and records: every captured buffer is metered,
// passed through the sound gate and appended to the take, which continues in
// "_part" files past the size limit.
//
// Everything runs on the interface thread except OnCaptured, which the WDM
// back-end calls on its capture thread; what both sides touch is atomic or
// under the take's lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "devices/AudioDevice.h"
#include "devices/PreviewPlayer.h"
#include "devices/SoundGate.h"
#include "devices/TrackPlayer.h"

class CPlayer : public IPreviewPlayer, public ITrackPlayer, public IPlaybackOwner, public ICaptureHandler {
public:
    static constexpr int kStreamPreRoll = 7;
    static constexpr int kPositionPeriodMs = 50;
    static constexpr uint32_t kVoxHoldMs = 3000;

    // device: the engine (not owned); SetDevice moves the player to another one.
    explicit CPlayer(CAudioDevice& device);
    ~CPlayer() override;
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Moves to another engine: playback and recording on the old one are stopped first (the take is
    // closed, a preview's producer sees the stop at its next block), so that the old engine can go.
    void SetDevice(CAudioDevice& device);
    CAudioDevice& Device() { return *m_device; }

    // --- playback ----------------------------------------------------------
    // Plays bytes [start, end) of the wave at path (end 0: to its end); in session mode its current
    // audio. False, with the failure shown, when it cannot start.
    bool PlayFile(const std::string& path, uint32_t start, uint32_t end, bool sessionMode = false);
    // Starts streamed playback of blocks that block will hand over (TakeBlock); endBytes is the
    // stream's length.
    bool PlayStream(CWaveFile& block, uint32_t endBytes);
    // Hands sampleCount samples of block's sample block to the device, waiting (and pumping
    // messages) while it has no room. False when cancelled or playback stopped.
    bool WriteBlock(CWaveFile& block, size_t sampleCount);
    // Stops playback (recording goes on).
    void StopPlayback();
    void PausePlayback();
    void ResumePlayback();
    // The listening options: only the left or only the right channel (both or neither: centre).
    void SetListening(bool leftOnly, bool rightOnly);
    // Plays at the source's rate x perMille / 1000 (WDM only).
    void SetRate(int perMille) { m_device->SetRate(perMille); }
    // The play position in bytes of the source.
    uint32_t Position() { return m_device->GetPosition(); }
    // Peaks of what plays or is recorded, 24-bit scale. Any thread.
    CLevelMeter& Meter() { return m_device->Meter(); }
    // The position hook: while playback runs, the front end calls OnTimer every kPositionPeriodMs
    // and the hook gets the position.
    void SetPositionHook(std::function<void(uint32_t)> hook) { m_positionHook = std::move(hook); }
    bool TimerRunning() const { return m_timer; }
    void OnTimer();

    // --- IPreviewPlayer, ITrackPlayer, IPlaybackOwner -------------------------
    bool StartStream(CWaveFile& block, const WAVEFORMATEX& format, uint32_t lengthBytes) override;
    bool TakeBlock(const int32_t* samples, size_t count) override;
    int State() const override { return m_state.load(); }
    uint64_t PlayPosition() const override { return m_device->PlayedBytes(); }
    void SetLoop(bool on) override;
    bool Loop() const override { return m_loop; }
    void Stop() override { StopPlayback(); }
    void ForgetStream() override;
    bool PlayRange(CWaveFile& song, uint32_t startBytes, uint32_t endBytes) override;
    bool IsPlaying() const override;
    bool PlayingAt(uint32_t& bytes) override;
    void OnEndOfPlayback() override;

    // --- recording -----------------------------------------------------------
    // Sets the state code (monitoring 106, recording 104, ...).
    void SetState(int state) { m_state.store(state); }
    // The sound gate: on/off, threshold in 24-bit units, hold in ms.
    void SetupGate(bool on, int32_t threshold, uint32_t holdMs);
    bool GateSaysWrite() const { return m_gateOpen.load(); }
    // Starts capturing into name (a new take replaces the file and forgets earlier parts; otherwise
    // the take's last file is appended to). Shows 190 or 130 and returns false on failure.
    bool StartRecording(const std::string& name, const WAVEFORMATEX& format, bool newTake);
    // Stops capturing and closes the take (state 103).
    void StopRecording();
    // Bytes written to the current file of the take, and to the whole take. Any thread.
    uint64_t CapturedBytes() const { return m_fileBytes.load(); }
    uint64_t TakeBytes() const { return m_takeBytes.load(); }
    // Milliseconds of input since the capture started, written or not. Any thread.
    uint64_t InputMs() const { return m_inputMs.load(); }
    // The take's files: the first and its continuation parts (empty while it has only one).
    std::vector<std::string> TakeParts() const;
    // The data limit of one file of a take (tests shrink it).
    void SetPartLimit(uint64_t bytes) { m_partLimit = bytes; }
    const WAVEFORMATEX& CaptureFormat() const { return m_capture.Format(); }

    bool OnCaptured(const uint8_t* bytes, size_t byteCount) override;
    void OnCaptureStopped() override;

private:
    void ApplyPan();
    // Starts a continuation file; under the take's lock.
    bool ContinueInNewPart();

    CAudioDevice* m_device;
    std::atomic<int> m_state{kPlayerStopped};
    CWaveFile m_source;
    CWaveFile* m_block = nullptr;
    bool m_loop = false;
    bool m_timer = false;
    bool m_leftOnly = false;
    bool m_rightOnly = false;
    std::function<void(uint32_t)> m_positionHook;

    CWaveFile m_capture{4096, 4096};
    CSoundGate m_gate;
    std::atomic<bool> m_gateOpen{false};
    mutable std::mutex m_takeLock;
    std::vector<std::string> m_parts;
    bool m_captureOpen = false;
    uint64_t m_partLimit = CWaveFile::kDefaultPartLimit;
    uint64_t m_framesSeen = 0;
    std::atomic<uint64_t> m_fileBytes{0};
    std::atomic<uint64_t> m_takeBytes{0};
    std::atomic<uint64_t> m_inputMs{0};
};
