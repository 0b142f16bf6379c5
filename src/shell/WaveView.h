// CWaveView: which part of a song one waveform graph shows and at what scale:
// the first byte at the left edge and the bytes each pixel column covers,
// between the whole song across the graph and one frame a column. It maps
// columns to byte positions and back; zooming keeps the byte under the
// pointer in place, and the scroll bar moves in columns.
//
// Positions are bytes of audio data, columns pixels from the graph's left edge.
#pragma once

#include <cstdint>

class CWaveView {
public:
    // The song's length and frame size (bytes); the view shows all of it again.
    void SetSong(uint32_t length, uint32_t frameBytes);
    // The graph's width in columns; the scale stays, or shows all of the song when it did.
    void SetWidth(int columns);

    int Width() const { return m_width; }
    uint32_t Length() const { return m_length; }
    double First() const { return m_first; }
    double BytesPerColumn() const { return m_perColumn; }
    // The scale at which the whole song fills the graph, and the finest (one frame a column).
    double WholeScale() const;
    double FinestScale() const { return m_frame; }
    bool ShowsAll() const { return m_perColumn >= WholeScale() && m_first <= 0; }

    // The byte under column x (whole frames, within the song).
    uint32_t PositionAt(double x) const;
    // The column of a byte position (may lie outside the graph).
    double ColumnOf(double position) const { return (position - m_first) / m_perColumn; }
    // Bytes that n columns span at this scale.
    double BytesOf(double columns) const { return columns * m_perColumn; }

    // Halves (in) or doubles (out) the bytes per column, keeping the byte under column x in place.
    // False when already at the finest or the whole scale.
    bool Zoom(bool in, double x);
    // Shows all of the song.
    void ShowAll();
    // Shows bytes [a, b) across the graph (no finer than one frame a column).
    void Show(uint32_t a, uint32_t b);
    // Scrolls so that position is in view, centring it when it was not.
    void Reveal(uint32_t position);

    // The scroll bar: its range in columns, the page, and the value now.
    int ScrollMaximum() const;
    int ScrollValue() const;
    void ScrollTo(int value);

private:
    void Clamp();

    uint32_t m_length = 0;
    uint32_t m_frame = 1;
    int m_width = 1;
    double m_first = 0;
    double m_perColumn = 1;
    bool m_whole = true;  // follows the width when it changes
};
