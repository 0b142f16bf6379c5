#include "cd/PlaylistImport.h"

#include <algorithm>
#include <cstring>

#include "audiofile/FileNames.h"
#include "cd/CdPlaylist.h"

bool CPlaylistImport::ParseWls(std::string_view bytes, std::vector<std::string>& paths) {
    paths.clear();
    if (bytes.size() < kWlsRecordBytes) return true;
    const size_t headerLength = std::strlen(kWlsHeader) + 1;  // with its terminating zero
    if (bytes.substr(0, headerLength) != std::string_view(kWlsHeader, headerLength)) return false;
    const size_t records = bytes.size() / kWlsRecordBytes;
    for (size_t i = 0; i < records; ++i) {
        const size_t at = kWlsHeaderBytes + i * kWlsRecordBytes;
        if (at + kWlsRecordBytes > bytes.size()) break;
        const std::string_view record = bytes.substr(at, kWlsRecordBytes);
        const std::string_view path = record.substr(0, std::min(record.find('\0'), record.size()));
        if (!path.empty()) paths.emplace_back(path);
    }
    return true;
}

std::vector<std::string> CPlaylistImport::ParseM3u(std::string_view text, const std::string& folder) {
    std::vector<std::string> paths;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        // A NUL would cut the path short where the file is opened.
        if (line.empty() || line.front() == '#' || line.find('\0') != std::string_view::npos) continue;
        std::string path(line);
        if (path.front() != '/') path = FileInTempDir(folder, path);
        paths.push_back(std::move(path));
    }
    return paths;
}

bool CPlaylistImport::Read(const std::string& file, std::vector<std::string>& paths) {
    paths.clear();
    std::string bytes;
    if (!CCdPlaylist::ReadBytes(file, kMaxFileBytes, bytes)) return false;
    if (HasExtension(file, ".wls")) return ParseWls(bytes, paths);
    if (HasExtension(file, ".m3u")) {
        paths = ParseM3u(bytes, FolderOf(file));
        return true;
    }
    return false;
}
