#include "audiofile/SessionCommit.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "audiofile/FileMove.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/SessionStream.h"
#include "audiofile/WaveFile.h"

namespace {

// Bytes the copy writes between two starts of write-back.
constexpr uint64_t kFlushBytes = 8 << 20;

// 16-bit PCM, by far the most common format, has its peak values computed from the bytes as they
// are copied, so the new wave is never read back; other formats are built from the written wave
// through its sample conversion.
bool PeaksWhileCopying(const WAVEFORMATEX& fmt) {
    return fmt.wFormatTag == kWaveFormatPcm && BytesPerSampleOf(fmt) == 2 &&
           (fmt.nChannels == 1 || fmt.nChannels == 2) && fmt.nBlockAlign == 2 * fmt.nChannels &&
           std::endian::native == std::endian::little;
}

bool SyncFolderOf(const std::string& path) {
    return SyncPath(FolderOf(path), true);
}

}  // namespace

void CSessionCommit::Fault(FaultKind kind, const std::string& path, const std::string& other, int error) {
    m_faults.emplace_back(kind, path, other, error);
}

bool CSessionCommit::Report(JobPhase phase, uint64_t done, uint64_t total) {
    if (!m_progress) return true;
    const int percent = total ? static_cast<int>(std::min<uint64_t>(done, total) * 100 / total) : 100;
    if (percent == m_lastPercent && phase == m_lastPhase) return true;
    m_lastPercent = percent;
    m_lastPhase = phase;
    return m_progress(phase, percent);
}

CSessionCommit::Result CSessionCommit::Run(const std::string& target) {
    CSessionStream& stream = *m_source.stream;
    // The scratch wave sits beside the target, so that putting it in place is a rename, and a
    // failure leaves nothing beside a song that is only read.
    const std::string scratch = ClaimNumberedVariant(target, 1000);
    const Result copied = CopyStreamTo(scratch);
    stream.CloseFiles();
    if (copied != Result::kDone) return copied;

    // The new audio must be on the disk before any name points at it; the disk finishes writing
    // it while the peaks are made.
    bool audioSynced = false;
    std::thread syncer;
    try {
        syncer = std::thread([&scratch, &audioSynced] { audioSynced = SyncPath(scratch); });
    } catch (...) {
        audioSynced = SyncPath(scratch);  // no thread to spare: sync first, then build
    }
    const std::string scratchPeaks = PeakFileName(scratch);
    const bool peaksMade = BuildPeaks(scratch);
    const bool peaksSynced = peaksMade && SyncPath(scratchPeaks);
    if (syncer.joinable()) syncer.join();
    if (!audioSynced || !peaksSynced) {
        // Without its peak file the new song would lose its dividers: keep the song as it is.
        if (!audioSynced) {
            Fault(FaultKind::kCannotWrite, scratch);
        } else if (peaksMade) {
            Fault(FaultKind::kNoPeakFile, scratch);
        }
        ::unlink(scratch.c_str());
        ::unlink(scratchPeaks.c_str());
        return Result::kFailed;
    }
    const bool installed =
        SamePath(target, m_source.songPath) ? InstallOverSong(scratch) : InstallAtTarget(scratch, target);
    return installed ? Result::kDone : Result::kFailed;
}

CSessionCommit::Result CSessionCommit::CopyStreamTo(const std::string& scratch) {
    CSessionStream& stream = *m_source.stream;
    const WAVEFORMATEX& format = m_source.format;
    CWaveFile out;
    WAVEFORMATEX fmt = format;
    if (out.OpenWrite(scratch, fmt, kWriteUnbuffered) != kFileOk) {
        ::unlink(scratch.c_str());  // opening may have made it before failing
        Fault(FaultKind::kCannotWrite, scratch);
        return Result::kFailed;
    }
    const uint64_t length = stream.Length();
    const bool scan = PeaksWhileCopying(format);
    const size_t frameBytes = scan ? 2u * format.nChannels : 1;
    CPeakFile::Scanner scanner(format.nChannels, CPeakFile::kSamplesPerPeak, false);  // no RMS wanted
    m_peaks.clear();
    // Room behind the block for the bytes of a frame split between two reads.
    std::vector<int16_t> samples((kBlockBytes + frameBytes) / 2 + 1);
    auto* const block = reinterpret_cast<uint8_t*>(samples.data());
    size_t carried = 0;
    // Writing back to the disk starts while the copy goes on, so the closing sync waits for little.
    int flushFd = ::open(scratch.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t flushedUpTo = 0;
    uint64_t written = 0;
    bool failed = false;
    bool cancelled = !Report(JobPhase::kCopying, 0, length);
    stream.Seek(0, 0);
    while (!cancelled && written < length) {
        const int64_t want = static_cast<int64_t>(std::min<uint64_t>(kBlockBytes, length - written));
        const int64_t got = stream.Read(block + carried, want);
        if (got <= 0) {
            Fault(FaultKind::kCannotRead, m_source.songPath);
            failed = true;
            break;
        }
        const int64_t put = out.Write(block + carried, got);
        if (put != got) {
            FileFault f(FaultKind::kShortWrite, scratch);
            f.written = std::max<int64_t>(put, 0);
            f.wanted = got;
            m_faults.push_back(std::move(f));
            failed = true;
            break;
        }
        written += static_cast<uint64_t>(got);
        if (scan) {
            const size_t have = carried + static_cast<size_t>(got);
            const size_t whole = have - have % frameBytes;
            scanner.Add16(samples.data(), whole / 2, m_peaks);
            carried = have - whole;
            std::memmove(block, block + whole, carried);
        }
        if (flushFd >= 0 && written - flushedUpTo >= kFlushBytes) {
            ::sync_file_range(flushFd, 0, 0, SYNC_FILE_RANGE_WRITE);
            flushedUpTo = written;
        }
        cancelled = !Report(JobPhase::kCopying, written, length);
    }
    if (!failed && !cancelled && out.FinishWrite() != 0) {
        Fault(FaultKind::kCannotWrite, scratch);
        failed = true;
    }
    out.Close();
    if (flushFd >= 0) ::close(flushFd);
    if (scan) scanner.Finish(m_peaks);
    m_scanned = scan;
    if (failed || cancelled) {
        ::unlink(scratch.c_str());
        return cancelled && !failed ? Result::kCancelled : Result::kFailed;
    }
    return Result::kDone;
}

bool CSessionCommit::BuildPeaks(const std::string& scratch) {
    // The new wave's peak file carries the dividers in force now.
    Report(JobPhase::kPeaks, 0, 1);
    int rc;
    if (m_scanned) {
        rc = CPeakFile::WritePeakFile(scratch, m_peaks, m_source.dividers, m_source.dividerCount);
    } else {
        PeakResults results;
        CWaveFile wave;
        rc = wave.OpenRead(scratch);
        if (rc == kFileOk) {
            rc = CPeakFile::BuildPeakFile(wave, 0, 0, m_source.dividers, m_source.dividerCount, results,
                                          [this](JobPhase phase, int percent) {
                                              Report(phase, static_cast<uint64_t>(percent), 100);
                                              return true;
                                          });
        }
        wave.Close();
    }
    if (rc != 0) {
        ::unlink(PeakFileName(scratch).c_str());
        Fault(FaultKind::kNoPeakFile, scratch);
        return false;
    }
    Report(JobPhase::kPeaks, 1, 1);
    return true;
}

bool CSessionCommit::InstallOverSong(const std::string& scratch) {
    const std::string& song = m_source.songPath;
    // When no step reads the song's own file any more (a session committed before), its old audio
    // needs no backup: the scratch wave simply replaces it.
    if (!m_source.songInUse) return ReplaceSongBy(scratch);

    const std::string backup = NumberedVariant(song, 1);
    const std::string songPeaks = PeakFileName(song);
    const std::string backupPeaks = PeakFileName(backup);
    // The old audio gets its backup name first while keeping the song's name, so the song's path
    // holds the old or the new audio at every instant.
    if (!LinkOrCopy(song, backup)) {
        Fault(FaultKind::kBackupFailed, song, backup, errno);
        return false;
    }
    if (PathExists(songPeaks) && !LinkOrCopy(songPeaks, backupPeaks)) {
        Fault(FaultKind::kRenameCompanion, songPeaks, backupPeaks, errno);
        ::unlink(backup.c_str());
        return false;
    }
    SyncFolderOf(backup);

    // The steps that read the song's old audio read the backup from now on. This is saved before
    // the song is replaced, so that a session found after a crash never applies its steps to the
    // new audio.
    if (!m_source.useBackup(backup)) {
        ::unlink(backup.c_str());
        ::unlink(backupPeaks.c_str());
        return false;
    }
    return ReplaceSongBy(scratch);
}

bool CSessionCommit::ReplaceSongBy(const std::string& scratch) {
    const std::string& song = m_source.songPath;
    const std::string songPeaks = PeakFileName(song);
    const std::string scratchPeaks = PeakFileName(scratch);
    if (::rename(scratch.c_str(), song.c_str()) != 0) {
        Fault(FaultKind::kRenameScratch, scratch, song, errno);
        return false;
    }
    // The wave first, then its peak file: a peak file older than its wave is rebuilt before use.
    if (::rename(scratchPeaks.c_str(), songPeaks.c_str()) != 0) {
        Fault(FaultKind::kRenameCompanion, scratchPeaks, songPeaks, errno);
        SyncFolderOf(song);
        return false;
    }
    SyncFolderOf(song);
    return true;
}

bool CSessionCommit::InstallAtTarget(const std::string& scratch, const std::string& target) {
    const std::string targetPeaks = PeakFileName(target);
    const std::string scratchPeaks = PeakFileName(scratch);
    // Moving over the target replaces its old contents in one step (no moment without a file).
    if (!MoveReplacing(scratch, target)) {
        Fault(FaultKind::kRenameScratch, scratch, target, errno);
        ::unlink(scratch.c_str());
        ::unlink(scratchPeaks.c_str());
        return false;
    }
    if (!MoveReplacing(scratchPeaks, targetPeaks)) {
        Fault(FaultKind::kRenameCompanion, scratchPeaks, targetPeaks, errno);
        SyncFolderOf(target);
        return false;
    }
    SyncFolderOf(target);
    return true;
}
