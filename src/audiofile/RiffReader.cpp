#include "audiofile/RiffReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "audiofile/FileError.h"

namespace {

// Reads exactly n bytes at offset; false when fewer are there.
using ReadAt = std::function<bool(uint64_t offset, void* dest, size_t n)>;

// Enough for any real file; a hostile file of empty chunks cannot keep us busy.
constexpr int kMaxChunks = 1 << 16;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

int Parse(const ReadAt& readAt, uint64_t fileSize, CRiffReader::Header& out) {
    out = CRiffReader::Header{};
    out.fileSize = fileSize;
    uint8_t head[12];
    if (fileSize < sizeof head || !readAt(0, head, sizeof head)) return kErrFormat;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return kErrFormat;
    out.riffSize = Le32(head + 4);

    // The RIFF size is not trusted: writers that stopped early leave it 0, so
    // the file's own length bounds the walk.
    bool haveFmt = false;
    bool haveData = false;
    uint64_t offset = 12;
    for (int n = 0; n < kMaxChunks && offset + 8 <= fileSize; ++n) {
        uint8_t chunk[8];
        if (!readAt(offset, chunk, sizeof chunk)) break;
        const uint32_t size = Le32(chunk + 4);
        const uint64_t body = offset + 8;
        const uint64_t available = std::min<uint64_t>(size, fileSize - body);
        if (!haveFmt && std::memcmp(chunk, "fmt ", 4) == 0) {
            if (available < size) return kErrFormat;  // cut short: the format cannot be trusted
            out.fmtSize = size;
            out.fmt.resize(std::min<size_t>(size, CRiffReader::kMaxFmtBytes));
            if (!out.fmt.empty() && !readAt(body, out.fmt.data(), out.fmt.size())) return kErrFormat;
            haveFmt = true;
        } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
            out.dataOffset = body;
            out.dataSize = size;
            out.dataAvailable = available;
            haveData = true;
        }
        if (haveFmt && haveData) return 0;
        offset = body + size + (size & 1u);  // chunks are padded to even sizes
    }
    return kErrFormat;
}

}  // namespace

int CRiffReader::ParseHeader(const uint8_t* data, size_t size, Header& out) {
    if (!data) size = 0;
    ReadAt readAt = [data, size](uint64_t offset, void* dest, size_t n) {
        if (offset > size || n > size - offset) return false;
        std::memcpy(dest, data + offset, n);
        return true;
    };
    return Parse(readAt, size, out);
}

int CRiffReader::ReadHeader(int fd, Header& out) {
    out = Header{};
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return kErrCannotOpen;
    ReadAt readAt = [fd](uint64_t offset, void* dest, size_t n) {
        auto* p = static_cast<uint8_t*>(dest);
        while (n > 0) {
            ssize_t got = pread(fd, p, n, static_cast<off_t>(offset));
            if (got <= 0) return false;
            p += got;
            n -= static_cast<size_t>(got);
            offset += static_cast<uint64_t>(got);
        }
        return true;
    };
    return Parse(readAt, static_cast<uint64_t>(st.st_size), out);
}

int CRiffReader::ReadHeader(std::FILE* file, Header& out) {
    out = Header{};
    if (!file || fseeko(file, 0, SEEK_END) != 0) return kErrCannotOpen;
    off_t end = ftello(file);
    if (end < 0) return kErrCannotOpen;
    ReadAt readAt = [file](uint64_t offset, void* dest, size_t n) {
        return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(dest, 1, n, file) == n;
    };
    int result = Parse(readAt, static_cast<uint64_t>(end), out);
    if (result == 0 && fseeko(file, static_cast<off_t>(out.dataOffset), SEEK_SET) != 0) result = kErrFormat;
    return result;
}

int CRiffReader::ReadHeader(const std::string& path, Header& out) {
    out = Header{};
    // Non-blocking so that a FIFO cannot hold us; ReadHeader(fd) refuses anything but a regular file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return kErrCannotOpen;
    int result = ReadHeader(fd, out);
    ::close(fd);
    return result;
}
