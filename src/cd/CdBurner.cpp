// The CD writer pane's list side: rows, playlist, disc information and space.
#include "cd/CdBurner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "cd/CdFolder.h"
#include "cd/PlaylistImport.h"
#include "cd/SongList.h"
#include "devices/TrackPlayer.h"

namespace {

std::string FileDate(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    char text[128];
    // Short, so that the pane's four columns fit side by side.
    return std::strftime(text, sizeof text, "%x %H:%M", &local) ? text : "";
}

}  // namespace

CCdBurner::CCdBurner(AppSettings& settings, CSongList& songs, bool withDrives)
    : m_settings(settings), m_songs(songs), m_withDrives(withDrives) {}

CCdBurner::~CCdBurner() = default;

std::string CCdBurner::FormatDuration(double seconds) {
    char text[64];
    if (!(seconds > 0)) return "--:--:--";
    if (seconds < 1) {
        std::snprintf(text, sizeof text, "%6.1fms", seconds * 1000);
        return text;
    }
    const long whole = static_cast<long>(seconds);
    const long fraction = static_cast<long>((seconds - static_cast<double>(whole)) * 10000);
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%04ld", whole / 3600, whole / 60 % 60, whole % 60,
                      fraction);
    else
        std::snprintf(text, sizeof text, "%02ld:%02ld.%04ld", whole / 60, whole % 60, fraction);
    return text;
}

bool CCdBurner::Open() {
    CCdFolder::PrepareWaves(m_settings.Bin3Path, m_settings.TempPath);
    CCdFolder::Reconcile(m_settings.Bin3Path, m_songs);
    FillRows();
    return OpenRecorders();
}

bool CCdBurner::OpenRecorders() {
    m_master = std::make_unique<CDiscMaster>(m_withDrives, m_settings.TempPath);
    if (m_master->Count() == 0) {
        ShowMessage(kMsgNoRecorders, MsgIcon::Stop);
        return false;
    }
    SelectRecorder(0);
    return true;
}

void CCdBurner::FillRows() {
    m_rows.clear();
    for (const auto& e : m_songs.Entries()) {
        CdSongRow row;
        row.entry = e;
        row.path = e.path;
        row.name = FileNameOf(e.path);
        WaveFileInfo info;
        if (CWaveFile::FileInfo(e.path, info, true) == kFileOk) {
            row.dataBytes = info.dataBytes;
            row.length = FormatDuration(info.duration);
        }
        row.date = FileDate(e.path);
        m_rows.push_back(std::move(row));
    }
}

void CCdBurner::SetSelected(size_t row, bool selected) {
    if (row < m_rows.size()) m_rows[row].selected = selected;
}

void CCdBurner::MoveRow(size_t from, size_t to) {
    if (from >= m_rows.size() || to >= m_rows.size() || from == to) return;
    CdSongRow row = std::move(m_rows[from]);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(from));
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(to), std::move(row));
    m_listChanged = true;
}

bool CCdBurner::MoveSelectedBefore(size_t before) {
    before = std::min(before, m_rows.size());
    std::vector<CdSongRow> moved;
    std::vector<CdSongRow> kept;
    size_t insertAt = 0;
    std::vector<std::string> oldOrder;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (i == before) insertAt = kept.size();
        oldOrder.push_back(m_rows[i].path);
        (m_rows[i].selected ? moved : kept).push_back(std::move(m_rows[i]));
    }
    if (before == m_rows.size()) insertAt = kept.size();
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insertAt), std::make_move_iterator(moved.begin()),
                std::make_move_iterator(moved.end()));
    m_rows = std::move(kept);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].path != oldOrder[i]) {
            m_listChanged = true;
            return true;
        }
    }
    return false;
}

bool CCdBurner::SaveCdPlaylist() {
    auto& entries = m_songs.Entries();
    entries.clear();
    for (const auto& r : m_rows) entries.push_back(r.entry);
    return m_songs.Save(CCdFolder::PlaylistPath(m_settings.Bin3Path));
}

bool CCdBurner::DeleteSelected() {
    auto first = std::find_if(m_rows.begin(), m_rows.end(), [](const CdSongRow& r) { return r.selected; });
    if (first == m_rows.end()) return false;
    if (ShowMessage(kMsgConfirmDeleteFile, MsgIcon::Question, MsgButtons::YesNo, first->name) != MsgAnswer::Yes)
        return false;
    std::vector<CdSongRow> kept;
    bool failed = false;
    for (auto& r : m_rows) {
        if (!r.selected || failed) {
            kept.push_back(std::move(r));
            continue;
        }
        if (std::remove(r.path.c_str()) != 0 && errno != ENOENT) {
            ShowMessage(kMsgDeleteFailed, MsgIcon::Stop);
            failed = true;
            kept.push_back(std::move(r));
            continue;
        }
        std::remove(PeakFileName(r.path).c_str());
        std::remove(SessionFileName(r.path).c_str());
    }
    m_rows = std::move(kept);
    m_listChanged = true;
    SaveCdPlaylist();
    return !failed;
}

bool CCdBurner::ImportPlaylist(const std::string& file) {
    std::vector<std::string> paths;
    if (!CPlaylistImport::Read(file, paths)) {
        ShowMessage(kMsgCannotReadPlaylist, MsgIcon::Stop);
        return false;
    }
    for (const auto& p : paths) {
        if (!PathExists(p)) continue;
        m_songs.Append(p);
        CdSongRow row;
        row.entry = CdPlaylistEntry::FromPath(p);
        row.path = p;
        row.name = FileNameOf(p);
        WaveFileInfo info;
        if (CWaveFile::FileInfo(p, info, true) == kFileOk) {
            row.dataBytes = info.dataBytes;
            row.length = FormatDuration(info.duration);
        }
        row.date = FileDate(p);
        m_rows.push_back(std::move(row));
    }
    m_listChanged = true;
    return true;
}

bool CCdBurner::Preview(ITrackPlayer& player) {
    if (player.IsPlaying()) {
        player.Stop();
        return false;
    }
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [](const CdSongRow& r) { return r.selected; });
    if (it == m_rows.end()) return false;
    m_preview = std::make_unique<CWaveFile>();
    if (m_preview->OpenRead(it->path) != kFileOk) return false;
    return player.PlayRange(*m_preview, 0, m_preview->DataLength());
}

std::vector<std::string> CCdBurner::RecorderNames() const {
    std::vector<std::string> names;
    if (m_master)
        for (size_t i = 0; i < m_master->Count(); ++i) names.push_back(m_master->Recorder(i).DisplayName());
    return names;
}

void CCdBurner::SelectRecorder(int index) {
    if (!m_master || index < 0 || static_cast<size_t>(index) >= m_master->Count()) return;
    m_recorder = index;
    ShowDiscInfo();
}

std::string CCdBurner::MediaText(const DiscMedia& media) {
    if (media.type == kMediaNone && media.flags == 0) return LoadString(kMsgNoDisc);
    std::string text;
    if (media.flags & kMediaBlank) text += LoadString(kMsgMediaBlank);
    if (media.flags & kMediaRewritable) text += LoadString(kMsgMediaCdrw);
    if (media.flags & kMediaWritable) text += LoadString(kMsgMediaCdr);
    if (media.flags == 0) {
        switch (media.type) {
            case kMediaCdda:
                text += LoadString(kMsgMediaAudio);
                break;
            case kMediaXa:
                text += LoadString(kMsgMediaXa);
                break;
            case kMediaCdi:
                text += LoadString(kMsgMediaCdi);
                break;
            case kMediaExtra:
                text += LoadString(kMsgMediaExtra);
                break;
            case kMediaOther:
                text += LoadString(kMsgMediaOther);
                break;
            case kMediaSpecial:
                text += LoadString(kMsgMediaSpecial);
                break;
            default:
                text += LoadString(kMsgMediaUnknown);
        }
    }
    return text;
}

void CCdBurner::ShowDiscInfo() {
    if (!m_master || m_recorder < 0) return;
    IDiscRecorder& r = m_master->Recorder(static_cast<size_t>(m_recorder));
    if (r.OpenExclusive() != kDiscOk) return;
    DiscMedia media;
    if (r.QueryMedia(media) == kDiscOk) {
        m_discText = MediaText(media);
        m_capacity = media.freeBlocks;
    }
    r.Close();
}

uint32_t CCdBurner::UsedBlocks() const {
    uint64_t used = 0;
    for (const auto& r : m_rows) used += (r.dataBytes + kRedbookBlockBytes - 1) / kRedbookBlockBytes;
    return static_cast<uint32_t>(std::min<uint64_t>(used, UINT32_MAX));
}

int CCdBurner::SpaceBar() const {
    if (m_capacity == 0) return 0;
    return static_cast<int>(static_cast<uint64_t>(UsedBlocks()) * kSpaceRange / m_capacity);
}

std::string CCdBurner::SpaceText() const {
    const uint64_t ms = static_cast<uint64_t>(UsedBlocks()) * kRedbookBlockBytes * 1000 / 176400;
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%05.3f", static_cast<int>(ms / 60000),
                  static_cast<double>(ms % 60000) / 1000);
    return text;
}
