// CCdTrackReader: reads one track of a disc in blocks of 26 frames, each tried
// up to three times, and hands the audio to a sink (a wave file when ripping,
// the player when a track is played). Runs on the rip or play thread; the
// cancel flag and the progress value are shared with the interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cd/CdToc.h"

class ICdDevice;

// Where read audio goes: 16-bit little-endian stereo at 44100 Hz.
class ICdAudioSink {
public:
    virtual ~ICdAudioSink() = default;
    // bytes: whole frames. False stops the read.
    virtual bool Write(const uint8_t* data, size_t bytes) = 0;
    // The read failed or was cancelled: what was written is not kept.
    virtual void Abandon() {}
};

class CCdTrackReader {
public:
    static constexpr uint32_t kBlockFrames = 26;
    static constexpr int kTries = 3;
    static constexpr int kProgressMs = 400;

    enum Result { kReadOk = 0, kReadCancelled = 1, kReadFailed = 2, kSinkFailed = 3 };

    // cancel: read once per block; percent: set at most every 400 ms (program-wide), 0..100.
    CCdTrackReader(const std::atomic<bool>& cancel, std::atomic<double>& percent)
        : m_cancel(cancel), m_percent(percent) {}

    // Reads track from device into sink. On kReadFailed, Error() holds "Error at LBA reason".
    Result Read(ICdDevice& device, const CdTrack& track, ICdAudioSink& sink);
    const std::string& Error() const { return m_error; }

private:
    const std::atomic<bool>& m_cancel;
    std::atomic<double>& m_percent;
    std::string m_error;
};
