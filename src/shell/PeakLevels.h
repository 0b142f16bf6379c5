// CPeakLevels: a song's peak values, read once from its session stream and
// kept per channel with a pyramid of maxima above them, so that any span of
// the song gives its peak in a few steps without reading a file. The waveform
// display draws every zoom level from it.
//
// Positions are bytes of audio data; one peak value covers kSamplesPerPeak
// frames of one channel. Levels are on the 24-bit scale.
#pragma once

#include <cstdint>
#include <vector>

#include "audiofile/WaveFormat.h"

class CEditQueue;

class CPeakLevels {
public:
    // Reads the peak values of bytes [0, length) of session's stream for a song of format fmt.
    // False (levels emptied) when the song has no peak data.
    bool Load(CEditQueue& session, const WAVEFORMATEX& fmt, uint32_t length);
    // Takes peak values already in memory, interleaved by channel (tests and benchmarks).
    void Assign(const std::vector<uint16_t>& interleaved, const WAVEFORMATEX& fmt, uint32_t length);
    void Clear();

    bool Empty() const { return m_length == 0 || m_levels.empty(); }
    int Channels() const { return static_cast<int>(m_levels.size()); }
    uint32_t Length() const { return m_length; }
    // Bytes of audio one peak value covers.
    uint32_t BytesPerValue() const { return m_bytesPerValue; }
    // The largest peak of channel over the bytes [a, b) (at least the value holding a).
    uint32_t Peak(int channel, uint64_t a, uint64_t b) const;
    // Peaks of count columns of channel, column i covering [first + i * bytesPerColumn, + bytesPerColumn);
    // columns past the end are 0.
    void Columns(int channel, double first, double bytesPerColumn, std::vector<uint32_t>& out) const;

private:
    void BuildPyramid();

    // m_levels[channel][level]: level 0 the values, level k + 1 the maxima of pairs of level k.
    std::vector<std::vector<std::vector<uint16_t>>> m_levels;
    uint32_t m_length = 0;
    uint32_t m_bytesPerValue = 1;
};
