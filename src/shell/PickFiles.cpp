// The Bin1 list: rows, sorting, selection, preview, deletion and the chosen songs.
#include "shell/PickFiles.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/SongList.h"
#include "devices/TrackPlayer.h"
#include "shell/BinFolder.h"
#include "shell/SongFiles.h"

CPickFiles::CPickFiles(AppSettings& settings, CSettingsStore& store, CSongList& songs)
    : m_settings(settings), m_store(store), m_songs(songs) {}

CPickFiles::~CPickFiles() {
    StopPreview();
}

std::string CPickFiles::SizeText(uint64_t bytes) {
    char text[64];
    if (bytes < 10000) {
        std::snprintf(text, sizeof text, "%6ld B", static_cast<long>(bytes));
    } else if (bytes < 10000000) {
        std::snprintf(text, sizeof text, "%6d kB", static_cast<int>(bytes / 1000));
    } else if (bytes < 1000000000) {
        std::snprintf(text, sizeof text, "%6d MB", static_cast<int>(bytes / 1000000));
    } else {
        std::snprintf(text, sizeof text, "%6d GB", static_cast<int>(bytes / 1000000000));
    }
    return text;
}

void CPickFiles::FillBin1List() {
    m_rows.clear();
    m_songs.Clear();
    m_info.clear();
    for (const char* ext : {".wav", ".mp3"}) {
        for (const BinFile& f : CBinFolder::List(m_settings.Bin1Path, ext)) {
            Bin1Row row;
            row.name = f.name;
            row.size = f.size;
            row.time = f.created;
            row.sizeText = SizeText(f.size);
            row.dateText = CBinFolder::TimeText(f.created);
            m_rows.push_back(std::move(row));
        }
    }
}

int CPickFiles::FindRow(const std::string& name) const {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

std::string CPickFiles::PathOf(size_t row) const {
    return row < m_rows.size() ? CBinFolder::PathIn(m_settings.Bin1Path, m_rows[row].name) : std::string();
}

void CPickFiles::Sort(Column column) {
    std::stable_sort(m_rows.begin(), m_rows.end(), [column](const Bin1Row& a, const Bin1Row& b) {
        switch (column) {
        case kColumnSize: return a.size < b.size;
        case kColumnDate: return a.time < b.time;
        case kColumnName: break;
        }
        return ::strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
}

void CPickFiles::SetSelected(size_t row, bool selected) {
    if (row >= m_rows.size()) return;
    m_rows[row].selected = selected;
    if (!selected) return;
    const std::string path = PathOf(row);
    m_songs.SetCurrent(path);
    WaveFileInfo info;
    if (CWaveFile::FileInfo(path, info, true) != kFileOk) {
        m_info.clear();
        return;
    }
    m_info = LoadString(info.channels == 1 ? kMsgMono : kMsgStereo) +
             FormatString(kMsgBitsAndRate, {std::to_string(info.bits), std::to_string(info.rate) + " Hz"});
}

void CPickFiles::SelectOnly(size_t row) {
    for (Bin1Row& r : m_rows) r.selected = false;
    SetSelected(row, true);
}

void CPickFiles::SelectAll() {
    for (size_t i = 0; i < m_rows.size(); ++i) SetSelected(i, true);
}

size_t CPickFiles::SelectedCount() const {
    return static_cast<size_t>(std::count_if(m_rows.begin(), m_rows.end(), [](const Bin1Row& r) { return r.selected; }));
}

void CPickFiles::StopPreview() {
    if (m_player && m_player->IsPlaying()) m_player->Stop();
    m_previewWave.reset();
}

bool CPickFiles::Preview() {
    if (!m_player) return false;
    if (m_player->IsPlaying()) {
        m_player->Stop();
        m_previewWave.reset();
        return false;
    }
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [](const Bin1Row& r) { return r.selected; });
    if (it == m_rows.end()) return false;
    m_previewWave = std::make_unique<CWaveFile>();
    const std::string path = PathOf(static_cast<size_t>(it - m_rows.begin()));
    if (m_previewWave->OpenRead(path) != kFileOk ||
        !m_player->PlayRange(*m_previewWave, 0, m_previewWave->DataLength())) {
        m_previewWave.reset();
        return false;
    }
    return true;
}

std::string CPickFiles::PreviewCaption() const {
    return LoadString(m_previewWave && m_player && m_player->IsPlaying() ? kMsgStop : kMsgPreview);
}

bool CPickFiles::DeleteSelected() {
    std::vector<std::string> names;
    for (const Bin1Row& r : m_rows) {
        if (r.selected) names.push_back(r.name);
    }
    if (names.empty()) return false;
    const MsgAnswer answer = names.size() == 1
                                 ? ShowMessage(kMsgConfirmDeleteFile, MsgIcon::Question, MsgButtons::YesNo, names[0])
                                 : ShowMessage(kMsgConfirmDeleteAll, MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes) return false;
    StopPreview();
    bool removed = false;
    for (const std::string& name : names) {
        if (CSongFiles::DeleteSong(CBinFolder::PathIn(m_settings.Bin1Path, name)) != 0) {
            ShowMessage(kMsgDeleteFailed, MsgIcon::Stop);
            break;
        }
        removed = true;
    }
    FillBin1List();
    return removed;
}

bool CPickFiles::PrepareBin1Selection() {
    if (SelectedCount() == 0) return false;
    m_songs.Clear();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].selected) m_songs.Append(PathOf(i));
    }
    m_songs.SetCurrent(m_songs.Path(0));
    return true;
}

void CPickFiles::Close() {
    StopPreview();
    // A selection Edit File already made the chosen songs is not chosen twice.
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].selected) continue;
        const std::string path = PathOf(i);
        bool chosen = false;
        for (size_t k = 0; k < m_songs.Count() && !chosen; ++k) chosen = m_songs.Path(k) == path;
        if (!chosen) m_songs.Append(path);
    }
}
