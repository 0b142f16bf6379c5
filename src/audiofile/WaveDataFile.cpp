#include "audiofile/WaveDataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "audiofile/FileError.h"
#include "audiofile/PosixFile.h"
#include "audiofile/RiffReader.h"

namespace {

constexpr size_t kCacheBytes = 2 * CWaveDataFile::kWriteSpaceMax;
constexpr uint32_t kHeaderBytes = 44;  // "RIFF", size, "WAVE", 16-byte "fmt ", "data", size
// Disk space is set aside this far ahead of a growing file: the file system then allocates in large
// extents instead of page by page.
constexpr uint64_t kReserveStep = 8u << 20;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

int CWaveDataFile::OpenExisting(const std::string& name, Access access, WAVEFORMATEX& fmt) {
    Close();
    const bool write = access != Access::Read;
    int fd = OpenRegularFile(name, write ? O_RDWR : O_RDONLY);
    if (fd < 0) return kErrCannotOpen;
    CRiffReader::Header h;
    WAVEFORMATEX real;
    int rc = CRiffReader::ReadHeader(fd, h);
    if (rc == kFileOk) rc = EditableWaveFormat(h.fmt, real);
    if (rc != kFileOk) {
        ::close(fd);
        return rc == kErrCannotOpen ? kErrCannotOpen : kErrFormat;
    }
    fmt = real;
    m_fd = fd;
    m_writable = write;
    m_created = access == Access::Writer;
    m_dataOffset = h.dataOffset;
    m_claimedData = h.dataSize;
    m_length = h.UsableData(real.nBlockAlign);
    m_pos = 0;
    m_reserved = 0;
    return kFileOk;
}

int CWaveDataFile::Create(const std::string& name, const WAVEFORMATEX& fmt) {
    Close();
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return kErrCannotWrite;
    uint8_t header[kHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16};
    Put16(header + 20, fmt.wFormatTag);
    Put16(header + 22, fmt.nChannels);
    Put32(header + 24, fmt.nSamplesPerSec);
    Put32(header + 28, fmt.nAvgBytesPerSec);
    Put16(header + 32, fmt.nBlockAlign);
    Put16(header + 34, fmt.wBitsPerSample);
    std::memcpy(header + 36, "data", 4);
    if (!WriteAllAt(fd, header, sizeof header, 0)) {
        ::close(fd);
        ::unlink(name.c_str());
        return kErrCannotWrite;
    }
    m_fd = fd;
    m_writable = true;
    m_created = true;
    m_dataOffset = kHeaderBytes;
    m_claimedData = 0;
    m_length = m_pos = 0;
    m_reserved = 0;
    return kFileOk;
}

void CWaveDataFile::Close() {
    if (m_fd >= 0 && m_writable) {
        Flush();  // unfinished, but what was written is in the file
        // Space set aside past the end goes back (the file keeps its length).
        struct stat st;
        const bool trimmed = m_reserved == 0 || (fstat(m_fd, &st) == 0 && ftruncate(m_fd, st.st_size) == 0);
        (void)trimmed;
    }
    m_cacheLen = 0;
    m_cacheDirty = false;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_writable = false;
    m_created = false;
    m_pos = 0;
    m_length = 0;
    m_reserved = 0;
}

bool CWaveDataFile::Flush() {
    if (!m_cacheDirty || m_cacheLen == 0) {
        m_cacheDirty = false;
        m_cacheLen = 0;
        return true;
    }
    const uint64_t end = m_cacheStart + m_cacheLen;
    if (end > m_reserved) {
        // Only a hint: without the space the write below fails and says so.
        const uint64_t from = std::max(m_reserved, m_cacheStart);
        if (fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(m_dataOffset + from),
                      static_cast<off_t>(end - from + kReserveStep)) == 0) {
            m_reserved = end + kReserveStep;
        } else {
            m_reserved = std::numeric_limits<uint64_t>::max();  // not supported or no room: stop asking
        }
    }
    const bool ok = WriteAllAt(m_fd, m_cache.data(), m_cacheLen, m_dataOffset + m_cacheStart);
    m_cacheDirty = false;
    m_cacheLen = 0;
    return ok;
}

bool CWaveDataFile::Fill(uint64_t at) {
    m_cache.resize(kCacheBytes);
    const auto want = static_cast<size_t>(std::min<uint64_t>(kCacheBytes, m_length - at));
    const int64_t got = ReadAllAt(m_fd, m_cache.data(), want, m_dataOffset + at);
    m_cacheStart = at;
    m_cacheLen = got > 0 ? static_cast<size_t>(got) : 0;
    return got >= 0;
}

int64_t CWaveDataFile::Read(void* buffer, int64_t byteCount) {
    if (m_fd < 0 || byteCount < 0 || (!buffer && byteCount > 0)) return -1;
    if (m_writable && !Flush()) return -1;
    if (m_pos >= m_length) return 0;
    const auto n = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(byteCount), m_length - m_pos));
    if (m_writable || n >= kCacheBytes / 2) {
        const int64_t got = ReadAllAt(m_fd, buffer, n, m_dataOffset + m_pos);
        if (got > 0) m_pos += static_cast<uint64_t>(got);
        return got;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        if (m_pos < m_cacheStart || m_pos >= m_cacheStart + m_cacheLen) {
            if (!Fill(m_pos)) return done > 0 ? static_cast<int64_t>(done) : -1;
            if (m_cacheLen == 0) break;
        }
        const auto at = static_cast<size_t>(m_pos - m_cacheStart);
        const size_t take = std::min(n - done, m_cacheLen - at);
        std::memcpy(out + done, m_cache.data() + at, take);
        done += take;
        m_pos += take;
    }
    return static_cast<int64_t>(done);
}

int64_t CWaveDataFile::Peek(size_t want, const uint8_t*& data) {
    data = nullptr;
    if (m_fd < 0 || m_writable) return -1;
    if (m_pos >= m_length) return 0;
    want = static_cast<size_t>(std::min<uint64_t>({want, m_length - m_pos, kCacheBytes}));
    // Refilled from the position when the bytes are not all there, so that they are contiguous.
    if (m_pos < m_cacheStart || m_pos + want > m_cacheStart + m_cacheLen) {
        if (!Fill(m_pos)) return -1;
    }
    const auto at = static_cast<size_t>(m_pos - m_cacheStart);
    data = m_cache.data() + at;
    return static_cast<int64_t>(std::min(want, m_cacheLen - at));
}

int64_t CWaveDataFile::Seek(int64_t offset, int origin) {
    if (m_fd < 0) return -1;
    int64_t base = 0;
    if (origin == 1) {
        base = static_cast<int64_t>(m_pos);
    } else if (origin == 2) {
        base = static_cast<int64_t>(m_length);
    } else if (origin != 0) {
        return -1;
    }
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) return -1;
    m_pos = static_cast<uint64_t>(target);
    return target;
}

uint8_t* CWaveDataFile::WriteSpace(size_t n) {
    if (m_fd < 0 || !m_writable || n > kWriteSpaceMax) return nullptr;
    // The RIFF sizes are 32-bit: refuse what they could not describe (pad byte included).
    const uint64_t maxData = std::numeric_limits<uint32_t>::max() - 1 - m_dataOffset;
    if (m_pos > maxData || n > maxData - m_pos) return nullptr;
    // Buffered only while the writes follow each other.
    if (m_cacheLen > 0 && (!m_cacheDirty || m_pos != m_cacheStart + m_cacheLen || m_cacheLen + n > kCacheBytes)) {
        if (!Flush()) return nullptr;
    }
    m_cache.resize(kCacheBytes);
    if (m_cacheLen == 0) m_cacheStart = m_pos;
    return m_cache.data() + m_cacheLen;
}

bool CWaveDataFile::CommitWrite(size_t n) {
    if (n == 0) return true;
    m_cacheLen += n;
    m_cacheDirty = true;
    m_pos += n;
    m_length = std::max(m_length, m_pos);
    return true;
}

int64_t CWaveDataFile::Write(const void* buffer, int64_t byteCount) {
    if (m_fd < 0 || !m_writable || byteCount < 0 || (!buffer && byteCount > 0)) return -1;
    const uint64_t maxData = std::numeric_limits<uint32_t>::max() - 1 - m_dataOffset;
    if (m_pos > maxData || static_cast<uint64_t>(byteCount) > maxData - m_pos) return -1;
    const auto n = static_cast<size_t>(byteCount);
    if (n >= kCacheBytes / 2) {
        if (!Flush() || !WriteAllAt(m_fd, buffer, n, m_dataOffset + m_pos)) return -1;
        m_pos += n;
        m_length = std::max(m_length, m_pos);
        return byteCount;
    }
    if (n == 0) return 0;
    uint8_t* space = WriteSpace(n);
    if (!space) return -1;
    std::memcpy(space, buffer, n);
    CommitWrite(n);
    return byteCount;
}

bool CWaveDataFile::Finish() {
    if (m_fd < 0 || !m_writable) return false;
    if (!Flush()) return false;
    if (!m_created && m_length <= m_claimedData) return true;
    const uint64_t size = m_length;
    const uint64_t pad = size & 1;
    const uint64_t end = m_dataOffset + size + pad;
    if (end - 8 > std::numeric_limits<uint32_t>::max() || m_dataOffset < 8) return false;
    uint8_t field[4];
    const uint8_t zero = 0;
    if (pad && !WriteAllAt(m_fd, &zero, 1, m_dataOffset + size)) return false;
    Put32(field, static_cast<uint32_t>(size));
    if (!WriteAllAt(m_fd, field, 4, m_dataOffset - 4)) return false;
    Put32(field, static_cast<uint32_t>(end - 8));
    if (!WriteAllAt(m_fd, field, 4, 4)) return false;
    // Whatever followed the old data was overwritten or is stale; the file ends with its data (and
    // space set aside past it goes back).
    if (ftruncate(m_fd, static_cast<off_t>(end)) != 0) return false;
    m_reserved = 0;
    m_claimedData = static_cast<uint32_t>(size);
    return true;
}
