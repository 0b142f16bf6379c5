#include "cd/CdPlaylist.h"

#include <cstdio>
#include <fstream>

#include "audiofile/FileNames.h"

namespace {

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool U8(uint8_t& v) {
        if (m_pos + 1 > m_bytes.size()) return false;
        v = static_cast<uint8_t>(m_bytes[m_pos++]);
        return true;
    }
    bool U16(uint16_t& v) {
        uint8_t a, b;
        if (!U8(a) || !U8(b)) return false;
        v = static_cast<uint16_t>(a | (b << 8));
        return true;
    }
    bool U32(uint32_t& v) {
        uint16_t a, b;
        if (!U16(a) || !U16(b)) return false;
        v = a | (static_cast<uint32_t>(b) << 16);
        return true;
    }
    bool String(std::string& s) {
        uint8_t b;
        if (!U8(b)) return false;
        uint32_t length = b;
        if (b == 0xFF) {
            uint16_t w;
            if (!U16(w)) return false;
            length = w;
            // 0xFFFE marks a wide string, which the program never writes.
            if (w == 0xFFFE) return false;
            if (w == 0xFFFF && !U32(length)) return false;
        }
        if (length > m_bytes.size() - m_pos) return false;
        s.assign(m_bytes.substr(m_pos, length));
        m_pos += length;
        return true;
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

void PutU16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void PutU32(std::string& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

void PutString(std::string& out, const std::string& s) {
    const size_t n = s.size();
    if (n < 0xFF) {
        out += static_cast<char>(n);
    } else if (n < 0xFFFE) {
        out += static_cast<char>(0xFF);
        PutU16(out, static_cast<uint16_t>(n));
    } else {
        out += static_cast<char>(0xFF);
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<uint32_t>(n));
    }
    out += s;
}

std::string SingleBackslashes(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        out += path[i];
        if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
    }
    return out;
}

}  // namespace

CdPlaylistEntry CdPlaylistEntry::FromPath(const std::string& path) {
    CdPlaylistEntry e;
    e.title = FileTitle(path);
    e.path = SingleBackslashes(path);
    return e;
}

bool CCdPlaylist::Parse(std::string_view bytes, CdPlaylistData& data) {
    data = {};
    Reader r(bytes);
    std::string id;
    uint32_t count = 0;
    if (!r.String(id) || id != kFormatId || !r.String(data.current) || !r.U32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        CdPlaylistEntry e;
        if (!r.String(e.title) || !r.String(e.text2) || !r.String(e.path) || !r.String(e.text4) || !r.U32(e.value))
            return false;
        for (auto& f : e.flags)
            if (!r.U8(f)) return false;
        data.entries.push_back(std::move(e));
    }
    return true;
}

std::string CCdPlaylist::Serialize(const CdPlaylistData& data) {
    std::string out;
    PutString(out, kFormatId);
    PutString(out, data.current);
    PutU32(out, static_cast<uint32_t>(data.entries.size()));
    for (const auto& e : data.entries) {
        PutString(out, e.title);
        PutString(out, e.text2);
        PutString(out, e.path);
        PutString(out, e.text4);
        PutU32(out, e.value);
        for (uint8_t f : e.flags) out += static_cast<char>(f);
    }
    return out;
}

bool CCdPlaylist::ReadBytes(const std::string& file, size_t maxBytes, std::string& bytes) {
    bytes.clear();
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<size_t>(in.gcount()));
        if (bytes.size() > maxBytes) return false;
    }
    return true;
}

bool CCdPlaylist::Load(const std::string& file, CdPlaylistData& data) {
    std::string bytes;
    return ReadBytes(file, kMaxFileBytes, bytes) && Parse(bytes, data);
}

bool CCdPlaylist::Save(const std::string& file, const CdPlaylistData& data) {
    const std::string bytes = Serialize(data);
    const std::string temp = file + ".new";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || !SyncPath(temp) || std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
