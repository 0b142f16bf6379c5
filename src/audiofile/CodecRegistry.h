// What the wave file asks of the codecs without knowing them: a description of
// a file that is no editable wave (MP3, a compressed wave, FLAC ...), and its
// decoding into a new PCM wave. The codecs implement it and each program
// installs it at start-up; with none installed only PCM and float waves are
// read, and everything else is refused with the usual file errors.
#pragma once

#include <cstddef>
#include <string>

struct WaveFileInfo;

class ICodecRegistry {
public:
    virtual ~ICodecRegistry() = default;

    // Describes a file that is not a wave. 0, or a file error code (4 when no codec knows it).
    virtual int Describe(const std::string& path, WaveFileInfo& info) = 0;

    // Decodes path (a compressed wave, MP3, or anything a codec reads) into a new PCM wave at
    // wavePath, reading readBytes of a compressed wave at a time. 0; the reader's file error code
    // when a wave's header cannot be read; 108 when wavePath exists or cannot be created; -1 when
    // nothing can decode it, on a failure while decoding, or on cancel. Shows the position (0..100)
    // in the progress window when one is open. No partial wave is left behind.
    virtual int DecodeToWave(const std::string& path, const std::string& wavePath, size_t readBytes) = 0;
};

// The installed codecs, or null. Set once at start-up, from the thread that runs the program.
ICodecRegistry* CodecRegistry();
// Installs registry (null removes it); returns the one installed before.
ICodecRegistry* SetCodecRegistry(ICodecRegistry* registry);
