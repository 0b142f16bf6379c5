// The worklist's rows, selection, preview, rename and delete.
#include "shell/WorkList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/CdBurner.h"
#include "cd/SongList.h"
#include "devices/TrackPlayer.h"
#include "shell/BinFolder.h"
#include "shell/SongFiles.h"

CWorkList::CWorkList(AppSettings& settings, CSongList& songs) : m_settings(settings), m_songs(songs) {}

CWorkList::~CWorkList() {
    StopPreview();
}

int& CWorkList::RememberedRow() {
    static int row = -1;
    return row;
}

std::string CWorkList::FormatDuration(double seconds) {
    return CCdBurner::FormatDuration(seconds);
}

void CWorkList::Open() {
    m_folder = m_settings.Bin2Path;
    FillWorklist();
}

void CWorkList::FillWorklist() {
    m_rows.clear();
    for (const BinFile& f : CBinFolder::List(m_folder, ".wav")) {
        const std::string path = CBinFolder::PathIn(m_folder, f.name);
        WorkRow row;
        row.name = f.name;
        WaveFileInfo info;
        row.length = FormatDuration(CWaveFile::FileInfo(path, info, true) == kFileOk ? info.duration : 0.0);
        const std::array<bool, 3> status = CSongFiles::GetStatus(path);
        row.clean = status[CSongFiles::kClean];
        row.enhance = status[CSongFiles::kEnhance];
        row.final = status[CSongFiles::kFinalTouches];
        row.lastEdit = CBinFolder::TimeText(f.modified);
        m_rows.push_back(std::move(row));
    }
    const int remembered = RememberedRow();
    if (remembered >= 0 && static_cast<size_t>(remembered) < m_rows.size()) {
        SetSelected(static_cast<size_t>(remembered), true);
    }
}

int CWorkList::FindRow(const std::string& name) const {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

std::string CWorkList::PathOf(size_t row) const {
    return row < m_rows.size() ? CBinFolder::PathIn(m_folder, m_rows[row].name) : std::string();
}

void CWorkList::SetSelected(size_t row, bool selected) {
    if (row >= m_rows.size()) return;
    m_rows[row].selected = selected;
    if (!selected) return;
    StopPreview();
    m_songs.SetCurrent(PathOf(row));
    RememberedRow() = static_cast<int>(row);
}

void CWorkList::SelectOnly(size_t row) {
    for (WorkRow& r : m_rows) r.selected = false;
    SetSelected(row, true);
}

void CWorkList::SelectAll() {
    for (size_t i = 0; i < m_rows.size(); ++i) SetSelected(i, true);
}

size_t CWorkList::SelectedCount() const {
    return static_cast<size_t>(std::count_if(m_rows.begin(), m_rows.end(), [](const WorkRow& r) { return r.selected; }));
}

bool CWorkList::PrepareWorklistSelection() {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].selected) continue;
        m_songs.SetCurrent(PathOf(i));
        return true;
    }
    return false;
}

bool CWorkList::DeleteSelected() {
    const size_t count = SelectedCount();
    if (count == 0) return false;
    if (ShowMessage(count == 1 ? kMsgConfirmRemoveOne : kMsgConfirmRemoveSeveral, MsgIcon::Question,
                    MsgButtons::YesNo) != MsgAnswer::Yes) {
        return false;
    }
    StopPreview();
    bool removed = false;
    for (size_t i = m_rows.size(); i-- > 0;) {
        if (!m_rows[i].selected) continue;
        if (CSongFiles::DeleteSong(PathOf(i)) != 0) {
            ShowMessage(kMsgDeleteFailed, MsgIcon::Stop);
            break;
        }
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
    }
    return removed;
}

bool CWorkList::Rename(size_t row, const std::string& text) {
    if (row >= m_rows.size() || text.empty()) return false;
    const std::string oldName = m_rows[row].name;
    const size_t dot = oldName.find_last_of('.');
    const std::string newName = text + (dot == std::string::npos ? std::string() : oldName.substr(dot));
    if (newName == oldName) return false;
    const std::string oldPath = PathOf(row);
    const std::string newPath = CBinFolder::PathIn(m_folder, newName);
    // A name is one file in the bin, never a path leading out of it.
    const bool oneName = text.find('/') == std::string::npos && text != "." && text != "..";
    const int err = oneName ? CSongFiles::RenameSong(oldPath, newPath) : EINVAL;
    if (err != 0) {
        ShowMessage(kMsgRenameFailed, MsgIcon::Stop, MsgButtons::Ok, {std::to_string(err), oldPath, newPath});
        return false;
    }
    m_rows[row].name = newName;
    if (m_songs.Current() == oldPath) m_songs.SetCurrent(newPath);
    return true;
}

void CWorkList::StopPreview() {
    if (m_player && m_player->IsPlaying()) m_player->Stop();
    m_previewWave.reset();
}

bool CWorkList::Preview() {
    if (!m_player) return false;
    if (m_player->IsPlaying()) {
        m_player->Stop();
        m_previewWave.reset();
        return false;
    }
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [](const WorkRow& r) { return r.selected; });
    if (it == m_rows.end()) return false;
    m_previewWave = std::make_unique<CWaveFile>();
    if (m_previewWave->OpenRead(PathOf(static_cast<size_t>(it - m_rows.begin()))) != kFileOk ||
        !m_player->PlayRange(*m_previewWave, 0, m_previewWave->DataLength())) {
        m_previewWave.reset();
        return false;
    }
    return true;
}

std::string CWorkList::PreviewCaption() const {
    return LoadString(m_previewWave && m_player && m_player->IsPlaying() ? kMsgStop : kMsgPreview);
}

void CWorkList::Close() {
    StopPreview();
}
