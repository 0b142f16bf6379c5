// Where a decoder puts what it decodes: a format once, then PCM bytes.
#pragma once

#include <cstddef>

#include "audiofile/WaveFormat.h"

class IPcmSink {
public:
    virtual ~IPcmSink() = default;
    // The format of all that follows (PCM or float, 1 or 2 channels), before the first Write.
    // False refuses it and the decoder stops.
    virtual bool Begin(const WAVEFORMATEX& format) = 0;
    // count bytes of interleaved little-endian samples in whole frames; false stops the decoder.
    virtual bool Write(const void* bytes, size_t count) = 0;
};
