// Feeds arbitrary bytes to the CD playlist reader and checks that whatever it
// accepts is written back to a file that reads as the same list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cd/CdPlaylist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CdPlaylistData list;
    if (!CCdPlaylist::Parse(std::string_view(reinterpret_cast<const char*>(data), size), list)) return 0;
    const std::string once = CCdPlaylist::Serialize(list);
    CdPlaylistData again;
    if (!CCdPlaylist::Parse(once, again) || CCdPlaylist::Serialize(again) != once) std::abort();
    if (again.entries.size() != list.entries.size()) std::abort();
    return 0;
}
