// MP3 files through libmpg123: information without decoding to a file, and
// decoding a whole file into a new 16-bit WAV of its own rate and channels.
#pragma once

#include <string>

struct WaveFileInfo;

class CMp3Decoder {
public:
    // Fills channels, rate, dataBytes (decoded 16-bit PCM size), bits 16,
    // blockAlign, duration and typeName "MP3". 0, or a file error code.
    static int GetInfo(const std::string& path, WaveFileInfo& info);
    // Decodes path into a new WAV at wavPath: 0, -1 on failure, -2 when the
    // cancel flag stopped it; no partial output is left behind. Shows the
    // position (0..100) in the progress window when one is open.
    static int DecodeMp3File(const std::string& path, const std::string& wavPath);
};
