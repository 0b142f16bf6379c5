#include "audiofile/FileMove.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PosixFile.h"

int CopyFileNew(const std::string& source, const std::string& destination, const CopyProgressFn& progress) {
    int in = OpenRegularFile(source, O_RDONLY);
    if (in < 0) return errno;
    struct stat st;
    if (fstat(in, &st) != 0) {
        int err = errno;
        ::close(in);
        return err;
    }
    int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        int err = errno;
        ::close(in);
        return err;
    }
    std::vector<uint8_t> buffer(1 << 20);
    int err = 0;
    uint64_t offset = 0;
    for (;;) {
        int64_t got = ReadAllAt(in, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            err = errno ? errno : EIO;
            break;
        }
        if (got == 0) break;
        if (!WriteAllAt(out, buffer.data(), static_cast<size_t>(got), offset)) {
            err = errno ? errno : EIO;
            break;
        }
        offset += static_cast<uint64_t>(got);
        if (progress) progress(offset, static_cast<uint64_t>(st.st_size));
    }
    if (!err && fsync(out) != 0) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    ::close(in);
    if (err) ::unlink(destination.c_str());
    return err;
}

int MoveFileNoReplace(const std::string& source, const std::string& destination) {
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) return 0;
    int err = errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        // No atomic no-replace rename here: a hard link refuses an existing name just as well.
        if (::link(source.c_str(), destination.c_str()) == 0) {
            ::unlink(source.c_str());
            return 0;
        }
        err = errno;
        if (err == EPERM || err == ENOTSUP) err = EXDEV;  // no hard links: copy instead
    }
    if (err == EXDEV) {
        err = CopyFileNew(source, destination);
        if (err == 0) {
            if (::unlink(source.c_str()) == 0) return 0;
            err = errno;
            ::unlink(destination.c_str());  // a move leaves one file, not two
        }
    }
    return err;
}

bool LinkOrCopy(const std::string& source, const std::string& destination) {
    if (::link(source.c_str(), destination.c_str()) == 0) return true;
    switch (errno) {
        case EXDEV:
        case EPERM:
        case EMLINK:
        case ENOSYS:
        case EOPNOTSUPP: {
            const int err = CopyFileNew(source, destination);
            errno = err;
            return err == 0;
        }
        default:
            return false;
    }
}

bool MoveReplacing(const std::string& source, const std::string& destination) {
    if (::rename(source.c_str(), destination.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    const std::string scratch = NumberedVariant(destination, 1000);
    const int err = CopyFileNew(source, scratch);
    if (err != 0) {
        errno = err;
        return false;
    }
    if (::rename(scratch.c_str(), destination.c_str()) != 0) {
        const int saved = errno;
        ::unlink(scratch.c_str());
        errno = saved;
        return false;
    }
    ::unlink(source.c_str());
    return true;
}
