#include "cd/SongList.h"

bool CSongList::Load(const std::string& file) {
    CdPlaylistData data;
    if (!CCdPlaylist::Load(file, data)) return false;
    m_data = std::move(data);
    return true;
}

CSongList& SongList() {
    static CSongList list;
    return list;
}
