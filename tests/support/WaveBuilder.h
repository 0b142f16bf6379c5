// Test helpers that write WAV files byte by byte, independently of CWaveFile,
// with room for the odd layouts real files have (long "fmt " chunks, LIST and
// fact chunks, odd data sizes, wrong or truncated sizes), and that read a WAV
// back into its parts for checking.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct WaveLayout {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    std::optional<uint16_t> blockAlign;      // default channels * (bits + 7) / 8
    std::optional<uint32_t> bytesPerSecond;  // default rate * block align
    Bytes fmtExtra;                          // bytes after the first 16 of "fmt " (2 -> 18-byte chunk)
    std::vector<std::pair<std::string, Bytes>> chunksBeforeFmt;
    std::vector<std::pair<std::string, Bytes>> chunksBetween;  // between "fmt " and "data"
    std::vector<std::pair<std::string, Bytes>> chunksAfter;    // after "data"
    std::optional<uint32_t> claimedDataSize;                   // default: the real data size
    std::optional<uint32_t> claimedRiffSize;                   // default: the real RIFF size
    bool padOddData = true;                                    // pad byte after odd data
    std::optional<size_t> truncateTo;                          // cut the file to this many bytes
};

// The whole file: "RIFF", size, "WAVE", the chunks of layout and data.
Bytes BuildWave(const WaveLayout& layout, const Bytes& data);

// Little-endian sample bytes of integer PCM. Values as stored: 8-bit unsigned
// (0..255), wider signed; 20-bit goes in 3-byte containers.
Bytes EncodeSamples(uint16_t bits, const std::vector<int64_t>& values);
Bytes EncodeFloats(const std::vector<float>& values);
std::vector<int64_t> DecodeSamples(uint16_t bits, const Bytes& bytes);

// A "LIST" chunk of type "INFO" with one text entry (e.g. "ISFT").
std::pair<std::string, Bytes> ListInfoChunk(const std::string& id, const std::string& text);
// A "fact" chunk holding a frame count.
std::pair<std::string, Bytes> FactChunk(uint32_t frames);
// The 24 extension bytes of WAVE_FORMAT_EXTENSIBLE (cbSize 22) for a PCM (1) or float (3) sub-format.
Bytes ExtensibleFmtExtra(uint16_t validBits, uint32_t channelMask, uint16_t subFormat);

bool WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);

// A plain PCM or float WAV of interleaved samples (values as for EncodeSamples).
bool WriteWave(const std::string& path, uint16_t channels, uint32_t rate, uint16_t bits,
               const std::vector<int64_t>& samples);
bool WriteFloatWave(const std::string& path, uint16_t channels, uint32_t rate, const std::vector<float>& samples);
// Seeded 44.1 kHz noise over the whole range of its format (float: within +-floatSpan), with the
// lowest value once in it.
bool WriteNoiseWave(const std::string& path, uint16_t tag, uint16_t channels, uint16_t bits, uint32_t frames,
                    unsigned seed, float floatSpan = 1.0f);
// n bytes that differ with the seed, so a byte of a stream tells which file it came from.
Bytes PatternBytes(size_t n, unsigned seed);

// A WAV taken apart. The walk trusts the chunk sizes only as far as the file goes.
struct WaveContents {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint32_t fmtSize = 0;
    uint32_t riffSize = 0;
    uint32_t claimedDataSize = 0;
    Bytes data;                    // the data bytes present (up to the claimed size)
    std::vector<std::string> ids;  // chunk ids in file order
    uint64_t fileSize = 0;
    bool padPresent = false;  // odd data is followed by a pad byte
};
bool ReadWave(const std::string& path, WaveContents& out);
bool ParseWave(const Bytes& file, WaveContents& out);
// The data bytes of a WAV, and its integer samples at the file's own width; a test failure
// (and nothing) when it cannot be read.
Bytes WaveData(const std::string& path);
std::vector<int64_t> WaveSamples(const std::string& path);

// Through CWaveFile: every sample of a wave as internal values (OpenRead and
// ReadSamples in blocks of block samples); rc receives the open result.
std::vector<int32_t> ReadInternal(const std::string& path, int* rc = nullptr, uint32_t block = 4096);
// Through CWaveFile: internal samples into a new wave of format (tag, channels,
// rate, bits) via PutSample and direct output; false on any failure.
bool WriteInternal(const std::string& path, uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                   const std::vector<int32_t>& samples, bool clipping = true);
