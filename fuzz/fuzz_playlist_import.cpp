// Feeds arbitrary bytes to the ".wls" and ".m3u" readers: no crash, and every
// path they give is non-empty and free of NULs (which would cut it short).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cd/PlaylistImport.h"

namespace {

void Check(const std::vector<std::string>& paths) {
    for (const auto& p : paths)
        if (p.empty() || p.find('\0') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> paths;
    if (CPlaylistImport::ParseWls(bytes, paths)) Check(paths);
    Check(CPlaylistImport::ParseM3u(bytes, "/lists"));
    return 0;
}
