#include "audiofile/WaveFormat.h"

#include <cstring>

#include "audiofile/FileError.h"
#include "audiofile/SampleCodec.h"

namespace {

constexpr uint16_t kTagExtensible = 0xFFFE;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The PCM or float tag an extensible format stands for, or its own tag.
uint16_t PlainTag(const std::vector<uint8_t>& fmt, uint16_t tag) {
    static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (tag != kTagExtensible || fmt.size() < 40 || std::memcmp(fmt.data() + 26, kGuidTail, sizeof kGuidTail) != 0) {
        return tag;
    }
    return Le16(fmt.data() + 24);
}

// A frame that holds what the header claims: a rate, and for PCM and float a width we convert with
// a block align that matches it (a mismatch would misplace every sample after the first).
bool IsSaneFrame(const WAVEFORMATEX& f, uint16_t plainTag) {
    if (f.nSamplesPerSec == 0 || f.nChannels < 1 || f.nChannels > 2 || f.nBlockAlign == 0) return false;
    if (plainTag != kWaveFormatPcm && plainTag != kWaveFormatFloat) return true;
    WAVEFORMATEX plain = f;
    plain.wFormatTag = plainTag;
    return CSampleCodec::KindOf(plain) != SampleKind::None && f.nBlockAlign == f.nChannels * BytesPerSampleOf(f);
}

}  // namespace

WAVEFORMATEX RawWaveFormat(const std::vector<uint8_t>& fmt) {
    WAVEFORMATEX f;
    f.wFormatTag = Le16(fmt.data());
    f.nChannels = Le16(fmt.data() + 2);
    f.nSamplesPerSec = Le32(fmt.data() + 4);
    f.nAvgBytesPerSec = Le32(fmt.data() + 8);
    f.nBlockAlign = Le16(fmt.data() + 12);
    f.wBitsPerSample = Le16(fmt.data() + 14);
    f.cbSize = 18;
    return f;
}

int EditableWaveFormat(const std::vector<uint8_t>& fmt, WAVEFORMATEX& out) {
    if (fmt.size() < 16) return kErrFormat;
    WAVEFORMATEX f = RawWaveFormat(fmt);
    f.wFormatTag = PlainTag(fmt, f.wFormatTag);
    if ((f.wFormatTag != kWaveFormatPcm && f.wFormatTag != kWaveFormatFloat) || !IsSaneFrame(f, f.wFormatTag)) {
        return kErrFormat;
    }
    out = MakeWaveFormat(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample);
    return kFileOk;
}

int DescribableWaveFormat(const std::vector<uint8_t>& fmt, WAVEFORMATEX& out) {
    if (fmt.size() < 16) return kErrFormat;
    const WAVEFORMATEX f = RawWaveFormat(fmt);
    if (!IsSaneFrame(f, PlainTag(fmt, f.wFormatTag))) return kErrFormat;
    out = f;
    return kFileOk;
}

const char* FormatTagName(uint16_t tag) {
    switch (tag) {
        case 1:
            return "Linear PCM";
        case 2:
            return "ADPCM";
        case 3:
            return "IEEE Float";
        case 6:
            return "A Law";
        case 7:
            return "Mu Law";
        case 16:
            return "OKI ADPCM";
        case 17:
            return "IMA ADPCM";
        case 21:
            return "Digidesign Studio";
        case 22:
            return "Digidesign Fix";
        case 48:
            return "Dolb AC2";
        case 49:
            return "GSM 610";
        case 59:
            return "Rockwell ADPCM";
        case 60:
            return "Rockwell Digitalk";
        case 64:
            return "G721 ADPCM";
        case 65:
            return "G728 CELP";
        case 80:
            return "MPEG";
        case 85:
            return "MP3";
        case 100:
            return "G726 ADPCM";
        case 101:
            return "G722 ADPCM";
        default:
            return "Unknown";
    }
}
