// CMarkSilence: finds the silences between the songs of a long recording and
// places a track divider in the middle of each one that is long enough and far
// enough from the previous divider. It emits no audio: the runner runs it
// without an output file, and it adds its dividers straight into the divider
// list it is given (the display's working copy).
//
// Parameters: p0 silence threshold in dB relative to full scale (16-bit full
// scale on the 24-bit scale), p1 minimum silence in tenths of a second, p2
// minimum track in hundredths of a second. Positions are sample indices
// (interleaved values) inside the filter and bytes of audio data in the list.
#pragma once

#include <cstdint>

#include "processing/Filter.h"

class CDividerList;

class CMarkSilence : public CFilter {
public:
    // The indexer's minimum silence (2.0 s) and minimum track (10.0 s) in their parameter units.
    static constexpr int kDefaultMinSilence = 20;
    static constexpr int kDefaultMinTrack = 1000;

    CMarkSilence();

    // The list that receives the dividers (not owned); null: the run only scans.
    void SetDividerList(CDividerList* list) { m_list = list; }
    CDividerList* DividerList() const { return m_list; }

    // Converts the parameters for the source's rate and channels, designs the filters, clears all
    // state and adds the divider at byte 0; true.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Follows the level of the block frame by frame and places dividers; emits nothing. True.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // A silence still running at the end places no divider; true.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // What the run found so far: the threshold amplitude (24-bit scale), the minimum silence and
    // track (samples of all channels) and the dividers placed (the one at 0 included).
    int32_t ThresholdAmplitude() const { return m_threshold; }
    uint64_t MinSilenceSamples() const { return m_minSilence; }
    uint64_t MinTrackSamples() const { return m_minTrack; }
    int DividersPlaced() const { return m_placed; }

private:
    // Converts the parameters for the rate and channels prepared for and designs the filters.
    void Recompute() override;
    // Places a divider at sample index m (rounded down to a whole frame); false when the list is full.
    bool PlaceDivider(uint64_t m);

    CDividerList* m_list = nullptr;
    int m_channels = 1;
    uint32_t m_bytesPerSample = 2;
    double m_rate = 44100.0;

    // High-pass (direct form II) and envelope smoother states and coefficients.
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_w1 = 0, m_w2 = 0;
    double m_c0 = 1, m_c1 = 0, m_c2 = 0;
    double m_u1 = 0;

    int32_t m_threshold = 0;    // amplitude below which a frame is silent
    uint64_t m_minSilence = 0;  // a silence must be longer than this (samples)
    uint64_t m_minTrack = 0;    // a divider needs this distance from the previous one (samples)
    bool m_inSilence = false;
    uint64_t m_silenceStart = 0;  // sample index where the running silence began
    uint64_t m_position = 0;      // sample index of the next frame to examine
    uint64_t m_lastDivider = 0;   // sample index of the last divider placed
    int m_placed = 0;
};
