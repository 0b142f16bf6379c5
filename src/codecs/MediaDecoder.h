// Audio files of the formats FFmpeg reads (FLAC, Ogg Vorbis and Opus, AAC,
// WMA, AIFF, MP3 ...): a description, and decoding of the first audio stream
// into PCM of the file's own rate, down-mixed to stereo when it has more
// channels. Lossless codings keep their width up to 24 bits; lossy ones give
// 16 bits, as MP3 import does.
#pragma once

#include <cstdint>
#include <string>

class IPcmSink;
struct WaveFileInfo;

class CMediaDecoder {
public:
    // Channels and rate as decoded, bits, the data size in bytes and duration (both estimated from
    // the container's duration), typeName the coding's short name in capitals ("FLAC", "VORBIS").
    // 0, 103 when the file cannot be opened, or 4 when it holds no audio FFmpeg decodes.
    static int Describe(const std::string& path, WaveFileInfo& info);
    // Decodes path into sink, at most maxFrames frames (0: all): 0, -1 on failure (also when the
    // sink refuses), -2 on cancel. Shows the position (0..100) in the progress window when one is open.
    static int Decode(const std::string& path, IPcmSink& sink, uint64_t maxFrames = 0);
};
