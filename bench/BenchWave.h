// Whole waves in and out of memory for the benchmarks, on the 24-bit scale,
// channels interleaved, through the program's own wave file.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"

// The 44-byte header of a PCM wave whose data chunk of dataBytes follows.
inline void WriteWaveHeader(std::ostream& out, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes) {
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto blockAlign = static_cast<uint16_t>(channels * bits / 8);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * blockAlign);
    u16(blockAlign);
    u16(bits);
    out.write("data", 4);
    u32(dataBytes);
}

// Writes samples (interleaved, 24-bit scale) as a PCM wave; false on any failure.
inline bool WriteWave(const std::string& path, const std::vector<int32_t>& samples, uint16_t channels = 2,
                      uint32_t rate = 44100, uint16_t bits = 16) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, channels, rate, bits);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    wave.SetOutputMode(kOutFile);
    if (wave.PrepareDirectWrite() != kFileOk) return false;
    for (int32_t v : samples) {
        if (!wave.PutSample(v)) return false;
    }
    const bool ok = wave.FinishDirectWrite() == kFileOk;
    wave.Close();
    return ok;
}

// All samples of a wave (interleaved, 24-bit scale); empty when it cannot be read. channels and
// rate, when given, receive the wave's format.
inline std::vector<int32_t> ReadWave(const std::string& path, int* channels = nullptr, uint32_t* rate = nullptr) {
    std::vector<int32_t> out;
    CWaveFile wave;
    if (wave.OpenRead(path) != kFileOk) return out;
    if (channels) *channels = wave.Format().nChannels;
    if (rate) *rate = wave.Format().nSamplesPerSec;
    wave.SetRange(0, 0);
    int32_t* first = nullptr;
    int32_t* end = nullptr;
    while (wave.ReadNextBlock(first, end) == 0) out.insert(out.end(), wave.BlockStart(), end);
    return out;
}
