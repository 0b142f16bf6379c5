// The MP3 encoder set-up kept in section "Restova": which encoder, how it is
// reached (the encoder library or an external program) and at what bit rate.
#pragma once

#include <string>

class CSettingsStore;

struct Mp3Options {
    enum Type { kBladeEnc = 0, kLame = 1, kOggVorbis = 2, kXing = 3, kOther = 4 };
    // The library's and the set-up dialog's defaults.
    static constexpr const char* kDefaultPath = "lame_enc.dll";

    std::string encoderPath = kDefaultPath;  // MP3EncoderPath
    std::string extraOptions;                // MP3ExtraOptions
    int encoderType = kLame;                 // MP3EncoderType
    bool useDll = true;                      // MP3UseDll
    bool useVbr = false;                     // MP3UseVBR
    int bitRate = 128;                       // MP3DefBitRate, kbit/s
    bool flacOutput = false;                 // OutputFlac: lossless files instead of WMA

    // forCommand: the defaults an external command line is built with (no path, BladeEnc).
    static Mp3Options Load(const CSettingsStore& store, bool forCommand = false);
    // Writes the six MP3 keys; false when the store refused one.
    bool Save(CSettingsStore& store) const;

    // The bit rate the encoder library is given: 128 for values outside 32..320.
    int LibraryBitRate() const { return bitRate < 32 || bitRate > 320 ? 128 : bitRate; }
};
