// What CWaveFile needs of the playback engine: it takes full sample blocks
// handed over by PutSample, says whether a preview loops, whether output to
// the file is enabled, and in live mode fills the block itself.
#pragma once

#include <cstddef>
#include <cstdint>

class IBlockConsumer {
public:
    virtual ~IBlockConsumer() = default;

    // Takes a full block of interleaved internal samples. May block until the
    // engine has room; false when the hand-over failed. UI thread.
    virtual bool TakeBlock(const int32_t* samples, size_t count) = 0;

    // True while the engine loops its preview: block reading rewinds to the
    // range start instead of finishing.
    virtual bool IsLooping() const { return false; }

    // True when output mode 10 should also write to the file.
    virtual bool FileOutputEnabled() const { return true; }

    // Live mode: the engine (capture) fills blocks instead of the file.
    virtual bool IsLive() const { return false; }

    // Live mode only: copies up to capacity samples into dest; returns how
    // many were copied (the caller waits until the block is full).
    virtual size_t FillLive(int32_t* dest, size_t capacity) {
        (void)dest;
        (void)capacity;
        return 0;
    }
};
