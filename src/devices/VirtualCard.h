// A sound card without hardware: what it plays goes into a WAV sink and what
// it records comes from a WAV source. It runs at real time, at a multiple of
// it, or as fast as its client keeps up, which makes playback and recording
// testable and usable on machines with no sound card.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "devices/AudioHost.h"

class CVirtualCard {
public:
    explicit CVirtualCard(std::string name);
    const std::string& Name() const { return m_name; }

    // Settings below apply to streams opened afterwards. UI thread.
    // The WAV each playback is written into (replaced at every opening); empty: played into nothing.
    void SetSink(std::string path);
    // The WAV recording reads, converted to the capture format's bits and channels (not its rate);
    // empty: silence.
    void SetSource(std::string path);
    // 1 = real time; 0 = as fast as the client takes or gives, never losing a frame (a fast card
    // waits for its client and writes only real sound into the sink); another factor: that many
    // times real time, losing what the client has no room for, as a real card would.
    void SetPace(double factor);
    double Pace() const { return m_pace; }

    const std::string& Sink() const { return m_sink; }
    const std::string& Source() const { return m_source; }
    // True once a capture stream has delivered the whole source. Any thread.
    bool SourceFinished() const { return m_sourceFinished.load(); }
    // Frames handed to playback clients' sinks and taken from the source since the card was made. Any thread.
    uint64_t FramesPlayed() const { return m_framesPlayed.load(); }

    // Used by CAudioHost.
    std::unique_ptr<IAudioStream> Open(bool capture, const WAVEFORMATEX& format, IStreamClient& client, int& error);

private:
    friend class CVirtualStream;
    std::string m_name;
    std::string m_sink;
    std::string m_source;
    double m_pace = 1.0;
    std::atomic<bool> m_sourceFinished{false};
    std::atomic<uint64_t> m_framesPlayed{0};
};
