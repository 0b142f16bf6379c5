// CWavePane: what the waveform pane holds besides its drawing: the song open
// in session mode with its dividers and selection, the divider, indexing and
// final-touch tools on it, the three view switches the stages set, and the
// armed "add a divider at the next click". Interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/PeakLevels.h"
#include "tracks/FinalTouches.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackEditor.h"
#include "tracks/TrackIndexer.h"

class CFilterRunner;
class ITrackPlayer;

class CWavePane {
public:
    static constexpr int kDialogId = 172;
    // A divider is grabbed when the pointer is pressed this close to its line (pixels).
    static constexpr int kGrabPixels = 6;
    // What the lower graph shows around a trim or a fade besides the selection (seconds).
    static constexpr uint32_t kTrimContextSeconds = 4;
    static constexpr uint32_t kFadeContextSeconds = 2;

    // The commands of the waveform's and the track list's context menus.
    enum class Command {
        AddDividerHere,
        DeleteDivider,
        MoveAhead,
        MoveBack,
        RenameTrack,
        PlayTrack,
        PlayFromHere,
        DeleteTrack
    };
    // What is being adjusted in the lower graph while the Final Touches view is off.
    enum class Focus { None, Trim, Fade };

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

    // --- what the graphs draw ----------------------------------------------------
    // The song's peak levels, read again from its session when the song or its steps changed.
    const CPeakLevels& Levels();
    // Bytes of one frame of the song (at least 1).
    uint32_t FrameBytes() const;
    // Set by the stages that adjust a trim or a fade; the Final Touches view clears it.
    void SetFocus(Focus focus) { m_focus = focus; }
    Focus GetFocus() const { return m_focus; }
    // The span the lower graph shows while a trim or fade is adjusted: the selection and the seconds
    // next to it that stay (the preview's), within the song. False when nothing is adjusted.
    bool FocusRange(uint32_t& start, uint32_t& end) const;
    // The gain curve to draw over the selection while a fade is adjusted (count points), else empty.
    std::vector<double> FocusCurve(int count) const;
    // Counts the times the levels were read, so that a graph knows when to draw the waveform again.
    int LevelsVersion() const { return m_levelsVersion; }
    // Space and "Play Track": stops the player when it plays, else plays the selection.
    bool PlayOrStop();
    // Where the player is in the song, while it plays.
    bool PlayCursor(uint32_t& position) const;

    // --- dividers by hand --------------------------------------------------------
    // The divider nearest to position whose line lies within tolerance bytes of it, or -1.
    int DividerNear(uint32_t position, uint32_t tolerance) const;
    // A drag released: divider index moves to position and is stored. Its new index, or -1.
    int DropDivider(int index, uint32_t position);

    // --- context menus -----------------------------------------------------------
    static const std::vector<Command>& WaveMenu();
    static const std::vector<Command>& TrackMenu();
    static std::string CommandText(Command command);
    // Carries out a menu command opened at byte position; the divider and track it acts on are the
    // selected divider's. True when it was done.
    bool Run(Command command, uint32_t position);

    // --- texts ---------------------------------------------------------------------
    // A byte position or length of the song as a time: "m:ss.t", or "h:mm:ss.t" from an hour on.
    std::string TimeText(uint64_t bytes) const;
    // Track index's length in bytes: to the next divider or the end of the song.
    uint32_t TrackLength(int index) const;
    // The information line: where the pointer is (bytes), the song's length and the selection.
    std::string InfoLine(uint32_t pointer) const;

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
    Focus m_focus = Focus::None;
    CPeakLevels m_levels;
    int m_opened = 0;
    int m_levelsVersion = 0;  // counts openings, so that the levels know a reopened song
    struct {
        int opened = -1;
        size_t steps = 0;
        uint32_t length = 0;
    } m_levelsOf;
};
