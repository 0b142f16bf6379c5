#include "audiofile/SessionFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "audiofile/FileNames.h"
#include "audiofile/PosixFile.h"

namespace {

// A session file larger than this is damage, not a session.
constexpr size_t kMaxSessionFileBytes = 64 << 20;

}  // namespace

std::string CSessionFile::Locate(const std::string& stored, const std::string& sessionPath) {
    if (stored.empty()) return stored;
    const std::string folder = FolderOf(AbsolutePath(sessionPath));
    if (stored.front() == '/') {
        const std::string path = AbsolutePath(stored);
        if (PathExists(path)) return path;
    } else {
        for (const std::string& path : {AbsolutePath(stored), AbsolutePath(FileInTempDir(folder, stored))}) {
            if (PathExists(path)) return path;
        }
    }
    const std::string beside = FileInTempDir(folder, FileNameOf(stored));
    if (PathExists(beside)) return beside;
    return AbsolutePath(stored);
}

CSessionFile::Load CSessionFile::Read(const std::string& sessionPath, CSessionArchive::Contents& contents) {
    contents = {};
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(sessionPath, kMaxSessionFileBytes, bytes)) return Load::kAbsent;
    const CSessionArchive::Result r = CSessionArchive::Read(bytes.data(), bytes.size(), contents);
    if (r == CSessionArchive::kNotSession) {
        contents = {};
        return Load::kAbsent;
    }
    for (CQueEdit& step : contents.steps) step.fileName = Locate(step.fileName, sessionPath);
    return r == CSessionArchive::kOk ? Load::kLoaded : Load::kDamaged;
}

bool CSessionFile::Write(const std::string& sessionPath, const std::string& songPath, const WAVEFORMATEX& format,
                         const std::vector<CQueEdit>& steps, const std::string& scratchPath) {
    std::vector<uint8_t> bytes;
    if (!CSessionArchive::Write(songPath, format, steps, bytes)) return false;

    // The scratch file sits in the session file's own folder so that the rename that puts it in
    // place is a single atomic step.
    std::string scratch = scratchPath.empty() ? FileInTempDir(FolderOf(sessionPath), "ZarvoQueXXXXXX") : scratchPath;
    int fd = scratchPath.empty() ? ::mkstemp(scratch.data())
                                 : ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::fchmod(fd, 0644);
    bool ok = WriteAllAt(fd, bytes.data(), bytes.size(), 0) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(scratch.c_str(), sessionPath.c_str()) == 0;
    if (!ok) {
        ::unlink(scratch.c_str());
        return false;
    }
    SyncPath(FolderOf(sessionPath), true);
    return true;
}
