#include "shell/WavePane.h"

#include "base/StringTable.h"

CWavePane::CWavePane(CFilterRunner& runner, ITrackPlayer* player) : m_touches(m_doc), m_editor(m_doc) {
    m_doc.SetRunner(&runner);
    m_doc.SetPlayer(player);
}

CWavePane::~CWavePane() {
    m_doc.Close(false, false);
}

int CWavePane::Open(const std::string& path) {
    m_addArmed = false;
    return m_doc.Open(path, true);
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
    if (Services().AskText(LoadString(kMsgEditTrackCaption), LoadString(kMsgEditTrackPrompt), name) != MsgAnswer::Ok) {
        return false;
    }
    return m_editor.RenameDivider(m_doc.SelectedDivider(), name);
}
