// CTrackEditor: the hand edits of a song's track dividers in the waveform
// display (add, delete, rename, move by a second, edit name and start, play a
// track). Every edit is stored at once through the document.
//
// Positions are bytes of audio data; EditTrack's start is in samples (all channels).
#pragma once

#include <cstdint>
#include <string>

class CSongDocument;

class CTrackEditor {
public:
    static constexpr uint32_t kAuditionSeconds = 4;  // played after a move

    explicit CTrackEditor(CSongDocument& song) : m_song(song) {}

    // Adds a divider at position (rounded down to a whole frame, at most the data length) with a
    // generated name; it becomes the selected one. Its index, or -1 when 100 exist.
    int AddDivider(uint32_t position);
    // Removes divider index (-1: all). False for a bad index.
    bool DeleteDivider(int index);
    // Names divider index (cut to 255 characters; empty: its index). False for a bad index.
    bool RenameDivider(int index, const std::string& text);
    // Moves the selected divider one second later (at most the data length) or earlier (at least 0),
    // then plays 4 seconds from its new position. False without a selected divider.
    bool MoveDividerAhead() { return MoveSelected(true); }
    bool MoveDividerBack() { return MoveSelected(false); }
    // Moves divider index to position (a whole frame, at most the data length), as a drag does; it
    // becomes the selected one. Its new index, or -1 for a bad index.
    int MoveDivider(int index, uint32_t position);
    // What "Edit Track Name" shows for the selected divider: its name and start in samples.
    bool TrackInfo(std::string& name, uint64_t& startSamples) const;
    // The dialog's OK: renames the selected divider and moves it to startSamples (whole frames, at
    // most the data length). False without a selected divider.
    bool EditTrack(const std::string& name, uint64_t startSamples);
    // Plays track index: from its divider to the next one, or to the end of the data.
    bool PlayTrack(int index);

private:
    bool MoveSelected(bool ahead);
    uint32_t ClampPosition(uint64_t bytes) const;

    CSongDocument& m_song;
};
