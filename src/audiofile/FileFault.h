// What went wrong (or needs saying) inside the file, session and peak-file
// layers. These layers show nothing themselves: they hand the faults back and
// the caller reports them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class FaultKind : uint8_t {
    kCannotWrite,       // path could not be created or written
    kCannotRead,        // path could not be read
    kShortWrite,        // path took only written of wanted bytes
    kNoPeakFile,        // path's peak file could not be made or read (oldFormat: it has another format)
    kOldPeakFile,       // path's peak file has another format and was left alone
    kSizeInconsistent,  // path holds less audio than its header claims; its peaks were padded and work went on
    kTooManyTempFiles,  // the temporary folder is crowded; a name was still given
    kSessionDamaged,    // path's session has unreadable steps and nobody decided about them; it was left alone
    kBackupFailed,      // path (the song) could not be given its backup name other
    kRenameScratch,     // the new wave path could not take the name other
    kRenameCompanion,   // the companion file path could not take the name other
};

struct FileFault {
    FileFault() = default;
    FileFault(FaultKind k, std::string p, std::string o = {}, int e = 0)
        : kind(k), path(std::move(p)), other(std::move(o)), error(e) {}

    FaultKind kind = FaultKind::kCannotWrite;
    std::string path;
    std::string other;
    int error = 0;  // errno of the failed call
    int64_t written = 0;
    int64_t wanted = 0;
    bool oldFormat = false;
};

using FileFaults = std::vector<FileFault>;
