// Reading the playlists the CD writer imports: ".wls" lists (a 192-byte
// header "Zarvo WaveList Ver 1.00 1997", then 524-byte records each starting
// with a zero-terminated path) and ".m3u" lists (one path a line; blank lines
// and "#" comments skipped). Paths are bytes as stored, in no particular
// encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CPlaylistImport {
public:
    static constexpr const char* kWlsHeader = "Zarvo WaveList Ver 1.00 1997";
    static constexpr size_t kWlsHeaderBytes = 192;
    static constexpr size_t kWlsRecordBytes = 524;
    // Larger files are refused unread (bytes).
    static constexpr size_t kMaxFileBytes = 16u << 20;

    // The paths of a ".wls" list. A list shorter than one record holds none (true); a longer one
    // without the header text is no list (false).
    static bool ParseWls(std::string_view bytes, std::vector<std::string>& paths);
    // The paths of a ".m3u" list (LF or CRLF lines, an optional UTF-8 mark first); relative paths
    // are taken from folder.
    static std::vector<std::string> ParseM3u(std::string_view text, const std::string& folder);
    // Reads file as ".wls" or ".m3u" by its extension (any case). False when it cannot be read
    // or is no list.
    static bool Read(const std::string& file, std::vector<std::string>& paths);
};
