// The audio format record, laid out as the classic WAVEFORMATEX (packed,
// little-endian fields) so that it can be read from and written to files as is.
#pragma once

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 1;          // 1 = integer PCM, 3 = IEEE float
    uint16_t nChannels = 2;           // 1 or 2, interleaved, left first
    uint32_t nSamplesPerSec = 44100;  // Hz
    uint32_t nAvgBytesPerSec = 176400;
    uint16_t nBlockAlign = 4;  // bytes per frame
    uint16_t wBitsPerSample = 16;
    uint16_t cbSize = 18;  // in memory only; never written to a file
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatFloat = 3;

// Bytes of one sample of one channel: (bits + 7) / 8.
inline int BytesPerSampleOf(const WAVEFORMATEX& f) {
    return (f.wBitsPerSample + 7) / 8;
}

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

// The first 16 bytes of a "fmt " body (at least 16 bytes) as a format record, unchecked.
WAVEFORMATEX RawWaveFormat(const std::vector<uint8_t>& fmt);
// The format of a "fmt " body that the program reads and writes: tag 1 or 3 (or their extensible
// form, as common tools write above 16 bits), 1 or 2 channels, 8 to 32 bits (float: 32), a rate above
// 0 and a block align of channels x bytes per sample. Block align and bytes per second are derived
// from the frame size. 0, or 104.
int EditableWaveFormat(const std::vector<uint8_t>& fmt, WAVEFORMATEX& out);
// The format of any coding that can be described: 1 or 2 channels, a rate above 0, a block align
// above 0, and for PCM and float what an editable format must have. The record as stored; 0 or 104.
int DescribableWaveFormat(const std::vector<uint8_t>& fmt, WAVEFORMATEX& out);
// The name of a format tag ("Linear PCM", "ADPCM", ...), "Unknown" for tags without one.
const char* FormatTagName(uint16_t tag);
