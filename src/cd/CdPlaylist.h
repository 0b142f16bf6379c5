// CCdPlaylist: the CD playlist file "RestovaCdPlaylist.pl" in the archive
// format: little-endian integers; a string is a length prefix and its bytes
// (one byte below 255; else 0xFF and a u16 below 0xFFFE; else 0xFF, 0xFFFF and
// a u32). The file is a format id, the current song, a u32 count and the
// entries. Texts the program does not make are carried through unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CdPlaylistEntry {
    std::string title;  // file name without folder and extension
    std::string text2;
    std::string path;  // full path
    std::string text4;
    uint32_t value = 0;
    std::array<uint8_t, 5> flags{};

    // The entry the program makes for a path: its title, the path with every doubled backslash
    // reduced to one, the other fields empty.
    static CdPlaylistEntry FromPath(const std::string& path);
};

struct CdPlaylistData {
    std::string current;
    std::vector<CdPlaylistEntry> entries;
};

class CCdPlaylist {
public:
    static constexpr const char* kFileName = "RestovaCdPlaylist.pl";
    static constexpr const char* kFormatId = "{C2E9A8F2-98AE-4f2e-85D8-A6BDB30FD2B4}";
    // Larger files are refused unread (bytes).
    static constexpr size_t kMaxFileBytes = 64u << 20;

    // False when the bytes are not a whole playlist (other format id, truncated, wide strings).
    static bool Parse(std::string_view bytes, CdPlaylistData& data);
    // The file's bytes; a list read from a file is written back byte for byte.
    static std::string Serialize(const CdPlaylistData& data);

    static bool Load(const std::string& file, CdPlaylistData& data);
    // The whole of a list file; false when it cannot be read or is larger than maxBytes.
    static bool ReadBytes(const std::string& file, size_t maxBytes, std::string& bytes);
    // Written atomically (a new file renamed over the old one); false on failure.
    static bool Save(const std::string& file, const CdPlaylistData& data);
};
