// The audio format record, laid out as the classic WAVEFORMATEX (packed,
// little-endian fields) so that it can be read from and written to files as is.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 1;          // 1 = integer PCM, 3 = IEEE float
    uint16_t nChannels = 2;           // 1 or 2, interleaved, left first
    uint32_t nSamplesPerSec = 44100;  // Hz
    uint32_t nAvgBytesPerSec = 176400;
    uint16_t nBlockAlign = 4;         // bytes per frame
    uint16_t wBitsPerSample = 16;
    uint16_t cbSize = 18;             // in memory only; never written to a file
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatFloat = 3;

// Bytes of one sample of one channel: (bits + 7) / 8.
inline int BytesPerSampleOf(const WAVEFORMATEX& f) { return (f.wBitsPerSample + 7) / 8; }

// A format record made consistent: block align and bytes per second derived.
inline WAVEFORMATEX MakeWaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    WAVEFORMATEX f;
    f.wFormatTag = tag;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    f.nAvgBytesPerSec = static_cast<uint32_t>(static_cast<uint64_t>(f.nBlockAlign) * rate);  // the bytes really stored
    f.cbSize = 18;
    return f;
}
