#include "shell/SongFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "audiofile/DividerBlock.h"
#include "audiofile/FileMove.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "processing/FileReports.h"
#include "processing/FilterRunner.h"

namespace {

// The song opened through its session, which then stays loaded after the file is closed again.
// Null when the song cannot be opened (its message was shown).
std::unique_ptr<CWaveFile> LoadSession(const std::string& song) {
    auto wave = std::make_unique<CWaveFile>(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    wave->SetSessionMode(true);
    wave->Session().SetTempPath(CFilterRunner::TempFolder());
    UseWindowFor(wave->Session());
    if (ReportOpening(*wave, wave->OpenRead(song), song) != kFileOk) return nullptr;
    wave->Close();
    return wave;
}

int RemoveIfThere(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

}  // namespace

bool CSongFiles::HasSession(const std::string& song) {
    return PathExists(SessionFileName(song));
}

int CSongFiles::CopyFileReplacing(const std::string& source, const std::string& target, const CopyProgress& progress) {
    const std::string scratch = NumberedVariant(target, 1000);
    int err = CopyFileNew(source, scratch, progress);
    if (err != 0) return err;
    if (std::rename(scratch.c_str(), target.c_str()) != 0) {
        err = errno;
        ::unlink(scratch.c_str());
    }
    return err;
}

int CSongFiles::CopySong(const std::string& source, const std::string& target, const CopyProgress& progress) {
    if (HasSession(source)) {
        // The session's own files belong to the source; the copy gets its audio as one plain wave.
        std::unique_ptr<CWaveFile> wave = LoadSession(source);
        if (!wave || !wave->Session().CommitSession(target)) return -1;
        return 0;
    }
    const int err = CopyFileReplacing(source, target, progress);
    if (err != 0) return err;
    const std::string peaks = PeakFileName(source);
    if (PathExists(peaks)) return CopyFileReplacing(peaks, PeakFileName(target));
    // A stale peak file of an earlier song of that name must not lend the copy its dividers.
    return RemoveIfThere(PeakFileName(target));
}

int CSongFiles::DeleteSong(const std::string& song) {
    // The session names its step files; it is read before the wave goes and discarded only after.
    std::unique_ptr<CWaveFile> session = HasSession(song) ? LoadSession(song) : nullptr;
    const int err = RemoveIfThere(song);
    if (err != 0) return err;
    if (session) session->Session().DiscardSession(false);
    RemoveIfThere(SessionFileName(song));
    RemoveIfThere(PeakFileName(song));
    return 0;
}

int CSongFiles::RenameSong(const std::string& oldPath, const std::string& newPath) {
    std::unique_ptr<CWaveFile> session = HasSession(oldPath) ? LoadSession(oldPath) : nullptr;
    const int err = MoveFileNoReplace(oldPath, newPath);
    if (err != 0) return err;
    // The session reads the song by its name: it learns the new one before it moves along.
    if (session) session->Session().RenameSong(newPath);
    // No wave had the new name, so companions found under it are strays of an earlier song.
    for (const auto& name : {&PeakFileName, &SessionFileName}) {
        const std::string from = name(oldPath);
        if (PathExists(from)) std::rename(from.c_str(), name(newPath).c_str());
    }
    return 0;
}

bool CSongFiles::SetStatus(const std::string& song, int index, bool done) {
    if (index < 0 || index > 255) return false;
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    bool wrote = false;
    if (CPeakFile::ReadDividers(song, *block, count)) {
        block->SetStatusDone(index, done);
        wrote = CPeakFile::WriteDividers(song, *block, count);
    }
    if (HasSession(song)) {
        if (std::unique_ptr<CWaveFile> wave = LoadSession(song)) {
            wave->Session().GetDividers(*block, count);
            block->SetStatusDone(index, done);
            wave->Session().SetDividers(*block, count);
            wrote = true;
        }
    }
    return wrote;
}

std::array<bool, 3> CSongFiles::GetStatus(const std::string& song) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    if (!CPeakFile::ReadDividers(song, *block, count)) return {false, false, false};
    return {block->StatusDone(kClean), block->StatusDone(kEnhance), block->StatusDone(kFinalTouches)};
}

uint32_t CSongFiles::DividerCount(const std::string& song) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    if (HasSession(song)) {
        if (std::unique_ptr<CWaveFile> wave = LoadSession(song)) {
            wave->Session().GetDividers(*block, count);
            return count;
        }
    }
    return CPeakFile::ReadDividers(song, *block, count) ? count : 0;
}
