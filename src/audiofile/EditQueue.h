// CEditQueue: a song's session, the ordered steps of its edits and the
// virtual stream they describe. The steps are mirrored in the session file
// beside the song (CSessionFile); the stream is rebuilt from them after every
// change (CSessionStream); committing writes it back once (CSessionCommit).
// A private session keeps its session file and the song's peak data in the
// temporary folder instead, so that the song's folder is only read.
//
// Positions and lengths are bytes of audio data. Failures are reported by
// return values and by the faults collected for the caller (TakeFaults);
// questions go to the decisions the caller supplies. Nothing is shown here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/FileFault.h"
#include "audiofile/JobProgress.h"
#include "audiofile/QueEdit.h"
#include "audiofile/SessionStream.h"
#include "audiofile/WaveFormat.h"

class CEditQueue {
public:
    using Segment = CSessionStream::Segment;

    // Asked when some steps of a session on disk cannot be read (songPath: the song): true keeps the
    // steps before the first bad one, false starts afresh (the session file is deleted).
    using RecoveryDecision = std::function<bool(const std::string& songPath)>;

    CEditQueue() = default;
    ~CEditQueue();
    CEditQueue(const CEditQueue&) = delete;
    CEditQueue& operator=(const CEditQueue&) = delete;

    // The folder of temporary waves (the TempPath setting); the system's temporary folder when unset.
    void SetTempPath(const std::string& path) { m_tempPath = path; }
    const std::string& TempPath() const { return m_tempPath; }
    // Without a decision a damaged session is left as it is and opening it fails (kSessionDamaged).
    void SetRecoveryDecision(RecoveryDecision decide) { m_recover = std::move(decide); }
    // Hears how far the long jobs inside get: peak files built while opening or adding steps, and
    // commits given no progress of their own.
    void SetProgress(JobProgress progress) { m_progress = std::move(progress); }
    // From the next OpenSession on: the session file and the song's peak data go to the temporary
    // folder, and no session on disk is loaded; for runs that only read the song.
    void SetPrivate(bool on) { m_private = on; }
    bool IsPrivate() const { return m_private; }
    // The faults met since the last call, oldest first; the caller reports them.
    FileFaults TakeFaults();

    // Loads (or starts) the session of songPath, whose data is dataSize bytes; 0, or -1 when a step's
    // peak data cannot be loaded or a damaged session was left alone. Paths are kept absolute.
    int OpenSession(const std::string& songPath, const WAVEFORMATEX& songFormat, uint32_t dataSize);
    // Bytes read from the virtual stream at the cursor; 0 at the end or when a segment file fails.
    int64_t ReadStream(void* buffer, int64_t byteCount);
    // origin 0 = absolute, 1 = relative, 2 = from the end (length - offset). New cursor (bytes), 0 on failure.
    int64_t SeekStream(int64_t offset, int origin);
    uint32_t StreamLength() const { return m_stream.Length(); }
    uint64_t StreamPosition() const { return m_stream.Position(); }
    bool IsValid() const { return m_valid; }
    // Closes every open segment file.
    void CloseSegments() { m_stream.CloseFiles(); }

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
    uint32_t StreamPeak(uint32_t a, uint32_t b) const { return m_stream.Peak(a, b); }
    // Positions the peak reader at the peak value of stream byte position x; false past the end.
    bool SeekPeaks(uint32_t x) { return m_stream.SeekPeaks(x); }
    // Copies up to count 16-bit peak values from the reader's position on; the number copied.
    uint32_t ReadPeaks(uint16_t* values, uint32_t count) { return m_stream.ReadPeaks(values, count); }

    // Writes the stream into target (the song's own path, or another); true when target now holds it.
    // progress hears how far the copy and the peak file got; its false cancels the copy, and then the
    // song and the session stay as they were.
    bool CommitSession(const std::string& target, const JobProgress& progress = {});
    // Forgets the session; without keepFiles the step files, their peak files and the session file go too.
    void DiscardSession(bool keepFiles);
    // Steps that read the song's own file read newPath instead (only when the first step is the song).
    void RenameSong(const std::string& newPath);
    // Writes the step list into the session file, replacing it atomically; false when it cannot.
    bool SaveSession();

    const std::vector<CQueEdit>& Steps() const { return m_steps; }
    // False for a session that is only the song itself: it has nothing to write back.
    bool HasEdits() const;
    const std::vector<Segment>& Segments() const { return m_stream.Segments(); }
    int CurrentStep() const { return m_current; }
    const std::string& SongPath() const { return m_songPath; }
    const std::string& SessionPath() const { return m_sessionPath; }
    const WAVEFORMATEX& Format() const { return m_format; }

    // Applies steps[0..count) in order to an empty stream (see CSessionStream::BuildSegments).
    static bool BuildSegments(const std::vector<CQueEdit>& steps, size_t count, std::vector<Segment>& segments,
                              uint32_t& length) {
        return CSessionStream::BuildSegments(steps, count, segments, length);
    }
    // Index of the first step that cannot be read (missing or short file, a range that does not fit); -1 if none.
    static int FirstInvalidStep(const std::vector<CQueEdit>& steps);

private:
    enum class Loaded { kAbsent, kLoaded, kDamaged };
    Loaded LoadSessionFile(std::vector<CQueEdit>& steps) const;
    bool RecoverSession(std::vector<CQueEdit>& steps, Loaded loaded);
    bool StartPrivate();
    int AddStep(CQueEdit step, bool loadPeaks);
    void Rebuild();
    void ClearMemory();
    bool RenameSongSteps(const std::string& newPath);
    // Steps that read from read to instead, saved; false when the session cannot be saved.
    bool ReplaceStepFiles(const std::string& from, const std::string& to);
    std::string TempFolder() const;
    // The peak file that holds the peaks and dividers of a step reading file.
    std::string PeakPathOf(const std::string& file) const;
    void AddFault(FaultKind kind, const std::string& path);

    int m_current = -1;  // index of the current (always the last) step
    bool m_valid = false;
    bool m_private = false;
    WAVEFORMATEX m_format;
    std::string m_sessionPath;
    std::string m_songPath;
    std::string m_songPeakPath;  // where the song's own peaks are read (a private session's may be in Temp)
    std::string m_tempPath;
    std::vector<CQueEdit> m_steps;
    CSessionStream m_stream;
    RecoveryDecision m_recover;
    JobProgress m_progress;
    FileFaults m_faults;
};
