// CWaveformPane: the waveform pane over CWavePane: "Working on:" with the
// song's name, the song's waveform drawn from its peaks with the track
// dividers as red lines and the selection shaded, and the track list. A click
// on the waveform selects the track there, or places a divider when "Add
// Divider" armed it.
#pragma once

#include <vector>

#include "ui/PaneWidget.h"

class CWavePane;
class QLabel;
class QTreeWidget;

class CWaveformPane : public CPaneWidget {
    Q_OBJECT
public:
    CWaveformPane(CWavePane& wave, QWidget* parent);
    const void* Controller() const override { return m_wave; }
    void Detach() override { m_wave = nullptr; }
    void Reload() override;

    // The peak of each pixel column of the waveform (24-bit scale), as last read.
    const std::vector<uint32_t>& Columns() const { return m_columns; }
    QTreeWidget* Tracks() const { return m_tracks; }
    // A click on the waveform at pixel column x.
    void ClickAt(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect WaveRect() const;
    uint32_t PositionAt(int x) const;
    int ColumnOf(uint32_t position) const;
    void ReadColumns();

    CWavePane* m_wave;
    QLabel* m_title;
    QTreeWidget* m_tracks;
    std::vector<uint32_t> m_columns;
    uint32_t m_length = 0;
};
