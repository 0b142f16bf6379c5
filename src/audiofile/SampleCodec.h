// Sample encoding and decoding for every width a wave may hold: file bytes to
// internal samples (int32 on a 24-bit scale) and back. Widths between the byte
// sizes (12, 20 bits) use the container of their bytes per sample, where WAV
// stores them left-justified.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "audiofile/WaveFormat.h"

// How samples sit in file bytes: unsigned 8-bit, signed 16/24/32-bit, 32-bit float.
enum class SampleKind : uint8_t { U8, S16, S24, S32, F32, None };

class CSampleCodec {
public:
    // The layout of a format's samples; None for what cannot be converted.
    static SampleKind KindOf(const WAVEFORMATEX& f);
    // Bytes of one sample of kind (0 for None).
    static size_t BytesOf(SampleKind kind);

    // count samples of file bytes at src into internal samples at dst. Float reads in single
    // precision (every internal value survives a round trip); NaN reads as silence and anything
    // beyond full scale as full scale.
    static void Decode(SampleKind kind, const uint8_t* src, int32_t* dst, size_t count);
    // count internal samples (clamped and dithered already) into file bytes at dst. Nothing for None.
    static void Encode(SampleKind kind, const int32_t* src, uint8_t* dst, size_t count);

    // One sample into file bytes; for the per-sample paths of dithered output.
    static void EncodeOne(SampleKind kind, int32_t v, uint8_t* p) {
        const auto u = static_cast<uint32_t>(v);
        switch (kind) {
            case SampleKind::U8:
                p[0] = static_cast<uint8_t>((v >> 16) + 128);
                break;
            case SampleKind::S16:
                p[0] = static_cast<uint8_t>(u >> 8);
                p[1] = static_cast<uint8_t>(u >> 16);
                break;
            case SampleKind::S24:
                p[0] = static_cast<uint8_t>(u);
                p[1] = static_cast<uint8_t>(u >> 8);
                p[2] = static_cast<uint8_t>(u >> 16);
                break;
            case SampleKind::S32: {
                const uint32_t w = u << 8;
                p[0] = static_cast<uint8_t>(w);
                p[1] = static_cast<uint8_t>(w >> 8);
                p[2] = static_cast<uint8_t>(w >> 16);
                p[3] = static_cast<uint8_t>(w >> 24);
                break;
            }
            case SampleKind::F32: {
                const float f = static_cast<float>(v / 8388607.0);
                std::memcpy(p, &f, 4);
                break;
            }
            case SampleKind::None:
                break;
        }
    }
};
