#include "audiofile/SampleCodec.h"

#include <algorithm>
#include <bit>

#include "audiofile/Vectorize.h"

SampleKind CSampleCodec::KindOf(const WAVEFORMATEX& f) {
    if (f.wFormatTag == kWaveFormatFloat) return f.wBitsPerSample == 32 ? SampleKind::F32 : SampleKind::None;
    if (f.wFormatTag != kWaveFormatPcm || f.wBitsPerSample < 8 || f.wBitsPerSample > 32) return SampleKind::None;
    switch ((f.wBitsPerSample + 7) / 8) {
        case 1:
            return SampleKind::U8;
        case 2:
            return SampleKind::S16;
        case 3:
            return SampleKind::S24;
        default:
            return SampleKind::S32;
    }
}

size_t CSampleCodec::BytesOf(SampleKind kind) {
    switch (kind) {
        case SampleKind::U8:
            return 1;
        case SampleKind::S16:
            return 2;
        case SampleKind::S24:
            return 3;
        case SampleKind::S32:
        case SampleKind::F32:
            return 4;
        case SampleKind::None:
            break;
    }
    return 0;
}

namespace {

// Whole 16- and 32-bit samples are copied as they lie in memory.
static_assert(std::endian::native == std::endian::little);

// One loop per kind, each simple enough to vectorise.
RESTOVA_VECTORIZE void DecodeU8(const uint8_t* src, int32_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) dst[i] = (static_cast<int32_t>(src[i]) - 128) * 65536;
}

RESTOVA_VECTORIZE void DecodeS16(const uint8_t* src, int32_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int16_t v;
        std::memcpy(&v, src + 2 * i, 2);
        dst[i] = v * 256;
    }
}

RESTOVA_VECTORIZE void DecodeS24(const uint8_t* src, int32_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = src + 3 * i;
        const uint32_t u =
            static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 24;
        dst[i] = static_cast<int32_t>(u) >> 8;
    }
}

RESTOVA_VECTORIZE void DecodeS32(const uint8_t* src, int32_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int32_t v;
        std::memcpy(&v, src + 4 * i, 4);
        dst[i] = v >> 8;
    }
}

RESTOVA_VECTORIZE void DecodeF32(const uint8_t* src, int32_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        float f;
        std::memcpy(&f, src + 4 * i, 4);
        const float x = f * 8388607.0f;
        if (!(x == x)) {
            dst[i] = 0;
        } else if (x >= 8388607.0f) {
            dst[i] = 8388607;
        } else if (x <= -8388608.0f) {
            dst[i] = -8388608;
        } else {
            dst[i] = static_cast<int32_t>(x);
        }
    }
}

RESTOVA_VECTORIZE void EncodeU8(const int32_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) dst[i] = static_cast<uint8_t>((src[i] >> 16) + 128);
}

RESTOVA_VECTORIZE void EncodeS16(const int32_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<int16_t>(src[i] >> 8);
        std::memcpy(dst + 2 * i, &v, 2);
    }
}

RESTOVA_VECTORIZE void EncodeS24(const int32_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) CSampleCodec::EncodeOne(SampleKind::S24, src[i], dst + 3 * i);
}

RESTOVA_VECTORIZE void EncodeS32(const int32_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<int32_t>(static_cast<uint32_t>(src[i]) << 8);
        std::memcpy(dst + 4 * i, &v, 4);
    }
}

RESTOVA_VECTORIZE void EncodeF32(const int32_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) CSampleCodec::EncodeOne(SampleKind::F32, src[i], dst + 4 * i);
}

}  // namespace

void CSampleCodec::Decode(SampleKind kind, const uint8_t* src, int32_t* dst, size_t count) {
    switch (kind) {
        case SampleKind::U8:
            return DecodeU8(src, dst, count);
        case SampleKind::S16:
            return DecodeS16(src, dst, count);
        case SampleKind::S24:
            return DecodeS24(src, dst, count);
        case SampleKind::S32:
            return DecodeS32(src, dst, count);
        case SampleKind::F32:
            return DecodeF32(src, dst, count);
        case SampleKind::None:
            std::fill(dst, dst + count, 0);
            return;
    }
}

void CSampleCodec::Encode(SampleKind kind, const int32_t* src, uint8_t* dst, size_t count) {
    switch (kind) {
        case SampleKind::U8:
            return EncodeU8(src, dst, count);
        case SampleKind::S16:
            return EncodeS16(src, dst, count);
        case SampleKind::S24:
            return EncodeS24(src, dst, count);
        case SampleKind::S32:
            return EncodeS32(src, dst, count);
        case SampleKind::F32:
            return EncodeF32(src, dst, count);
        case SampleKind::None:
            return;
    }
}
