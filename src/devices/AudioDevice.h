// The audio engine: one object that plays (a byte range of a wave by itself,
// or blocks a producer streams to it) and records. Two back-ends sit behind
// it: CDirectSoundDevice ("WDM": a ring with a notification thread) and
// CWaveDevice ("MME": a queue of buffers whose done notices reach the
// interface thread as posted messages). Positions and sizes are bytes of the
// source's audio data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/AudioHost.h"
#include "devices/LevelMeter.h"

class AppSettings;
class CWaveFile;

// Told when the last byte of a playback has been played. Interface thread.
class IPlaybackOwner {
public:
    virtual ~IPlaybackOwner() = default;
    virtual void OnEndOfPlayback() = 0;
};

// Takes every recorded buffer in arrival order (on the capture thread with WDM, the interface
// thread with MME) and the end of the capture.
class ICaptureHandler {
public:
    virtual ~ICaptureHandler() = default;
    // False when the bytes could not be saved.
    virtual bool OnCaptured(const uint8_t* bytes, size_t byteCount) = 0;
    // Capture has stopped for good: nothing more comes. Interface thread.
    virtual void OnCaptureStopped() = 0;
};

// Failure codes of the WDM back-end, shown with ErrorText.
enum DeviceError : uint32_t {
    kDevOk = 0,
    kDevAllocated = 0x8878000A,
    kDevBadFormat = 0x88780064,
    kDevNoDriver = 0x88780078,
    kDevInvalidCall = 0x88780032,
    kDevOutOfMemory = 0x8007000E,
    kDevGeneric = 0x80004005,
};

class CAudioDevice {
public:
    explicit CAudioDevice(CAudioHost& host) : m_host(host) {}
    virtual ~CAudioDevice() = default;
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    // All operations: interface thread, unless said otherwise.

    // Makes the device usable for output (WDM: resolves the device and starts the notification thread).
    virtual bool InitPlayback() = 0;
    // Makes the device usable for input.
    virtual bool InitCapture() = 0;
    // Lets the notification thread end (it is joined).
    virtual void StopNotifications() = 0;
    // The ReInitOnPlay setting: look the output device up again at every playback.
    void SetReInitOnPlay(bool on) { m_reInitOnPlay = on; }
    bool ReInitOnPlay() const { return m_reInitOnPlay; }
    // Streamed playback: offers the first sampleCount samples of block's sample block; false when
    // there is no room yet (the caller tries again).
    virtual bool WriteStreamBlock(CWaveFile& block, size_t sampleCount) = 0;
    // The text for a failure code.
    virtual std::string ErrorText(uint32_t code) const = 0;
    // Opens the input for target's format; recorded bytes go to the capture handler.
    virtual bool OpenCapture(CWaveFile& target) = 0;
    // Opens the output for source's format. source is read by the device until StopPlayback
    // (file playback) or is the block that streams (streamed).
    virtual bool OpenPlayback(CWaveFile& source, bool streamed, int preRoll) = 0;
    // Whether the input device records format.
    virtual bool QueryCaptureFormat(const WAVEFORMATEX& format) = 0;
    // The current playback position: start + bytes played (streamed: within the range).
    virtual uint32_t GetPosition() = 0;
    // File playback of [start, end); an end of 0 or past the data means the data's end.
    virtual bool Play(uint32_t start, uint32_t end) = 0;
    // Gets ready for streamed playback of a range of length end - start.
    virtual bool BeginStream(uint32_t start, uint32_t end) = 0;
    // Stops output and releases its buffers.
    virtual void StopPlayback() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Balance -10000 (left only) .. 10000 (right only), hundredths of a decibel.
    virtual void SetPan(int pan) = 0;
    // Plays at the source's rate x perMille / 1000.
    virtual void SetRate(int perMille) = 0;
    virtual bool StartCapture() = 0;
    virtual void StopCapture() = 0;
    // Posted buffer-done notices (MME); nothing for WDM.
    virtual void OnCaptureBufferDone(int header) = 0;
    virtual void OnPlayBufferDone(int header) = 0;
    // Device choice by identifier (WDM; zero = the default device).
    virtual void SetOutputGuid(const DeviceGuid& id) = 0;
    virtual void SetInputGuid(const DeviceGuid& id) = 0;
    // Device choice by number in enumeration order (MME; -1 = the default device).
    virtual void SetInputDevice(int index) = 0;
    virtual void SetOutputDevice(int index) = 0;
    // The code of the last failure.
    uint32_t LastError() const { return m_lastError; }

    virtual bool IsWdm() const = 0;
    // Bytes played since the playback or stream began, not wrapped into the range.
    virtual uint64_t PlayedBytes() const = 0;
    // Input frames lost because nobody took them in time since capture started.
    virtual uint64_t DroppedFrames() const = 0;
    // A looping stream never ends by itself; another ends once its range has been played.
    void SetStreamLooping(bool on) { m_streamLooping = on; }
    void SetOwner(IPlaybackOwner* owner) { m_owner = owner; }
    void SetCaptureHandler(ICaptureHandler* handler) { m_captureHandler = handler; }
    // Peaks of the buffers that were played (written by sound threads, read by the interface).
    CLevelMeter& Meter() { return m_meter; }
    CAudioHost& Host() { return m_host; }
    // The devices in use (resolved at InitPlayback / InitCapture).
    const AudioEndpoint& OutputDevice() const { return m_output; }
    const AudioEndpoint& InputDevice() const { return m_input; }

protected:
    // The failure code for a host's error.
    static uint32_t DeviceErrorOf(int hostError);
    // The device for a stored choice; a gone device gives the default and the no-driver text once.
    AudioEndpoint Resolve(bool capture, const DeviceGuid* id, int index);

    CAudioHost& m_host;
    IPlaybackOwner* m_owner = nullptr;
    ICaptureHandler* m_captureHandler = nullptr;
    CLevelMeter m_meter;
    AudioEndpoint m_output;
    AudioEndpoint m_input;
    bool m_reInitOnPlay = false;
    bool m_streamLooping = false;
    uint32_t m_lastError = kDevOk;
};

// The engine the settings ask for: WDM with GuidDevIn/GuidDevOut when UseWDM is on, else MME
// with MMERecDev - 1 / MMEPlayDev - 1 (a stored 0 is the default); ReInitOnPlay given to both.
std::unique_ptr<CAudioDevice> CreateAudioDevice(const AppSettings& settings, CAudioHost& host);
