// CSongList: the program-wide current song and ordered list of chosen songs,
// which is also the in-memory CD playlist. The ripper appends what it rips,
// the CD writer keeps its playing order here. Interface thread only.
#pragma once

#include <string>
#include <vector>

#include "cd/CdPlaylist.h"

class CSongList {
public:
    void Clear() { m_data.entries.clear(); }
    void Append(const std::string& path) { m_data.entries.push_back(CdPlaylistEntry::FromPath(path)); }
    size_t Count() const { return m_data.entries.size(); }
    const std::string& Path(size_t i) const { return m_data.entries[i].path; }
    const std::string& Current() const { return m_data.current; }
    void SetCurrent(const std::string& path) { m_data.current = path; }
    std::vector<CdPlaylistEntry>& Entries() { return m_data.entries; }
    const std::vector<CdPlaylistEntry>& Entries() const { return m_data.entries; }

    // Replaces the list with the playlist file's; false (list unchanged) when it cannot be read.
    bool Load(const std::string& file);
    bool Save(const std::string& file) const { return CCdPlaylist::Save(file, m_data); }

private:
    CdPlaylistData m_data;
};

// The program-wide list.
CSongList& SongList();
