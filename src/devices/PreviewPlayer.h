// What the filter runner needs of the playback engine to play a preview while
// the filter computes it: stream the blocks of an output wave, report the
// transport state and how far it has played, loop, stop, and let go of the
// wave when the run ends. The program's player implements it; tests and the
// command line use a player that writes the stream into a file.
#pragma once

#include <cstdint>

#include "audiofile/BlockConsumer.h"
#include "audiofile/WaveFormat.h"

class CWaveFile;

// Transport state codes, shared with recording.
enum PlayerState : int {
    kPlayerPlaying = 101,
    kPlayerPaused = 102,
    kPlayerStopped = 103,
    kPlayerRecording = 104,
    kPlayerRecordingWhilePlaying = 105,
    kPlayerCapturing = 106,
};

class IPreviewPlayer : public IBlockConsumer {
public:
    // Starts playing what block hands over: block is switched to block-only
    // output and gives its full blocks to TakeBlock. lengthBytes is the
    // length of one pass of the stream in format. False when playback cannot start.
    virtual bool StartStream(CWaveFile& block, const WAVEFORMATEX& format, uint32_t lengthBytes) = 0;
    // The transport state code (PlayerState).
    virtual int State() const = 0;
    // Bytes of the stream played since it started.
    virtual uint64_t PlayPosition() const = 0;
    // The loop option: a playing preview rewinds its source at the range end.
    virtual void SetLoop(bool on) = 0;
    virtual bool Loop() const = 0;
    // Ends playback (state 103).
    virtual void Stop() = 0;
    // Lets go of the wave given to StartStream; it no longer hands blocks here.
    virtual void ForgetStream() = 0;

    // A source read for a preview rewinds at the range end while this holds.
    bool IsLooping() const override { return Loop() && State() == kPlayerPlaying; }
};
