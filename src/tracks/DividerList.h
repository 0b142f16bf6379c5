// CDividerList: the working copy of a song's track dividers that the waveform
// display edits: the block of 100 records and the count, kept sorted by
// ascending byte position. Track i runs from divider i to divider i + 1, the
// last one to the end of the data. Pure data: storing it is CSongDocument's job.
//
// Positions are bytes of audio data (whole frames).
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/DividerBlock.h"

class CDividerList {
public:
    static constexpr size_t kMaxNameChars = 255;  // a name is cut to this
    static constexpr size_t kTitleChars = 15;     // generated names use this much of the title

    int Count() const { return static_cast<int>(m_count); }
    bool IsFull() const { return m_count >= kMaxDividers; }
    uint32_t Position(int i) const { return m_block.records[i].position; }
    std::string Name(int i) const { return m_block.Name(i); }
    const DividerBlock& Block() const { return m_block; }

    // Takes a stored block (count clamped to 100); the records are sorted.
    void Assign(const DividerBlock& block, uint32_t count);
    // Removes every divider; the stage status flags stay.
    void Clear();

    // The next free generated name: title's first 15 characters, "_", and the first n from
    // count + 1 on that no divider has exactly.
    std::string NextName(const std::string& title) const;
    // Appends a divider at position named by NextName, then sorts. The new divider's index,
    // or -1 when 100 exist (nothing added).
    int Add(uint32_t position, const std::string& title);
    // Appends position with name (cut to 255 characters) without sorting; false when 100 exist.
    bool Append(uint32_t position, const std::string& name);
    // Removes divider index (the later ones move up); -1 removes all. False for another bad index.
    bool Remove(int index);
    // Sets the name, cut to 255 characters; an empty text gives the index in decimal. False for a bad index.
    bool Rename(int index, const std::string& text);
    // Moves divider index to position and re-sorts; its new index, or -1 for a bad index.
    int MoveTo(int index, uint32_t position);
    // Stable ascending sort by position; names stay with their positions.
    void Sort();
    // Names after indexing: divider 0 gets title, divider i >= 1 "title_<i + 1>" (cut to 255).
    void NameAfter(const std::string& title);
    // After [a, b) was cut out: dividers inside go, every later one moves down by b - a.
    void UpdateAfterCut(uint32_t a, uint32_t b);
    // The track around byte x: start = the largest divider position below x (0 when none),
    // end = the smallest at or above x (dataLength when none).
    void TrackAround(uint32_t x, uint32_t dataLength, uint32_t& start, uint32_t& end) const;
    // The index of the divider at exactly position, or -1.
    int IndexOf(uint32_t position) const;

private:
    void ClearRecord(int i);

    DividerBlock m_block{};
    uint32_t m_count = 0;
};
