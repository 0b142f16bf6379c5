// The rip pane's listing side: drives, the table of contents, titles and renaming.
#include "cd/CdRipper.h"

#include <cstdio>

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "cd/CdDevice.h"

void CCdRipper::Notify(Change change) {
    if (m_observer) m_observer(change);
}

void CCdRipper::SetStatus(const std::string& text) {
    m_status = text;
    Notify(Change::Status);
}

void CCdRipper::SetPrompt(MsgId prompt) {
    m_prompt = prompt;
    Notify(Change::Prompt);
}

bool CCdRipper::Open() {
    m_options = CdRipOptions::Load(m_store, m_settings);
    m_playCaption = LoadString(kMsgPlayTracks);
    m_progress = 0;
    if (!ListDrives()) {
        ShowMessage(kMsgNoCdDrive, MsgIcon::Exclamation);
        return false;
    }
    SetStatus(LoadString(kMsgSearchingForCds));
    return true;
}

bool CCdRipper::ListDrives() {
    m_drives = CCdDriveList::Scan(m_options.imageFolder);
    for (const auto& image : m_openedImages) {
        bool listed = false;
        for (const auto& d : m_drives) listed = listed || d.source == image.source;
        if (!listed) m_drives.push_back(image);
    }
    const int count = static_cast<int>(m_drives.size());
    if (m_options.drvIdx < 0 || m_options.drvIdx >= count) m_options.drvIdx = count - 1;
    Notify(Change::Drives);
    return count > 0;
}

void CCdRipper::SelectDrive(int index) {
    if (index < 0 || index >= static_cast<int>(m_drives.size()) || index == m_options.drvIdx) return;
    m_options.drvIdx = index;
    m_cdPresent = false;
    m_rows.clear();
    Notify(Change::Rows);
}

void CCdRipper::OpenImage(const std::string& path) {
    const CdDriveEntry entry = CCdDriveList::ImageEntry(path);
    for (size_t i = 0; i < m_drives.size(); ++i) {
        if (m_drives[i].source == entry.source) {
            SelectDrive(static_cast<int>(i));
            return;
        }
    }
    m_openedImages.push_back(entry);
    m_drives.push_back(entry);
    Notify(Change::Drives);
    SelectDrive(static_cast<int>(m_drives.size()) - 1);
}

bool CCdRipper::SetRipFolder(const std::string& folder) {
    if (folder.empty()) return false;
    m_options.path = folder;
    return m_store.WriteProfileString(kSectionCDRip, "Path", folder);
}

std::unique_ptr<ICdDevice> CCdRipper::OpenSelected() const {
    if (m_options.drvIdx < 0 || m_options.drvIdx >= static_cast<int>(m_drives.size())) return nullptr;
    return CCdDriveList::Open(m_drives[static_cast<size_t>(m_options.drvIdx)], m_options.jitter);
}

void CCdRipper::Probe() {
    if (m_loopRunning || m_playRunning || m_threadRunning.load()) return;
    CCdToc toc;
    auto device = OpenSelected();
    const bool present = device && device->ReadToc(toc);
    device.reset();
    if (present && !m_cdPresent) {
        if (ReadTrackList() && m_options.autoCddb) LookUpTitles();
    } else if (!present && m_cdPresent) {
        m_cdPresent = false;
        m_rows.clear();
        Notify(Change::Rows);
        SetStatus(LoadString(kMsgNoCdInDrive));
    }
}

bool CCdRipper::ReadTrackList() {
    m_rows.clear();
    m_toc = {};
    m_total.clear();
    Notify(Change::Rows);
    auto device = OpenSelected();
    if (!device) {
        m_cdPresent = false;
        SetStatus(LoadString(kMsgNoCdInDrive));
        return false;
    }
    if (!device->ReadToc(m_toc)) {
        m_cdPresent = false;
        SetStatus(LoadString(kMsgCannotReadToc));
        return false;
    }
    for (const auto& t : m_toc.tracks) {
        CdRipRow row;
        row.name = CCdToc::RowName(t);
        row.time = CCdToc::RowTime(t);
        row.track = t.number;
        row.audio = t.audio;
        m_rows.push_back(row);
    }
    m_artist.clear();
    m_album.clear();
    m_total = m_toc.TotalText();
    m_cdPresent = true;
    Notify(Change::Rows);
    SetStatus(LoadString(kMsgReady));
    return true;
}

bool CCdRipper::LookUpTitles() {
    if (!m_cdPresent && !ReadTrackList()) return false;
    if (!OpenSelected()) {
        SetStatus(LoadString(kMsgNoCdInDrive));
        return false;
    }
    SetStatus(LoadString(kMsgSearchingTitles));
    Services().PumpMessages();
    CddbResult result;
    switch (CCddbClient::LookUp(m_toc, CddbSettings::Load(m_store), result)) {
        case CCddbClient::kNoServer:
            ShowMessage(kMsgNoCddbServer, MsgIcon::Exclamation);
            SetStatus(LoadString(kMsgNoCddbServerStatus));
            return false;
        case CCddbClient::kNoMatch:
            SetStatus(LoadString(kMsgNoTitlesFound));
            return false;
        case CCddbClient::kFound:
            break;
    }
    m_artist = result.artist;
    m_album = result.album;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].artist = m_artist;
        m_rows[i].album = m_album;
        if (i < result.titles.size() && !result.titles[i].empty()) m_rows[i].name = result.titles[i];
    }
    Notify(Change::Rows);
    SetStatus(LoadString(kMsgReady));
    return true;
}

std::string CCdRipper::CleanName(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        switch (c) {
            case '<':
                c = '(';
                break;
            case '>':
                c = ')';
                break;
            case ':':
            case '"':
                c = ' ';
                break;
            case '/':
                c = '-';
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        }
    }
    if (out.empty() || out == "." || out == "..") out.assign(1, '_');
    return out;
}

void CCdRipper::RenameTracks(bool useArtist, bool useAlbum) {
    std::string base = LoadString(kMsgAudioTrackBase);
    if (useArtist && useAlbum)
        base = m_artist + "_" + m_album;
    else if (useArtist)
        base = m_artist;
    else if (useAlbum)
        base = m_album;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%02d", static_cast<int>(i + 1));
        m_rows[i].name = CleanName(FillIn("%s %s", {base, number}));
    }
    Notify(Change::Rows);
}

void CCdRipper::SetRowName(size_t row, const std::string& name) {
    if (row >= m_rows.size()) return;
    m_rows[row].name = name;
    Notify(Change::Rows);
}

void CCdRipper::SetSelected(size_t row, bool selected) {
    if (row >= m_rows.size()) return;
    m_rows[row].selected = selected;
    Notify(Change::Rows);
}

void CCdRipper::SelectAll() {
    for (auto& r : m_rows) r.selected = r.audio;
    Notify(Change::Rows);
}

bool CCdRipper::Close() {
    if (m_loopRunning || m_threadRunning.load()) {
        ShowMessage(kMsgCloseWhileRipping, MsgIcon::Exclamation);
        return false;
    }
    if (m_playRunning) m_cancel.store(true);
    if (m_thread.joinable()) m_thread.join();
    return m_options.Save(m_store);
}
