// CSessionCommit: writes a session's stream once into a new wave and puts it in
// place. The stream is copied into a scratch wave (its 16-bit peak values
// computed on the way, other formats built from the written wave); the
// scratch wave and its peak file reach the disk before any name points at
// them, and then take the target's names. Committing over the song itself
// first gives the old audio its backup name, which the steps then read.
//
// Failures come back as faults for the caller to report; nothing is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/FileFault.h"
#include "audiofile/JobProgress.h"
#include "audiofile/WaveFormat.h"

class CSessionStream;

class CSessionCommit {
public:
    // Unit of the copy (bytes): large, so that a song is copied at the disk's pace.
    static constexpr uint32_t kBlockBytes = 256 * 1024;

    enum class Result { kDone, kCancelled, kFailed };

    // What the commit needs from its session.
    struct Source {
        CSessionStream* stream = nullptr;
        WAVEFORMATEX format;
        std::string songPath;
        bool songInUse = false;  // a step still reads the song's own file
        const DividerBlock* dividers = nullptr;
        uint32_t dividerCount = 0;
        // Makes the steps that read the song read backup instead and saves the session; false (the steps
        // reading the song as before) when it cannot be saved.
        std::function<bool(const std::string& backup)> useBackup;
    };

    CSessionCommit(const Source& source, FileFaults& faults, JobProgress progress)
        : m_source(source), m_faults(faults), m_progress(std::move(progress)) {}

    // Writes the stream into target (the song's own path, or another). kDone when target now holds it;
    // after kCancelled or kFailed the song and the session are as they were.
    Result Run(const std::string& target);

private:
    bool Report(JobPhase phase, uint64_t done, uint64_t total);
    Result CopyStreamTo(const std::string& scratch);
    bool BuildPeaks(const std::string& scratch);
    bool InstallOverSong(const std::string& scratch);
    bool ReplaceSongBy(const std::string& scratch);
    bool InstallAtTarget(const std::string& scratch, const std::string& target);
    void Fault(FaultKind kind, const std::string& path, const std::string& other = {}, int error = 0);

    Source m_source;
    FileFaults& m_faults;
    JobProgress m_progress;
    std::vector<uint16_t> m_peaks;  // values computed while copying
    bool m_scanned = false;         // m_peaks covers the whole stream
    int m_lastPercent = -1;
    JobPhase m_lastPhase = JobPhase::kCopying;
};
