// The calls and the configuration record of an MP3 encoder library loaded at
// run time (the BladeEnc-style interface). Both the loader and our own
// library, librestova-lame, are built from this one description.
#pragma once

#include <cstddef>
#include <cstdint>

namespace encoder_abi {

// Configuration record: little-endian fields at fixed offsets, the rest zero.
inline constexpr size_t kConfigSize = 331;
inline constexpr uint32_t kConfigLame = 0x100;  // offset 0: the extended (LAME) layout
inline constexpr uint32_t kConfigMp3 = 0;       // offset 0: the short layout

// Extended layout.
inline constexpr size_t kLameVersion = 4;       // u32, 1
inline constexpr size_t kLameSize = 8;          // u32, kConfigSize
inline constexpr size_t kLameRate = 12;         // u32, source sample rate
inline constexpr size_t kLameResample = 16;     // u32, output rate, 0 = as the source
inline constexpr size_t kLameMode = 20;         // u32, see kMode*
inline constexpr size_t kLameBitRate = 24;      // u32, kbit/s
inline constexpr size_t kLameMaxBitRate = 28;   // u32, kbit/s for VBR, 0 = no limit
inline constexpr size_t kLameQuality = 32;      // u32, 1 fast, 2 normal, 3 best
inline constexpr size_t kLameMpegVersion = 36;  // u32, 1 = MPEG-1 (informational)
inline constexpr size_t kLameOriginal = 60;     // u32, original flag
inline constexpr size_t kLameVbr = 68;          // u32, variable bit rate
inline constexpr size_t kLameVbrQuality = 72;   // u32, 0 best .. 9
inline constexpr size_t kLameInfoFrame = 84;    // u32, reserve the first frame for the length header

// Short layout.
inline constexpr size_t kMp3Rate = 4;     // u32, source sample rate
inline constexpr size_t kMp3Mode = 8;     // u8, 0 stereo, 3 mono
inline constexpr size_t kMp3BitRate = 9;  // u16, kbit/s

inline constexpr uint32_t kModeStereo = 0;
inline constexpr uint32_t kModeJointStereo = 1;
inline constexpr uint32_t kModeMono = 3;

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kErrInvalidFormat = 1;
inline constexpr uint32_t kErrInvalidParameters = 2;
inline constexpr uint32_t kErrNoMoreHandles = 3;
inline constexpr uint32_t kErrInvalidHandle = 4;
inline constexpr uint32_t kErrBufferTooSmall = 5;

struct Version {
    uint8_t dllMajor, dllMinor;
    uint8_t major, minor;
    uint8_t day, month;
    uint16_t year;
    char homepage[129];
};

using Stream = uintptr_t;

// samplesPerChunk: 16-bit values (all channels) one EncodeChunk call takes; outBytes: the
// output buffer each call needs.
using InitStreamFn = uint32_t (*)(const uint8_t* config, uint32_t* samplesPerChunk, uint32_t* outBytes, Stream* stream);
// samples: 16-bit values in input (at most samplesPerChunk); written: bytes put in output.
using EncodeChunkFn = uint32_t (*)(Stream stream, uint32_t samples, const int16_t* input, uint8_t* output,
                                   uint32_t* written);
using DeinitStreamFn = uint32_t (*)(Stream stream, uint8_t* output, uint32_t* written);
using CloseStreamFn = uint32_t (*)(Stream stream);
using VersionFn = void (*)(Version* version);
// Fills the reserved first frame of the finished file with the length header of the stream
// closed last.
using WriteVbrHeaderFn = uint32_t (*)(const char* path);
// Ours, optional: the ID3v2 tag the stream starts with; call before the first chunk. Empty
// texts and track 0 are left out.
using SetTagsFn = uint32_t (*)(Stream stream, const char* title, const char* artist, const char* album, int track);

inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace encoder_abi
