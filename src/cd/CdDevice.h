// What the ripper needs of a CD drive or a disc image: its table of contents
// and its audio frames. The libcdio drive implements it; tests put in drives
// that fail on purpose. One thread at a time uses an object.
#pragma once

#include <cstdint>
#include <string>

#include "cd/CdToc.h"

class ICdDevice {
public:
    virtual ~ICdDevice() = default;
    // False when no disc (or no readable table of contents) is there.
    virtual bool ReadToc(CCdToc& toc) = 0;
    // Reads frames audio frames from lsn on into buffer (frames x 2352 bytes, 16-bit little-endian
    // stereo). Frames read (the number to advance by), or -1 on failure.
    virtual int ReadAudio(int32_t lsn, uint32_t frames, uint8_t* buffer) = 0;
    // The reason of the last failure, for the error report.
    virtual std::string LastError() const = 0;
};
