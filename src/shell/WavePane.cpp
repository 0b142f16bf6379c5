#include "shell/WavePane.h"

#include <algorithm>
#include <cstdio>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/TrackPlayer.h"

CWavePane::CWavePane(CFilterRunner& runner, ITrackPlayer* player) : m_touches(m_doc), m_editor(m_doc) {
    m_doc.SetRunner(&runner);
    m_doc.SetPlayer(player);
}

CWavePane::~CWavePane() {
    m_doc.Close(false, false);
}

int CWavePane::Open(const std::string& path) {
    m_addArmed = false;
    m_focus = Focus::None;
    ++m_opened;
    // The session builds a missing or stale peak file on opening; that can take a while.
    IServices& ui = Services();
    const bool building = !ui.ProgressIsOpen() && !CPeakFile::PeakFileIsCurrent(path, PeakFileName(path));
    if (building) ui.ProgressOpen(0, 100, LoadString(kMsgBuildingPeakData));
    const int rc = m_doc.Open(path, true);
    if (building) ui.ProgressClose();
    return rc;
}

bool CWavePane::HasChanges() {
    return m_doc.IsOpen() && (m_doc.Modified() || m_doc.Wave().Session().Steps().size() > 1);
}

bool CWavePane::CloseSong(bool commit) {
    if (!m_doc.IsOpen()) return true;
    // Steps of Clean and Enhance count as work too: they reach the wave when the song is finished.
    if (commit && HasChanges()) m_doc.SetModified();
    return m_doc.Close(commit, commit);
}

bool CWavePane::CommitAndReopen() {
    const std::string path = m_doc.Path();
    if (!CloseSong(true)) return false;
    return Open(path) == 0;
}

void CWavePane::SetView(bool editGraph, bool trackList, bool finalTouchesView) {
    if (finalTouchesView) m_focus = Focus::None;
    m_editGraph = editGraph;
    m_trackList = trackList;
    m_finalTouchesView = finalTouchesView;
}

int CWavePane::ClickAt(uint32_t position) {
    if (!m_addArmed || !m_doc.IsOpen()) return -1;
    m_addArmed = false;
    return m_editor.AddDivider(position);
}

bool CWavePane::RenameSelectedTrack() {
    std::string name;
    uint64_t start = 0;
    if (!m_editor.TrackInfo(name, start)) return false;
    const uint64_t samples = m_doc.DataLength() / std::max<uint64_t>(1, BytesPerSampleOf(m_doc.Format()));
    if (Services().AskTextAndNumber(LoadString(kMsgEditTrackCaption), LoadString(kMsgEditTrackPrompt), name,
                                    LoadString(kMsgTrackStartLabel), start, samples) != MsgAnswer::Ok) {
        return false;
    }
    return m_editor.EditTrack(name, start);
}

// --- what the graphs draw --------------------------------------------------------

uint32_t CWavePane::FrameBytes() const {
    if (!m_doc.IsOpen()) return 1;
    const WAVEFORMATEX& f = m_doc.Format();
    return std::max<uint32_t>(1, static_cast<uint32_t>(BytesPerSampleOf(f)) * f.nChannels);
}

const CPeakLevels& CWavePane::Levels() {
    if (!m_doc.IsOpen()) {
        m_levels.Clear();
        m_levelsOf.opened = -1;
        return m_levels;
    }
    CWaveFile& song = m_doc.Wave();
    const size_t steps = song.Session().Steps().size();
    if (m_levelsOf.opened == m_opened && m_levelsOf.steps == steps && m_levelsOf.length == m_doc.DataLength()) {
        return m_levels;
    }
    m_levelsOf = {m_opened, steps, m_doc.DataLength()};
    ++m_levelsVersion;
    // The tools close the song between their runs; its peaks are read through it open.
    const bool wasOpen = song.IsOpen();
    if (!wasOpen && song.Reopen(kOpenRead) != kFileOk) {
        m_levels.Clear();
        return m_levels;
    }
    m_levels.Load(song.Session(), m_doc.Format(), m_doc.DataLength());
    if (!wasOpen) song.Close();
    return m_levels;
}

bool CWavePane::FocusRange(uint32_t& start, uint32_t& end) const {
    if (m_focus == Focus::None || m_finalTouchesView || !m_doc.IsOpen()) return false;
    const uint64_t context = static_cast<uint64_t>(m_doc.BytesPerSecond()) *
                             (m_focus == Focus::Trim ? kTrimContextSeconds : kFadeContextSeconds);
    const bool atStart =
        m_focus == Focus::Trim ? m_touches.TrimSide() == CFinalTouches::Side::Start : m_touches.FadeIn();
    const uint64_t length = m_doc.DataLength();
    if (atStart) {
        start = 0;
        end = static_cast<uint32_t>(std::min<uint64_t>(length, m_doc.SelEnd() + context));
    } else {
        start = static_cast<uint32_t>(m_doc.SelStart() > context ? m_doc.SelStart() - context : 0);
        end = static_cast<uint32_t>(length);
    }
    return start < end;
}

std::vector<double> CWavePane::FocusCurve(int count) const {
    if (m_focus != Focus::Fade || m_finalTouchesView) return {};
    return m_touches.FadeCurve(count);
}

bool CWavePane::PlayOrStop() {
    ITrackPlayer* player = m_doc.Player();
    if (player && player->IsPlaying()) {
        player->Stop();
        return true;
    }
    return m_doc.PlayRange(m_doc.SelStart(), m_doc.SelEnd());
}

bool CWavePane::PlayCursor(uint32_t& position) const {
    ITrackPlayer* player = m_doc.Player();
    return m_doc.IsOpen() && player && player->PlayingAt(position);
}

// --- dividers by hand ----------------------------------------------------------------

int CWavePane::DividerNear(uint32_t position, uint32_t tolerance) const {
    const CDividerList& d = m_doc.Dividers();
    int best = -1;
    uint32_t bestDistance = 0;
    for (int i = 0; i < d.Count(); ++i) {
        const uint32_t p = d.Position(i);
        const uint32_t distance = p > position ? p - position : position - p;
        if (distance <= tolerance && (best < 0 || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int CWavePane::DropDivider(int index, uint32_t position) {
    if (!m_doc.IsOpen()) return -1;
    return m_editor.MoveDivider(index, position);
}

// --- context menus ---------------------------------------------------------------------

const std::vector<CWavePane::Command>& CWavePane::WaveMenu() {
    static const std::vector<Command> items = {Command::AddDividerHere, Command::DeleteDivider, Command::MoveAhead,
                                               Command::MoveBack, Command::RenameTrack};
    return items;
}

const std::vector<CWavePane::Command>& CWavePane::TrackMenu() {
    static const std::vector<Command> items = {Command::PlayTrack, Command::PlayFromHere, Command::DeleteTrack};
    return items;
}

std::string CWavePane::CommandText(Command command) {
    switch (command) {
        case Command::AddDividerHere:
            return LoadString(kMsgMenuAddDivider);
        case Command::DeleteDivider:
            return LoadString(kMsgMenuDeleteDivider);
        case Command::MoveAhead:
            return LoadString(kMsgMenuMoveAhead);
        case Command::MoveBack:
            return LoadString(kMsgMenuMoveBack);
        case Command::RenameTrack:
            return LoadString(kMsgMenuRenameTrack);
        case Command::PlayTrack:
            return LoadString(kMsgMenuPlayTrack);
        case Command::PlayFromHere:
            return LoadString(kMsgMenuPlayFromHere);
        case Command::DeleteTrack:
            return LoadString(kMsgMenuDeleteTrack);
    }
    return {};
}

bool CWavePane::Run(Command command, uint32_t position) {
    if (!m_doc.IsOpen()) return false;
    const int selected = m_doc.SelectedDivider();
    const bool haveDivider = selected >= 0 && selected < m_doc.Dividers().Count();
    switch (command) {
        case Command::AddDividerHere:
            return m_editor.AddDivider(position) >= 0;
        case Command::DeleteDivider:
            return haveDivider && m_editor.DeleteDivider(selected);
        case Command::MoveAhead:
            return m_editor.MoveDividerAhead();
        case Command::MoveBack:
            return m_editor.MoveDividerBack();
        case Command::RenameTrack:
            return RenameSelectedTrack();
        case Command::PlayTrack:
            return m_editor.PlayTrack(selected);
        case Command::PlayFromHere:
            return haveDivider && m_doc.PlayRange(m_doc.Dividers().Position(selected), m_doc.DataLength());
        case Command::DeleteTrack:
            if (!haveDivider) return false;
            m_doc.SelectTrackAround(m_doc.Dividers().Position(selected) + 1);
            return m_touches.CutTrack();
    }
    return false;
}

// --- texts ---------------------------------------------------------------------------------

std::string CWavePane::TimeText(uint64_t bytes) const {
    const uint64_t perSecond = std::max<uint32_t>(1, m_doc.IsOpen() ? m_doc.BytesPerSecond() : 1);
    const uint64_t tenths = bytes * 10 / perSecond;
    const uint64_t seconds = tenths / 10;
    char text[40];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu.%llu", static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60),
                      static_cast<unsigned long long>(tenths % 10));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu.%llu", static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60), static_cast<unsigned long long>(tenths % 10));
    }
    return text;
}

uint32_t CWavePane::TrackLength(int index) const {
    const CDividerList& d = m_doc.Dividers();
    if (index < 0 || index >= d.Count()) return 0;
    const uint32_t end = index + 1 < d.Count() ? d.Position(index + 1) : m_doc.DataLength();
    return end > d.Position(index) ? end - d.Position(index) : 0;
}

std::string CWavePane::InfoLine(uint32_t pointer) const {
    if (!m_doc.IsOpen()) return {};
    return FormatString(kMsgWaveInfo, {TimeText(pointer), TimeText(m_doc.DataLength()), TimeText(m_doc.SelStart()),
                                       TimeText(m_doc.SelEnd()), TimeText(m_doc.SelEnd() - m_doc.SelStart())});
}
