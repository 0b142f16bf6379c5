// CEditQueue: a song's session, the ordered steps of its edits and the
// virtual stream they describe. The steps are mirrored in the session file
// beside the song; the stream is a list of segments, each a byte range of the
// song's own data or of a step file, rebuilt from the steps after every change.
//
// Positions and lengths are bytes of audio data. Failures are reported by
// return values; messages go through ShowMessage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/QueEdit.h"
#include "audiofile/WaveFormat.h"

class CEditQueue {
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

    // Unit of the commit copy loop (bytes): large, so that a song is copied at the disk's pace.
    static constexpr uint32_t kCommitBlockBytes = 256 * 1024;
    static constexpr int kProgressIntervalMs = 1000;  // progress, message pump and cancel check

    CEditQueue() = default;
    ~CEditQueue();
    CEditQueue(const CEditQueue&) = delete;
    CEditQueue& operator=(const CEditQueue&) = delete;

    // The folder of temporary waves (the TempPath setting); the system's temporary folder when unset.
    void SetTempPath(const std::string& path) { m_tempPath = path; }
    const std::string& TempPath() const { return m_tempPath; }

    // Loads (or starts) the session of songPath, whose data is dataSize bytes; 0, or -1 when a step's
    // peak data cannot be loaded. Damaged sessions ask message 376 and recover or start afresh.
    int OpenSession(const std::string& songPath, const WAVEFORMATEX& songFormat, uint32_t dataSize);
    // Bytes read from the virtual stream at the cursor; 0 at the end or when a segment file fails.
    int64_t ReadStream(void* buffer, int64_t byteCount);
    // origin 0 = absolute, 1 = relative, 2 = from the end (length - offset). New cursor (bytes), 0 on failure.
    int64_t SeekStream(int64_t offset, int origin);
    uint32_t StreamLength() const { return m_streamLength; }
    uint64_t StreamPosition() const { return m_cursor; }
    bool IsValid() const { return m_valid; }
    // Closes every open segment file.
    void CloseSegments();

    // Step adding; each saves the session and rebuilds the stream. 0 (or the new step's index for a cut),
    // -1 when the range does not fit the stream, the step file is unusable or its peaks cannot be loaded.
    // Filter pass of the same length: [start, end) replaced by the file's bytes from sourceOffset (type 4).
    int AddFilterStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                      uint32_t sourceOffset);
    // Filter pass of another length: [start, end) replaced by the file's data size in bytes (type 7).
    int AddResizeStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                      uint32_t sourceOffset);
    // Same-length edit: [start, end) rounded down to whole frames, from the file's data start (type 1).
    int AddReplaceStep(const std::string& file, uint32_t start, uint32_t end);
    // Removes [start, end) (type 0); its placeholder file is a new temporary wave.
    int AddCutStep(uint32_t start, uint32_t end);

    // The current step's divider block and count.
    void GetDividers(DividerBlock& block, uint32_t& count) const;
    void SetDividers(const DividerBlock& block, uint32_t count);

    // Largest peak over the stream bytes [a, b), on the 24-bit scale; 0 for an empty range.
    uint32_t StreamPeak(uint32_t a, uint32_t b) const;
    // Positions the peak reader at the peak value of stream byte position x; false past the end.
    bool SeekPeaks(uint32_t x);
    // Copies up to count 16-bit peak values from the reader's position on; the number copied.
    uint32_t ReadPeaks(uint16_t* values, uint32_t count);

    // Writes the stream into target (the song's own path, or another); true when target now holds it.
    bool CommitSession(const std::string& target);
    // Forgets the session; without keepFiles the step files, their peak files and the session file go too.
    void DiscardSession(bool keepFiles);
    // Steps that read the song's own file read newPath instead (only when the first step is the song).
    void RenameSong(const std::string& newPath);
    // Writes the step list into the session file, replacing it atomically; false when it cannot.
    bool SaveSession();

    const std::vector<CQueEdit>& Steps() const { return m_steps; }
    const std::vector<Segment>& Segments() const { return m_segments; }
    int CurrentStep() const { return m_current; }
    const std::string& SongPath() const { return m_songPath; }
    const std::string& SessionPath() const { return m_sessionPath; }
    const WAVEFORMATEX& Format() const { return m_format; }

    // Applies steps[0..count) in order to an empty stream: its segments and length (bytes). False when a
    // step's range does not fit the stream it applies to (segments then hold the steps before it).
    static bool BuildSegments(const std::vector<CQueEdit>& steps, size_t count, std::vector<Segment>& segments,
                              uint32_t& length);
    // Index of the first step that cannot be read (missing or short file, a range that does not fit); -1 if none.
    static int FirstInvalidStep(const std::vector<CQueEdit>& steps);

private:
    enum class LoadResult { Absent, Loaded, Damaged };
    LoadResult LoadSessionFile(std::vector<CQueEdit>& steps) const;
    int AddStep(CQueEdit step, bool loadPeaks);
    void Rebuild();
    bool OpenSegment(Segment& s);
    size_t SegmentAt(uint64_t position) const;
    uint32_t MappedPeakStart(size_t segment) const;
    uint32_t ReadPeaksAt(uint64_t& peakPos, size_t& segment, uint16_t* values, uint32_t count) const;
    void ClearMemory();
    bool RenameSongSteps(const std::string& newPath);
    // 0 when the stream is in scratch (not yet synced), 1 when cancelled, -1 on failure; scratch is gone unless 0.
    int CopyStreamTo(const std::string& scratch);
    bool InstallOverSong(const std::string& scratch);
    bool ReplaceSongBy(const std::string& scratch);
    bool InstallAtTarget(const std::string& scratch, const std::string& target);

    int m_current = -1;               // index of the current (always the last) step
    uint32_t m_samplesPerPeak = 204;  // samples of one channel per peak value
    bool m_valid = false;
    size_t m_segment = 0;  // stream cursor: segment index and byte position
    uint64_t m_cursor = 0;
    size_t m_peakSegment = 0;  // peak reader: segment index and peak byte position
    uint64_t m_peakPos = 0;
    WAVEFORMATEX m_format;
    uint32_t m_streamLength = 0;
    std::string m_sessionPath;
    std::string m_songPath;
    std::string m_tempPath;
    std::vector<Segment> m_segments;
    std::vector<CQueEdit> m_steps;
};
