// CWavePane: what the waveform pane holds besides its drawing: the song open
// in session mode with its dividers and selection, the divider, indexing and
// final-touch tools on it, the three view switches the stages set, and the
// armed "add a divider at the next click". Interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tracks/FinalTouches.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"
#include "tracks/TrackIndexer.h"

class CFilterRunner;
class ITrackPlayer;

class CWavePane {
public:
    static constexpr int kDialogId = 172;

    CWavePane(CFilterRunner& runner, ITrackPlayer* player);
    // Closes the song without committing: its session keeps the work for the next opening.
    ~CWavePane();
    CWavePane(const CWavePane&) = delete;
    CWavePane& operator=(const CWavePane&) = delete;

    // Opens the song in session mode. 0, or the file error code (its message shown).
    int Open(const std::string& path);
    // Closes the song. With commit, work not yet in its wave (edits here, or steps of earlier stages)
    // is written into it and the session is let go. False when that failed (the song stays open).
    bool CloseSong(bool commit);
    // Commits the song's work and opens it again, so the pane goes on showing it. False on failure.
    bool CommitAndReopen();
    // Whether the song's session holds work its wave does not: edits made here or earlier steps.
    bool HasChanges();

    CSongDocument& Doc() { return m_doc; }
    CFinalTouches& Touches() { return m_touches; }
    CTrackEditor& Editor() { return m_editor; }
    // Places the dividers anew (see CTrackIndexer::IndexTracks).
    bool IndexTracks(bool confirm, bool clear) { return m_indexer.IndexTracks(m_doc, confirm, clear); }
    const CTrackIndexer& Indexer() const { return m_indexer; }

    // The view switches: the divider edit graph, the track list in place of the lower waveform, and
    // the Final Touches view.
    void SetView(bool editGraph, bool trackList, bool finalTouchesView);
    bool EditGraph() const { return m_editGraph; }
    bool TrackList() const { return m_trackList; }
    bool FinalTouchesView() const { return m_finalTouchesView; }
    // The window is to be drawn again; counted for those who watch it.
    void Redraw() { ++m_redraws; }
    int Redraws() const { return m_redraws; }

    // "Add Divider": the next click on a waveform places a divider.
    void ArmAddDivider() { m_addArmed = true; }
    bool AddArmed() const { return m_addArmed; }
    // A click on a waveform at a byte position: adds a divider when armed. The new divider's index, or -1.
    int ClickAt(uint32_t position);
    // "Rename Track": asks for the selected divider's new name. True when it was renamed.
    bool RenameSelectedTrack();

private:
    CSongDocument m_doc;
    CFinalTouches m_touches;
    CTrackEditor m_editor;
    CTrackIndexer m_indexer;
    bool m_editGraph = false;
    bool m_trackList = true;
    bool m_finalTouchesView = false;
    bool m_addArmed = false;
    int m_redraws = 0;
};
