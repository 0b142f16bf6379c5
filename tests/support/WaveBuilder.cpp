#include "support/WaveBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "audiofile/WaveFile.h"

namespace {

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutId(Bytes& b, const std::string& id) {
    for (size_t i = 0; i < 4; ++i) b.push_back(i < id.size() ? static_cast<uint8_t>(id[i]) : ' ');
}

void PutChunk(Bytes& b, const std::string& id, const Bytes& body) {
    PutId(b, id);
    Put32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

uint32_t Get32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

Bytes BuildWave(const WaveLayout& l, const Bytes& data) {
    const uint16_t align = l.blockAlign.value_or(static_cast<uint16_t>(l.channels * ((l.bits + 7) / 8)));
    Bytes fmt;
    Put16(fmt, l.tag);
    Put16(fmt, l.channels);
    Put32(fmt, l.rate);
    Put32(fmt, l.bytesPerSecond.value_or(l.rate * align));
    Put16(fmt, align);
    Put16(fmt, l.bits);
    fmt.insert(fmt.end(), l.fmtExtra.begin(), l.fmtExtra.end());

    Bytes b;
    PutId(b, "RIFF");
    Put32(b, 0);
    PutId(b, "WAVE");
    for (const auto& c : l.chunksBeforeFmt) PutChunk(b, c.first, c.second);
    PutChunk(b, "fmt ", fmt);
    for (const auto& c : l.chunksBetween) PutChunk(b, c.first, c.second);
    PutId(b, "data");
    Put32(b, l.claimedDataSize.value_or(static_cast<uint32_t>(data.size())));
    b.insert(b.end(), data.begin(), data.end());
    if ((data.size() & 1) && l.padOddData) b.push_back(0);
    for (const auto& c : l.chunksAfter) PutChunk(b, c.first, c.second);
    const uint32_t riff = l.claimedRiffSize.value_or(static_cast<uint32_t>(b.size() - 8));
    std::memcpy(b.data() + 4,
                Bytes{static_cast<uint8_t>(riff), static_cast<uint8_t>(riff >> 8), static_cast<uint8_t>(riff >> 16),
                      static_cast<uint8_t>(riff >> 24)}
                    .data(),
                4);
    if (l.truncateTo && *l.truncateTo < b.size()) b.resize(*l.truncateTo);
    return b;
}

Bytes EncodeSamples(uint16_t bits, const std::vector<int64_t>& values) {
    const int width = (bits + 7) / 8;
    Bytes b;
    b.reserve(values.size() * static_cast<size_t>(width));
    for (int64_t v : values) {
        const auto u = static_cast<uint64_t>(v);
        for (int i = 0; i < width; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    return b;
}

Bytes EncodeFloats(const std::vector<float>& values) {
    Bytes b(values.size() * 4);
    if (!values.empty()) std::memcpy(b.data(), values.data(), b.size());
    return b;
}

std::vector<int64_t> DecodeSamples(uint16_t bits, const Bytes& bytes) {
    const size_t width = (bits + 7) / 8;
    std::vector<int64_t> out;
    for (size_t i = 0; i + width <= bytes.size(); i += width) {
        uint64_t u = 0;
        for (size_t k = 0; k < width; ++k) u |= static_cast<uint64_t>(bytes[i + k]) << (8 * k);
        int64_t v = static_cast<int64_t>(u);
        if (width > 1 && (u >> (8 * width - 1)) & 1) v -= int64_t{1} << (8 * width);  // sign-extend
        out.push_back(v);
    }
    return out;
}

std::pair<std::string, Bytes> ListInfoChunk(const std::string& id, const std::string& text) {
    Bytes body;
    PutId(body, "INFO");
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    PutChunk(body, id, value);
    return {"LIST", body};
}

std::pair<std::string, Bytes> FactChunk(uint32_t frames) {
    Bytes body;
    Put32(body, frames);
    return {"fact", body};
}

Bytes ExtensibleFmtExtra(uint16_t validBits, uint32_t channelMask, uint16_t subFormat) {
    Bytes b;
    Put16(b, 22);
    Put16(b, validBits);
    Put32(b, channelMask);
    Put16(b, subFormat);
    const uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b.insert(b.end(), guidTail, guidTail + sizeof guidTail);
    return b;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool WriteWave(const std::string& path, uint16_t channels, uint32_t rate, uint16_t bits,
               const std::vector<int64_t>& samples) {
    WaveLayout l;
    l.channels = channels;
    l.rate = rate;
    l.bits = bits;
    return WriteBytes(path, BuildWave(l, EncodeSamples(bits, samples)));
}

bool WriteFloatWave(const std::string& path, uint16_t channels, uint32_t rate, const std::vector<float>& samples) {
    WaveLayout l;
    l.tag = 3;
    l.channels = channels;
    l.rate = rate;
    l.bits = 32;
    return WriteBytes(path, BuildWave(l, EncodeFloats(samples)));
}

bool WriteNoiseWave(const std::string& path, uint16_t tag, uint16_t channels, uint16_t bits, uint32_t frames,
                    unsigned seed, float floatSpan) {
    std::mt19937 rng(seed);
    const size_t count = static_cast<size_t>(frames) * channels;
    if (tag == kWaveFormatFloat) {
        std::uniform_real_distribution<float> d(-floatSpan, floatSpan);
        std::vector<float> v(count);
        for (auto& x : v) x = d(rng);
        if (count > 3) v[count / 3] = -1.0f;
        return WriteFloatWave(path, channels, 44100, v);
    }
    const int64_t hi = bits == 8 ? 255 : (int64_t{1} << (bits - 1)) - 1;
    const int64_t lo = bits == 8 ? 0 : -hi - 1;
    std::uniform_int_distribution<int64_t> d(lo, hi);
    std::vector<int64_t> v(count);
    for (auto& x : v) x = d(rng);
    if (count > 3) v[count / 3] = lo;
    return WriteWave(path, channels, 44100, bits, v);
}

Bytes PatternBytes(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 7 + seed * 31 + i / 251) % 253);
    return b;
}

bool ParseWave(const Bytes& file, WaveContents& out) {
    out = WaveContents{};
    out.fileSize = file.size();
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return false;
    out.riffSize = Get32(file.data() + 4);
    bool fmt = false, data = false;
    for (size_t off = 12; off + 8 <= file.size();) {
        const uint8_t* c = file.data() + off;
        const uint32_t size = Get32(c + 4);
        const size_t body = off + 8;
        const size_t have = std::min<size_t>(size, file.size() - body);
        out.ids.emplace_back(reinterpret_cast<const char*>(c), 4);
        if (!fmt && std::memcmp(c, "fmt ", 4) == 0 && have >= 16) {
            const uint8_t* f = file.data() + body;
            out.tag = Get16(f);
            out.channels = Get16(f + 2);
            out.rate = Get32(f + 4);
            out.bytesPerSecond = Get32(f + 8);
            out.blockAlign = Get16(f + 12);
            out.bits = Get16(f + 14);
            out.fmtSize = size;
            fmt = true;
        } else if (!data && std::memcmp(c, "data", 4) == 0) {
            out.claimedDataSize = size;
            out.data.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                            file.begin() + static_cast<std::ptrdiff_t>(body + have));
            out.padPresent = (size & 1) && body + size < file.size();
            data = true;
        }
        off = body + size + (size & 1);
    }
    return fmt && data;
}

bool ReadWave(const std::string& path, WaveContents& out) {
    return ParseWave(ReadBytes(path), out);
}

Bytes WaveData(const std::string& path) {
    WaveContents c;
    EXPECT_TRUE(ReadWave(path, c)) << path;
    return c.data;
}

std::vector<int64_t> WaveSamples(const std::string& path) {
    WaveContents c;
    const bool read = ReadWave(path, c) && c.bits > 0;
    EXPECT_TRUE(read) << path;
    return read ? DecodeSamples(c.bits, c.data) : std::vector<int64_t>{};
}

std::vector<int32_t> ReadInternal(const std::string& path, int* rc, uint32_t block) {
    CWaveFile wave(block, block);
    std::vector<int32_t> out;
    const int result = wave.OpenRead(path);
    if (rc) *rc = result;
    if (result != kFileOk) return out;
    while (wave.ReadSamples(block) > 0) out.insert(out.end(), wave.ReadCursor(), wave.EndCursor());
    wave.Close();
    return out;
}

bool WriteInternal(const std::string& path, uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                   const std::vector<int32_t>& samples, bool clipping) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(tag, channels, rate, bits);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    wave.SetClipping(clipping);
    wave.SetOutputMode(kOutFile);
    if (wave.PrepareDirectWrite() != kFileOk) return false;
    for (int32_t v : samples) {
        if (!wave.PutSample(v)) return false;
    }
    const bool ok = wave.FinishDirectWrite() == kFileOk;
    wave.Close();
    return ok;
}
