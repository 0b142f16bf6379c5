#include "tracks/TrackEditor.h"

#include <algorithm>

#include "tracks/SongDocument.h"

uint32_t CTrackEditor::ClampPosition(uint64_t bytes) const {
    const uint64_t clamped = std::min<uint64_t>(bytes, m_song.DataLength());
    return m_song.Wave().AlignToFrame(static_cast<uint32_t>(clamped));
}

int CTrackEditor::AddDivider(uint32_t position) {
    const int index = m_song.Dividers().Add(ClampPosition(position), m_song.Title());
    if (index < 0) return -1;
    m_song.SetSelectedDivider(index);
    m_song.SaveDividers();
    return index;
}

bool CTrackEditor::DeleteDivider(int index) {
    if (!m_song.Dividers().Remove(index)) return false;
    m_song.SetSelectedDivider(-1);
    m_song.SaveDividers();
    return true;
}

bool CTrackEditor::RenameDivider(int index, const std::string& text) {
    if (!m_song.Dividers().Rename(index, text)) return false;
    m_song.SaveDividers();
    return true;
}

bool CTrackEditor::MoveSelected(bool ahead) {
    const int index = m_song.SelectedDivider();
    if (index < 0 || index >= m_song.Dividers().Count()) return false;
    const uint64_t second = m_song.BytesPerSecond();
    const uint64_t from = m_song.Dividers().Position(index);
    const uint32_t to = ClampPosition(ahead ? from + second : (from > second ? from - second : 0));
    const int landed = m_song.Dividers().MoveTo(index, to);
    m_song.SetSelectedDivider(landed);
    m_song.SaveDividers();
    m_song.PlayRange(to, static_cast<uint32_t>(std::min<uint64_t>(to + kAuditionSeconds * second, UINT32_MAX)));
    return true;
}

int CTrackEditor::MoveDivider(int index, uint32_t position) {
    if (index < 0 || index >= m_song.Dividers().Count()) return -1;
    const int landed = m_song.Dividers().MoveTo(index, ClampPosition(position));
    m_song.SetSelectedDivider(landed);
    m_song.SaveDividers();
    return landed;
}

bool CTrackEditor::TrackInfo(std::string& name, uint64_t& startSamples) const {
    const int index = m_song.SelectedDivider();
    if (index < 0 || index >= m_song.Dividers().Count()) return false;
    name = m_song.Dividers().Name(index);
    startSamples = m_song.Dividers().Position(index) / static_cast<uint32_t>(m_song.Wave().BytesPerSample());
    return true;
}

bool CTrackEditor::EditTrack(const std::string& name, uint64_t startSamples) {
    const int index = m_song.SelectedDivider();
    if (index < 0 || index >= m_song.Dividers().Count()) return false;
    m_song.Dividers().Rename(index, name);
    const uint64_t bytes = startSamples * static_cast<uint64_t>(m_song.Wave().BytesPerSample());
    m_song.SetSelectedDivider(m_song.Dividers().MoveTo(index, ClampPosition(bytes)));
    m_song.SaveDividers();
    return true;
}

bool CTrackEditor::PlayTrack(int index) {
    const CDividerList& d = m_song.Dividers();
    if (index < 0 || index >= d.Count()) return false;
    const uint32_t end = index + 1 < d.Count() ? d.Position(index + 1) : m_song.DataLength();
    return m_song.PlayRange(d.Position(index), end);
}
