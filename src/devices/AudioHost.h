// The sound cards the program can use: those PortAudio finds on the default
// host API (ALSA, which reaches PulseAudio, PipeWire and JACK through its
// plug-ins) and the virtual cards, which play into and record from WAV files.
// The back-ends open streams here; a stream pulls and pushes bytes of the
// format it was opened with through its client, on its own thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/WaveFormat.h"

class CVirtualCard;

using DeviceGuid = std::array<uint8_t, 16>;

// A stable 16-byte identifier made from a device's name; never all zero (zero is the default device).
DeviceGuid DeviceIdOf(const std::string& name);

struct AudioEndpoint {
    std::string name;
    DeviceGuid id{};
    bool capture = false;
    int portAudioIndex = -1;              // PortAudio's device number, or -1
    CVirtualCard* virtualCard = nullptr;  // or the virtual card it is
};

// Why a stream could not be opened.
enum HostError : int {
    kHostOk = 0,
    kHostBadFormat = 1,  // the device refuses the format
    kHostBusy = 2,       // in use by another program
    kHostNoDevice = 3,   // gone, or nothing to open
    kHostNoMemory = 4,
    kHostFailed = 5,
};

// What a stream calls on its own (real-time) thread: never lock, allocate or wait here.
class IStreamClient {
public:
    virtual ~IStreamClient() = default;
    // Output: fills frames frames at out, silence where there is nothing to play; returns the
    // frames of real sound, which come first.
    virtual size_t Render(uint8_t* out, size_t frames) {
        (void)out;
        (void)frames;
        return 0;
    }
    // Input: takes up to frames frames from in; returns how many it took (a real card loses the rest).
    virtual size_t Capture(const uint8_t* in, size_t frames) {
        (void)in;
        return frames;
    }
};

class IAudioStream {
public:
    virtual ~IAudioStream() = default;
    // Starts calling the client. False when the device will not run.
    virtual bool Start() = 0;
    // Stops calling the client; when it returns, the client is no longer in use.
    virtual void Stop() = 0;
    // Wakes a stream that waits for its client (a virtual card going as fast as it can):
    // there is new sound or new room. Any thread; cheap.
    virtual void Kick() {}
    // Plays or records at hz instead of the format's rate from now on. UI thread.
    virtual bool SetRate(uint32_t hz) = 0;
    // Input frames lost because the client had no room for them.
    virtual uint64_t DroppedFrames() const = 0;
};

class CAudioHost {
public:
    // With usePortAudio off only the virtual cards exist (tests, --device "Virtual card").
    explicit CAudioHost(bool usePortAudio = true);
    ~CAudioHost();
    CAudioHost(const CAudioHost&) = delete;
    CAudioHost& operator=(const CAudioHost&) = delete;

    // The virtual card "Virtual card", always present.
    CVirtualCard& VirtualCard() { return *m_cards.front(); }
    // Adds another virtual card (tests); the host owns it.
    CVirtualCard& AddVirtualCard(const std::string& name);
    // Takes a virtual card away, as if unplugged. The first card stays.
    void RemoveVirtualCard(const std::string& name);

    // Playback or capture devices in enumeration order: PortAudio's, then the virtual cards.
    std::vector<AudioEndpoint> Devices(bool capture) const;
    // The device used for the zero identifier and index -1: PortAudio's default, else the first
    // virtual card.
    AudioEndpoint DefaultDevice(bool capture) const;

    // Opens a stream of format on device for client (not started). Null with error set on failure.
    std::unique_ptr<IAudioStream> Open(const AudioEndpoint& device, const WAVEFORMATEX& format, IStreamClient& client,
                                       int& error);
    // The sound system's own words for a failure.
    static std::string ErrorText(int error);

private:
    bool m_portAudio = false;
    std::vector<std::unique_ptr<CVirtualCard>> m_cards;
};

// The program's host. Never null: a host with PortAudio is made on first use unless one was set.
CAudioHost& AudioHost();
void SetAudioHost(CAudioHost* host);
