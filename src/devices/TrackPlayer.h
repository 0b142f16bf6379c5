// What the track tools need of the playback engine: play a byte range of a
// song's current audio (to audition a divider, a track or what a trim leaves)
// and stop it again. The program's player implements it; tests record the calls.
#pragma once

#include <cstdint>

class CWaveFile;

class ITrackPlayer {
public:
    virtual ~ITrackPlayer() = default;
    // Starts playing bytes [startBytes, endBytes) of song's current audio (its session
    // stream in session mode). False when playback cannot start.
    virtual bool PlayRange(CWaveFile& song, uint32_t startBytes, uint32_t endBytes) = 0;
    virtual bool IsPlaying() const = 0;
    // Where playback is now (bytes of the song's audio), for a cursor; false when it cannot say.
    virtual bool PlayingAt(uint32_t& bytes) {
        (void)bytes;
        return false;
    }
    virtual void Stop() = 0;
};
