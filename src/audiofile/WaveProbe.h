// What a file holds, found without keeping it open: the type by extension and
// the format, size and length of a wave (or of what the installed codecs
// describe, such as MP3).
#pragma once

#include <cstdint>
#include <string>

// File types by extension.
enum FileType : int { kTypeUnknown = 0, kTypeWav = 1, kTypeMp3 = 2, kTypeWma = 3, kTypeAiff = 4 };

struct WaveFileInfo {
    uint32_t dataBytes = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint16_t formatTag = 0;
    double duration = 0.0;  // seconds
    std::string typeName;   // "Linear PCM", "IEEE Float", "MP3", ..., "Unknown"
};

class CWaveProbe {
public:
    // "WAV", "MP3", "WMA", "AIF"/"AIFF" by extension, case-insensitive; kTypeUnknown without one.
    static int TypeOf(const std::string& fileName);
    // Editable waves and any other wave coding with 1-2 channels (duration from its byte rate); other
    // types as the installed codecs describe them (MP3 ...). 0 or a file error code (4 for an unknown
    // extension and 105 for MP3, WMA or AIFF that no codec reads); typeName "Unknown" on failure.
    static int Describe(const std::string& fileName, WaveFileInfo& info);
};
