// MP3 files through libmpg123: information without decoding to a file, and
// decoding a whole file into 16-bit PCM of its own rate and channels.
#pragma once

#include <string>

class IPcmSink;
struct WaveFileInfo;

class CMp3Decoder {
public:
    // Fills channels, rate, dataBytes (decoded 16-bit PCM size), bits 16,
    // blockAlign, duration and typeName "MP3". 0, or a file error code.
    static int GetInfo(const std::string& path, WaveFileInfo& info);
    // Decodes path into sink as 16-bit PCM of the file's own rate and channels: 0, -1 on failure
    // (also when the sink refuses), -2 when the cancel flag stopped it. Shows the position (0..100)
    // in the progress window when one is open.
    static int Decode(const std::string& path, IPcmSink& sink);
    // Decode into a new WAV at wavPath, replacing a file of that name; no partial output is left behind.
    static int DecodeMp3File(const std::string& path, const std::string& wavPath);
};
