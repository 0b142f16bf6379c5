// CWaveGraph: one waveform of the waveform pane. It draws the song's channels
// from the peak levels at its view's scale, keeping the waveform itself in a
// picture that is drawn again only when the scale, the scroll or the audio
// changes; the selection, the dividers with their names, a fade's curve and
// the play cursor are drawn over it. The pointer grabs a divider within a few
// pixels of its line; the wheel zooms the graph that allows it.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "shell/WaveView.h"

class CWavePane;

class CWaveGraph : public QWidget {
    Q_OBJECT
public:
    // zoomable: the wheel zooms and the pane's scroll bar moves it; otherwise it shows all of the song.
    CWaveGraph(CWavePane* wave, bool zoomable, QWidget* parent);

    void Detach() { m_wave = nullptr; }
    CWaveView& View() { return m_view; }
    const CWaveView& View() const { return m_view; }
    // Dividers may be dragged here (the edit graph).
    void SetEditable(bool on) { m_editable = on; }
    // Marks bytes [a, b) with a frame (the overview shows where the zoomed graph is); a == b: none.
    void SetMark(uint32_t a, uint32_t b);
    // Takes the song's length and levels again when they changed, and draws.
    void Refresh();
    // Draws the waveform itself again at the next paint (it is otherwise kept while nothing changes).
    void Invalidate() { m_pictureOf.version = -2; }
    // The play cursor at a byte position, or none (-1); redraws only the columns it leaves and enters.
    void SetCursor(int64_t position);
    int64_t Cursor() const { return m_cursor; }
    // The byte under column x of the graph.
    uint32_t PositionAt(int x) const { return m_view.PositionAt(x); }
    // The column of a byte position.
    int ColumnOf(uint32_t position) const;
    // The divider being dragged, or -1.
    int Dragging() const { return m_drag; }
    // Time the last full paint took (ms), for the benchmarks.
    double LastPaintMs() const { return m_paintMs; }

signals:
    // A plain click (no divider grabbed) at a byte position.
    void Clicked(uint32_t position);
    // A divider was dragged to a byte position and released there.
    void DividerDropped(int index, uint32_t position);
    // The context menu was asked for at a byte position.
    void MenuAsked(uint32_t position, QPoint global);
    // The pointer is over a byte position.
    void PointerAt(uint32_t position);
    // The scale or the scroll changed.
    void ViewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void DrawWave();
    void DrawOverlays(QPainter& p);
    // The divider within grabbing distance of column x, or -1.
    int DividerAt(int x) const;
    void UpdateColumns(int a, int b);

    CWavePane* m_wave;
    bool m_zoomable;
    bool m_editable = false;
    CWaveView m_view;
    QPixmap m_picture;
    // What the picture shows; it is drawn again when any of these differ.
    struct {
        double first = -1;
        double perColumn = 0;
        int version = -1;
        QSize size;
    } m_pictureOf;
    int m_version = -1;
    uint32_t m_markA = 0;
    uint32_t m_markB = 0;
    int64_t m_cursor = -1;
    int m_drag = -1;
    uint32_t m_dragAt = 0;
    double m_paintMs = 0;
};
