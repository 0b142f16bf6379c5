// A music-like test signal for the benchmarks that compare us with other
// programs on the same file.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "audiofile/WaveFile.h"

// Pink-ish noise (one-pole low-passed white) with a 440 Hz tone on top, at about -12 dBFS, as a
// stereo wave of frames frames at rate Hz and bits bits.
inline bool GenerateMusic(const std::string& path, uint32_t rate, uint16_t bits, uint32_t frames) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, rate, bits);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    wave.SetOutputMode(kOutFile);
    if (wave.PrepareDirectWrite() != kFileOk) return false;
    uint32_t noise = 1;
    double l = 0, r = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double w1 = static_cast<double>(static_cast<int32_t>(noise)) / 2147483648.0;
        noise = noise * 1664525u + 1013904223u;
        const double w2 = static_cast<double>(static_cast<int32_t>(noise)) / 2147483648.0;
        l = 0.95 * l + 0.05 * w1;
        r = 0.95 * r + 0.05 * w2;
        const double tone = 0.1 * std::sin(2 * M_PI * 440.0 * i / rate);
        if (!wave.PutSample(static_cast<int32_t>((4 * l + tone) * 2000000)) ||
            !wave.PutSample(static_cast<int32_t>((4 * r + tone) * 2000000))) {
            return false;
        }
    }
    const bool ok = wave.FinishDirectWrite() == kFileOk;
    wave.Close();
    return ok;
}
