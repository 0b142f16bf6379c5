// CSongDocument: the song open in the waveform display, UI-free. It holds the
// song's wave (through its session in session mode, or the plain file), the
// working copy of its dividers, the selection, and the modified flag that
// makes closing the song commit its session. The divider, final-touch and
// split tools act on it; the waveform pane binds to it.
//
// Positions are bytes of audio data: of the session stream in session mode,
// of the file's data chunk otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audiofile/WaveFile.h"
#include "tracks/DividerList.h"

class CFilterRunner;
class ITrackPlayer;

class CSongDocument {
public:
    CSongDocument();
    ~CSongDocument();
    CSongDocument(const CSongDocument&) = delete;
    CSongDocument& operator=(const CSongDocument&) = delete;

    // Opens path. Session mode reads through the song's session (one is created when missing,
    // its dividers taken from the peak file); otherwise the wave itself, with the dividers of
    // its peak file (built when missing or stale). The whole file ends up selected. 0, or the
    // file error code (its box shown).
    int Open(const std::string& path, bool sessionMode);
    // Closes the song. In session mode a modified session is committed into the song first
    // (commit = true); then the session is discarded when discardSession. False when a commit failed
    // (the session is then kept).
    bool Close(bool commit, bool discardSession);
    bool IsOpen() const { return m_open; }

    const std::string& Path() const { return m_path; }
    // The file's name without folder and extension.
    std::string Title() const;
    bool SessionMode() const { return m_sessionMode; }
    // The song's wave; the runner and the tools reopen and close it as they need.
    CWaveFile& Wave() { return *m_wave; }
    const WAVEFORMATEX& Format() const { return m_wave->Format(); }
    // Bytes of audio data as of the last Open or Refresh.
    uint32_t DataLength() const { return m_dataLength; }
    // Bytes per sample x channels x rate.
    uint32_t BytesPerSecond() const;
    // floor(bytes per sample x channels x rate x ms x 0.001) bytes.
    uint32_t MsToBytes(uint32_t ms) const;
    // Rereads the data length after an edit (and in session mode the current step's dividers
    // when reloadDividers); the selection is clamped to it. False when the wave cannot be read.
    bool Refresh(bool reloadDividers = false);

    // The working copy of the dividers.
    CDividerList& Dividers() { return m_dividers; }
    const CDividerList& Dividers() const { return m_dividers; }
    // Writes the dividers to the session's current step (and its peak file) or to the wave's own
    // peak file. False when they could not be stored; the working copy keeps them either way.
    bool SaveDividers();

    // The selection [start, end), clamped to the data and ordered.
    uint32_t SelStart() const { return m_selStart; }
    uint32_t SelEnd() const { return m_selEnd; }
    void Select(uint32_t start, uint32_t end);
    void SelectAll() { Select(0, m_dataLength); }
    // Selects the track around byte x (see CDividerList::TrackAround).
    void SelectTrackAround(uint32_t x);
    // The selected divider, -1 for none.
    int SelectedDivider() const { return m_selectedDivider; }
    void SetSelectedDivider(int index) { m_selectedDivider = index; }

    bool Modified() const { return m_modified; }
    void SetModified(bool on = true) { m_modified = on; }

    // Collaborators, not owned: the program's filter runner (its source is set to this song's
    // wave for every run) and the player that auditions ranges.
    void SetRunner(CFilterRunner* runner) { m_runner = runner; }
    CFilterRunner* Runner() const { return m_runner; }
    void SetPlayer(ITrackPlayer* player) { m_player = player; }
    ITrackPlayer* Player() const { return m_player; }
    // Plays [start, end) (clamped to the data) through the player; false without one or when it fails.
    bool PlayRange(uint32_t start, uint32_t end);

private:
    bool LoadDividers();

    std::unique_ptr<CWaveFile> m_wave;
    std::string m_path;
    bool m_open = false;
    bool m_sessionMode = false;
    uint32_t m_dataLength = 0;
    CDividerList m_dividers;
    uint32_t m_selStart = 0;
    uint32_t m_selEnd = 0;
    int m_selectedDivider = -1;
    bool m_modified = false;
    CFilterRunner* m_runner = nullptr;
    ITrackPlayer* m_player = nullptr;
};
