// CSessionStream: the virtual stream a session describes. Its steps, applied in
// order, make a list of segments, each a byte range of the song's own data or
// of a step file; reading walks the segments and opens each file as it is
// reached. A peak reader walks the same segments over their files' peak data.
//
// Positions and lengths are bytes of audio data; peak positions are bytes of
// peak data (two per value). One thread uses an object at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/QueEdit.h"
#include "audiofile/WaveFormat.h"

class CSessionStream {
public:
    // One byte range of the stream: [start, end) shows the source file's data from offset on.
    struct Segment {
        std::string fileName;
        std::string label;
        uint32_t start = 0;
        uint32_t end = 0;
        uint32_t offset = 0;       // bytes into the file's audio data
        uint32_t dataOffset = 44;  // file position of the first data byte, refreshed on opening
        std::shared_ptr<const std::vector<uint8_t>> peaks;  // peak values of the source file
        int fd = -1;                                        // open while the stream reads from it
    };

    CSessionStream() = default;
    ~CSessionStream();
    CSessionStream(const CSessionStream&) = delete;
    CSessionStream& operator=(const CSessionStream&) = delete;

    // Applies steps[0..count) in order to an empty stream: its segments and length (bytes). False when a
    // step's range does not fit the stream it applies to (segments then hold the steps before it).
    static bool BuildSegments(const std::vector<CQueEdit>& steps, size_t count, std::vector<Segment>& segments,
                              uint32_t& length);
    // The stream length after step is applied to a stream of length bytes; false when its range does not fit.
    static bool StepFits(const CQueEdit& step, uint64_t length, uint64_t& after);
    // Bytes of a step's file the stream reads, from its source offset on.
    static uint64_t StepSpan(const CQueEdit& step);

    // The stream of steps[0..count) of a song of format fmt. Every file is closed, the cursor stays
    // where it was (inside the new length) and the peak reader starts again.
    void Rebuild(const std::vector<CQueEdit>& steps, size_t count, const WAVEFORMATEX& fmt);
    // No segments, length and cursor 0.
    void Clear();

    // Bytes read at the cursor; 0 at the end or when a segment file fails.
    int64_t Read(void* buffer, int64_t byteCount);
    // origin 0 = absolute, 1 = relative, 2 = from the end (length - offset). New cursor, 0 on failure.
    int64_t Seek(int64_t offset, int origin);
    uint32_t Length() const { return m_length; }
    uint64_t Position() const { return m_cursor; }
    const std::vector<Segment>& Segments() const { return m_segments; }
    // Closes every open segment file.
    void CloseFiles();

    // Largest peak over the stream bytes [a, b), on the 24-bit scale; 0 for an empty range.
    uint32_t Peak(uint32_t a, uint32_t b) const;
    // Positions the peak reader at the peak value of stream byte x; false past the end.
    bool SeekPeaks(uint32_t x);
    // Copies up to count 16-bit peak values from the reader's position on; the number copied.
    uint32_t ReadPeaks(uint16_t* values, uint32_t count);

private:
    bool OpenSegment(Segment& s);
    size_t SegmentAt(uint64_t position) const;
    uint32_t MappedPeakStart(size_t segment) const;
    uint32_t ReadPeaksAt(uint64_t& peakPos, size_t& segment, uint16_t* values, uint32_t count) const;

    WAVEFORMATEX m_format;
    uint32_t m_length = 0;
    std::vector<Segment> m_segments;
    size_t m_segment = 0;  // cursor: segment index and byte position
    uint64_t m_cursor = 0;
    size_t m_peakSegment = 0;  // peak reader: segment index and peak byte position
    uint64_t m_peakPos = 0;
};
