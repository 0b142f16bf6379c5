#include "audiofile/SessionArchive.h"

#include <strings.h>

#include <cstring>

namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kFirstClassReference = 0x8001;  // class index 1: the first record of the file
constexpr uint16_t kSchema = 0;
constexpr char kClassName[] = "CQueEdit";
constexpr size_t kClassNameLength = sizeof(kClassName) - 1;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutFormat(std::vector<uint8_t>& out, const WAVEFORMATEX& f) {
    PutU16(out, f.cbSize);
    PutU32(out, f.nAvgBytesPerSec);
    PutU16(out, f.nBlockAlign);
    PutU16(out, f.nChannels);
    PutU32(out, f.nSamplesPerSec);
    PutU16(out, f.wBitsPerSample);
    PutU16(out, f.wFormatTag);
}

// Bounds-checked little-endian reads over a byte range.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size, size_t& pos) : m_data(data), m_size(size), m_pos(pos) {}

    size_t Left() const { return m_size - m_pos; }
    bool U8(uint8_t& v) {
        if (Left() < 1) return false;
        v = m_data[m_pos++];
        return true;
    }
    bool U16(uint16_t& v) {
        if (Left() < 2) return false;
        v = static_cast<uint16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        m_pos += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        if (Left() < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | m_data[m_pos + i];
        m_pos += 4;
        return true;
    }
    const uint8_t* Take(size_t n) {
        if (Left() < n) return nullptr;
        const uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    bool Format(WAVEFORMATEX& f) {
        return U16(f.cbSize) && U32(f.nAvgBytesPerSec) && U16(f.nBlockAlign) && U16(f.nChannels) &&
               U32(f.nSamplesPerSec) && U16(f.wBitsPerSample) && U16(f.wFormatTag);
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t& m_pos;
};

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE units to UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(const uint8_t* p, size_t units) {
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = p[2 * i] | p[2 * i + 1] << 8;
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            uint32_t lo = p[2 * i + 2] | p[2 * i + 3] << 8;
            if (lo >= 0xDC00 && lo < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

// The length that follows a string's first byte: 0xFF + u16, or 0xFF, 0xFFFF + u32.
bool ReadLength(Cursor& in, uint8_t first, uint16_t* wideMarker, uint32_t& length) {
    if (first < 0xFF) {
        length = first;
        return true;
    }
    uint16_t w;
    if (!in.U16(w)) return false;
    if (w == 0xFFFE && wideMarker) {
        *wideMarker = w;
        return true;
    }
    if (w < 0xFFFF) {
        length = w;
        return true;
    }
    return in.U32(length);
}

bool ReadStep(Cursor& in, const uint8_t* data, size_t size, size_t& pos, CQueEdit& step) {
    return CSessionArchive::ReadString(data, size, pos, step.fileName) &&
           CSessionArchive::ReadString(data, size, pos, step.label) && in.U32(step.dataOffset) && in.U32(step.start) &&
           in.U32(step.end) && in.U32(step.newEnd) && in.U32(step.sourceOffset) && in.Format(step.format) &&
           in.U32(step.type);
}

}  // namespace

bool CSessionArchive::AppendString(std::vector<uint8_t>& out, const std::string& text) {
    const size_t n = text.size();
    if (n < 0xFF) {
        out.push_back(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        out.push_back(0xFF);
        PutU16(out, static_cast<uint16_t>(n));
    } else if (n <= 0xFFFFFFFFu) {
        out.push_back(0xFF);
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<uint32_t>(n));
    } else {
        return false;
    }
    out.insert(out.end(), text.begin(), text.end());
    return true;
}

bool CSessionArchive::ReadString(const uint8_t* data, size_t size, size_t& pos, std::string& text) {
    if (pos > size) return false;
    Cursor in(data, size, pos);
    uint8_t first;
    uint32_t length = 0;
    uint16_t marker = 0;
    if (!in.U8(first) || !ReadLength(in, first, &marker, length)) return false;
    if (marker == 0xFFFE) {
        // Wide string: the same length forms follow, counting 16-bit units.
        if (!in.U8(first) || !ReadLength(in, first, nullptr, length)) return false;
        if (length > in.Left() / 2) return false;
        const uint8_t* p = in.Take(2 * static_cast<size_t>(length));
        text = WideToUtf8(p, length);
        return true;
    }
    const uint8_t* p = in.Take(length);
    if (!p) return false;
    text.assign(reinterpret_cast<const char*>(p), length);
    return true;
}

bool CSessionArchive::Write(const std::string& songPath, const WAVEFORMATEX& format, const std::vector<CQueEdit>& steps,
                            std::vector<uint8_t>& out) {
    out.clear();
    if (!AppendString(out, kIdentifier) || !AppendString(out, songPath)) return false;
    PutFormat(out, format);
    if (steps.size() < 0xFFFF) {
        PutU16(out, static_cast<uint16_t>(steps.size()));
    } else {
        if (steps.size() > 0xFFFFFFFFu) return false;
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<uint32_t>(steps.size()));
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        const CQueEdit& s = steps[i];
        if (i == 0) {
            PutU16(out, kNewClassTag);
            PutU16(out, kSchema);
            PutU16(out, static_cast<uint16_t>(kClassNameLength));
            out.insert(out.end(), kClassName, kClassName + kClassNameLength);
        } else {
            PutU16(out, kFirstClassReference);
        }
        if (!AppendString(out, s.fileName) || !AppendString(out, s.label)) return false;
        PutU32(out, s.dataOffset);
        PutU32(out, s.start);
        PutU32(out, s.end);
        PutU32(out, s.newEnd);
        PutU32(out, s.sourceOffset);
        PutFormat(out, s.format);
        PutU32(out, s.type);
    }
    return true;
}

CSessionArchive::Result CSessionArchive::Read(const uint8_t* data, size_t size, Contents& out) {
    out.steps.clear();
    size_t pos = 0;
    Cursor in(data, size, pos);
    std::string identifier;
    if (!ReadString(data, size, pos, identifier) || strcasecmp(identifier.c_str(), kIdentifier) != 0 ||
        identifier.size() != std::strlen(kIdentifier)) {
        return kNotSession;
    }
    if (!ReadString(data, size, pos, out.songPath) || !in.Format(out.format)) return kNotSession;

    uint16_t count16;
    uint32_t count;
    if (!in.U16(count16)) return kStepsDamaged;
    count = count16;
    if (count16 == 0xFFFF && !in.U32(count)) return kStepsDamaged;
    if (count > kMaxSteps) return kStepsDamaged;

    bool haveClass = false;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t tag;
        if (!in.U16(tag)) return kStepsDamaged;
        if (tag == kNewClassTag && !haveClass) {
            uint16_t schema, nameLength;
            if (!in.U16(schema) || !in.U16(nameLength) || schema != kSchema || nameLength != kClassNameLength)
                return kStepsDamaged;
            const uint8_t* name = in.Take(nameLength);
            if (!name || std::memcmp(name, kClassName, kClassNameLength) != 0) return kStepsDamaged;
            haveClass = true;
        } else if (tag != kFirstClassReference || !haveClass) {
            return kStepsDamaged;
        }
        CQueEdit step;
        if (!ReadStep(in, data, size, pos, step)) return kStepsDamaged;
        out.steps.push_back(std::move(step));
    }
    return kOk;
}
