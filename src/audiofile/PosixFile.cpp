#include "audiofile/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int OpenRegularFile(const std::string& name, int flags) {
    int fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool WriteAllAt(int fd, const void* data, size_t n, uint64_t offset) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        ssize_t done = pwrite(fd, p, n, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        n -= static_cast<size_t>(done);
        offset += static_cast<uint64_t>(done);
    }
    return true;
}

int64_t ReadAllAt(int fd, void* data, size_t n, uint64_t offset) {
    auto* p = static_cast<uint8_t*>(data);
    size_t got = 0;
    while (got < n) {
        ssize_t r = pread(fd, p + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(got);
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && st.st_size >= 0 && static_cast<uint64_t>(st.st_size) <= maxBytes;
    if (ok) {
        out.resize(static_cast<size_t>(st.st_size));
        const int64_t got = ReadAllAt(fd, out.data(), out.size(), 0);
        ok = got >= 0;
        out.resize(ok ? static_cast<size_t>(got) : 0);
    }
    ::close(fd);
    return ok;
}
