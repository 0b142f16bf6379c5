#include "audiofile/WaveFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "audiofile/BlockConsumer.h"
#include "audiofile/RiffReader.h"
#include "codecs/Mp3Decoder.h"
#include "codecs/PcmConverter.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

constexpr size_t kDirectBufferBytes = 8192;
constexpr size_t kCacheBytes = 256 * 1024;
constexpr uint32_t kHeaderBytes = 44;  // "RIFF", size, "WAVE", 16-byte "fmt ", "data", size
constexpr const char* kRenameCaption = "File R-Name Error";

using Kind = CWaveFile::SampleKind;

// The per-buffer conversion loops are worth vectorising; GCC does not at -O2.
#if defined(__GNUC__) && !defined(__clang__)
#define RESTOVA_VECTORIZE __attribute__((optimize("tree-loop-vectorize", "vect-cost-model=dynamic")))
#else
#define RESTOVA_VECTORIZE
#endif

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// The first 16 bytes of a "fmt " body as a format record, without checks.
WAVEFORMATEX RawFormat(const std::vector<uint8_t>& fmt) {
    WAVEFORMATEX f;
    f.wFormatTag = Le16(fmt.data());
    f.nChannels = Le16(fmt.data() + 2);
    f.nSamplesPerSec = Le32(fmt.data() + 4);
    f.nAvgBytesPerSec = Le32(fmt.data() + 8);
    f.nBlockAlign = Le16(fmt.data() + 12);
    f.wBitsPerSample = Le16(fmt.data() + 14);
    f.cbSize = 18;
    return f;
}

// The format of a "fmt " body this engine can read and write, or 104.
// WAVE_FORMAT_EXTENSIBLE with a PCM or float sub-format is taken as that
// format: common tools write it for anything above 16 bits.
int EditableFormat(const std::vector<uint8_t>& fmt, WAVEFORMATEX& out) {
    if (fmt.size() < 16) return kErrFormat;
    WAVEFORMATEX f = RawFormat(fmt);
    if (f.wFormatTag == 0xFFFE && fmt.size() >= 40) {
        static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (std::memcmp(fmt.data() + 26, kGuidTail, sizeof kGuidTail) == 0) f.wFormatTag = Le16(fmt.data() + 24);
    }
    if (f.nChannels < 1 || f.nChannels > 2 || CWaveFile::KindOf(f) == Kind::None) return kErrFormat;
    f.nBlockAlign = static_cast<uint16_t>(f.nChannels * BytesPerSampleOf(f));
    // From the frame size, so that widths between the byte sizes (12, 20 bits) describe the bytes really stored.
    f.nAvgBytesPerSec = static_cast<uint32_t>(uint64_t{f.nBlockAlign} * f.nSamplesPerSec);
    f.cbSize = 18;
    out = f;
    return 0;
}

// Data bytes the engine uses: what is really there, in whole frames, within 32 bits.
uint32_t UsableData(const CRiffReader::Header& h, uint16_t blockAlign) {
    uint64_t n = std::min<uint64_t>(h.dataAvailable, std::numeric_limits<uint32_t>::max());
    if (blockAlign > 0) n -= n % blockAlign;
    return static_cast<uint32_t>(n);
}

bool WriteAll(int fd, const void* data, size_t n, uint64_t offset) {
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

int64_t ReadAll(int fd, void* data, size_t n, uint64_t offset) {
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

// File bytes to internal samples.
RESTOVA_VECTORIZE void BytesToSamples(Kind kind, const uint8_t* src, int32_t* dst, size_t count) {
    switch (kind) {
        case Kind::U8:
            for (size_t i = 0; i < count; ++i) dst[i] = (static_cast<int32_t>(src[i]) - 128) * 65536;
            break;
        case Kind::S16:
            for (size_t i = 0; i < count; ++i) {
                dst[i] = static_cast<int16_t>(static_cast<uint16_t>(src[2 * i] | src[2 * i + 1] << 8)) * 256;
            }
            break;
        case Kind::S24:
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = src + 3 * i;
                const uint32_t u = static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                   static_cast<uint32_t>(p[2]) << 24;
                dst[i] = static_cast<int32_t>(u) >> 8;
            }
            break;
        case Kind::S32:
            for (size_t i = 0; i < count; ++i) dst[i] = static_cast<int32_t>(Le32(src + 4 * i)) >> 8;
            break;
        case Kind::F32:
            for (size_t i = 0; i < count; ++i) {
                float f;
                std::memcpy(&f, src + 4 * i, 4);
                // Scaled in single precision: every internal value then survives a
                // round trip through float exactly. NaN reads as silence, anything
                // beyond full scale (infinities included) as full scale.
                const float x = f * 8388607.0f;
                if (!(x == x)) {
                    dst[i] = 0;
                } else if (x >= 8388607.0f) {
                    dst[i] = 8388607;
                } else if (x <= -8388608.0f) {
                    dst[i] = -8388608;
                } else {
                    dst[i] = static_cast<int32_t>(x);
                }
            }
            break;
        case Kind::None:
            std::fill(dst, dst + count, 0);
            break;
    }
}

// One internal sample (dithered and clamped already) to file bytes.
inline void StoreSample(Kind kind, int32_t v, uint8_t* p) {
    const auto u = static_cast<uint32_t>(v);
    switch (kind) {
        case Kind::U8:
            p[0] = static_cast<uint8_t>((v >> 16) + 128);
            break;
        case Kind::S16:
            p[0] = static_cast<uint8_t>(u >> 8);
            p[1] = static_cast<uint8_t>(u >> 16);
            break;
        case Kind::S24:
            p[0] = static_cast<uint8_t>(u);
            p[1] = static_cast<uint8_t>(u >> 8);
            p[2] = static_cast<uint8_t>(u >> 16);
            break;
        case Kind::S32:
            Put32(p, u << 8);
            break;
        case Kind::F32: {
            const float f = static_cast<float>(v / 8388607.0);
            std::memcpy(p, &f, 4);
            break;
        }
        case Kind::None:
            break;
    }
}

// A run of samples to file bytes; the kind is chosen once per run so each loop stays tight.
RESTOVA_VECTORIZE void StoreSamples(Kind kind, const int32_t* src, uint8_t* dst, size_t count) {
    switch (kind) {
        case Kind::U8:
            for (size_t i = 0; i < count; ++i) StoreSample(Kind::U8, src[i], dst + i);
            break;
        case Kind::S16:
            for (size_t i = 0; i < count; ++i) StoreSample(Kind::S16, src[i], dst + 2 * i);
            break;
        case Kind::S24:
            for (size_t i = 0; i < count; ++i) StoreSample(Kind::S24, src[i], dst + 3 * i);
            break;
        case Kind::S32:
            for (size_t i = 0; i < count; ++i) StoreSample(Kind::S32, src[i], dst + 4 * i);
            break;
        case Kind::F32:
            for (size_t i = 0; i < count; ++i) StoreSample(Kind::F32, src[i], dst + 4 * i);
            break;
        case Kind::None:
            break;
    }
}

std::string WithoutExtension(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
    return name.substr(0, dot);
}

const char* TagName(uint16_t tag) {
    switch (tag) {
        case 1:
            return "Linear PCM";
        case 2:
            return "ADPCM";
        case 3:
            return "IEEE Float";
        case 6:
            return "A Law";
        case 7:
            return "Mu Law";
        case 16:
            return "OKI ADPCM";
        case 17:
            return "IMA ADPCM";
        case 21:
            return "Digidesign Studio";
        case 22:
            return "Digidesign Fix";
        case 48:
            return "Dolb AC2";
        case 49:
            return "GSM 610";
        case 59:
            return "Rockwell ADPCM";
        case 60:
            return "Rockwell Digitalk";
        case 64:
            return "G721 ADPCM";
        case 65:
            return "G728 CELP";
        case 80:
            return "MPEG";
        case 85:
            return "MP3";
        case 100:
            return "G726 ADPCM";
        case 101:
            return "G722 ADPCM";
        default:
            return "Unknown";
    }
}

MsgId MessageIdOf(int code) {
    switch (code) {
        case kErrWrite:
            return kMsgWriteError;
        case kErrRead:
            return kMsgReadError;
        case kErrSeek:
            return kMsgSeekError;
        case kErrBadType:
            return kMsgBadFileType;
        case kErrInternal:
            return kMsgInternalError;
        case kErrMemory:
            return kMsgMemoryError;
        case kErrCannotOpen:
            return kMsgCannotOpen;
        case kErrFormat:
            return kMsgFormatNotSupported;
        case kErrTypeUnsupported:
            return kMsgTypeNotSupported;
        case kErrResolution:
            return kMsgResolution;
        case kErrCannotWrite:
            return kMsgCannotWrite;
        case kErrSeekWave:
            return kMsgSeekWave;
        case kErrMmePrepare:
            return kMsgMmePrepare;
        case kErrMmeAdd:
            return kMsgMmeAddBuffer;
        case kErrCannotRead:
            return kMsgCannotRead;
        default:
            return kMsgCannotOpenFile;
    }
}

// Opens a regular file only: a FIFO or device named like a wave would block or never end.
int OpenRegular(const std::string& name, int flags) {
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

// Copies source to a new destination (never replacing one) and syncs it; 0 or errno.
int CopyNew(const std::string& source, const std::string& destination) {
    int in = OpenRegular(source, O_RDONLY);
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
        int64_t got = ReadAll(in, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            err = errno ? errno : EIO;
            break;
        }
        if (got == 0) break;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(got), offset)) {
            err = errno ? errno : EIO;
            break;
        }
        offset += static_cast<uint64_t>(got);
    }
    if (!err && fsync(out) != 0) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    ::close(in);
    if (err) ::unlink(destination.c_str());
    return err;
}

}  // namespace

// Widths between the standard ones are read and written in the container their
// bytes-per-sample gives (12 bits as 16, 20 as 24): WAV stores them left-justified.
CWaveFile::SampleKind CWaveFile::KindOf(const WAVEFORMATEX& f) {
    if (f.wFormatTag == kWaveFormatFloat) return f.wBitsPerSample == 32 ? Kind::F32 : Kind::None;
    if (f.wFormatTag != kWaveFormatPcm || f.wBitsPerSample < 8 || f.wBitsPerSample > 32) return Kind::None;
    switch ((f.wBitsPerSample + 7) / 8) {
        case 1:
            return Kind::U8;
        case 2:
            return Kind::S16;
        case 3:
            return Kind::S24;
        default:
            return Kind::S32;
    }
}

struct CWaveFile::Impl {
    int fd = -1;
    bool writable = false;
    bool created = false;      // opened by OpenWrite: the header is ours to complete
    bool sessionOpen = false;  // reads go through the session
    uint64_t dataOffset = 0;   // file offset of the first data byte
    uint32_t claimedData = 0;  // the data size in the header when the file was opened
    uint64_t length = 0;       // data bytes (read: usable; write: high-water mark)
    uint64_t pos = 0;          // data position of the next read or write
    int writeMode = 1;         // for continuation files
    std::string baseName;      // output name without extension, for "_part" files
    // Read-ahead (read-only files) or write-behind (writers) of whole stretches of data:
    // block-sized reads and writes then cost a copy instead of a system call each.
    std::vector<uint8_t> cache;
    uint64_t cacheStart = 0;  // data position of cache[0]
    size_t cacheLen = 0;
    bool cacheDirty = false;     // holds written bytes not yet in the file
    std::vector<uint8_t> io;     // the direct I/O buffer's bytes
    std::vector<int32_t> stage;  // its samples before conversion
    Kind outKind = Kind::S16;
    size_t outBytes = 2;
    // Dither state.
    uint32_t randState = 1;
    int64_t prevR = 0;
    double w1 = 0, w2 = 0;
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    bool FlushCache() {
        const bool ok = !cacheDirty || cacheLen == 0 || WriteAll(fd, cache.data(), cacheLen, dataOffset + cacheStart);
        cacheDirty = false;
        cacheLen = 0;
        return ok;
    }

    int Rand() {  // uniform 0..32767
        randState = randState * 214013u + 2531011u;
        return static_cast<int>((randState >> 16) & 0x7FFF);
    }
};

CWaveFile::CWaveFile(uint32_t blockLength, uint32_t historyCapacity)
    : m_impl(std::make_unique<Impl>()),
      m_blockLength(std::max<uint32_t>(blockLength, 2)),
      m_historyCapacity(historyCapacity),
      m_session(std::make_unique<CEditQueue>()),
      m_cancel(&CancelFlag()) {
    m_format = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    // History room in front of the block, lookahead room behind it.
    const size_t history = std::min(m_blockLength, m_historyCapacity);
    const size_t total = history + size_t{m_blockLength} + m_historyCapacity;
    m_samples.assign(total, 0);
    m_bufferBase = m_samples.data();
    m_blockStart = m_bufferBase + history;
    m_blockCapacityEnd = m_blockStart + m_blockLength;
    m_bufferEnd = m_bufferBase + total;
    m_raw.resize((total - history) * 4);
    m_impl->io.resize(kDirectBufferBytes);
    m_impl->stage.resize(kDirectBufferBytes);
    ResetCursors();
}

CWaveFile::~CWaveFile() {
    Close();
}

void CWaveFile::ResetCursors() {
    m_readCursor = m_endCursor = m_blockStart;
    m_dataCursor = m_rangeStart = m_rangeEnd = 0;
    m_lastBlock = 0;
}

bool CWaveFile::IsOpen() const {
    return m_impl->fd >= 0 || m_impl->sessionOpen;
}

// --- opening and closing ----------------------------------------------------

int CWaveFile::OpenRead(const std::string& fileName, uint32_t flags) {
    Impl& d = *m_impl;
    const bool write = (flags & (kOpenWrite | kOpenReadWrite)) != 0;
    m_outputMode = write ? kOutFile : kOutNone;
    // A session already loaded for this very file only needs rewinding.
    if (flags == kOpenRead && m_sessionMode && m_session->IsValid() && fileName == m_fileName) {
        CloseFile();
        ResetCursors();
        d.sessionOpen = true;
        m_session->SeekStream(0, 0);
        m_rangeEnd = m_session->StreamLength();
        return kFileOk;
    }
    Close();
    const std::string name = fileName;  // fileName may be our own m_fileName
    int fd = OpenRegular(name, write ? O_RDWR : O_RDONLY);
    if (fd < 0) return kErrCannotOpen;
    CRiffReader::Header h;
    WAVEFORMATEX fmt;
    int rc = CRiffReader::ReadHeader(fd, h);
    if (rc == 0) rc = EditableFormat(h.fmt, fmt);
    if (rc != 0) {
        ::close(fd);
        return rc == kErrCannotOpen ? kErrCannotOpen : kErrFormat;
    }
    m_format = fmt;
    m_fileName = name;
    d.fd = fd;
    d.writable = write;
    d.created = false;
    d.dataOffset = h.dataOffset;
    d.claimedData = h.dataSize;
    d.length = UsableData(h, fmt.nBlockAlign);
    d.pos = 0;
    if (m_sessionMode) {
        if (m_session->OpenSession(name, m_format, static_cast<uint32_t>(d.length)) != 0) {
            CloseFile();
            return 1;
        }
        CloseFile();  // every read now goes through the session's segments
        d.sessionOpen = true;
    }
    m_clipMax = 8388607;
    m_clipMin = -8388608;
    std::fill(m_samples.begin(), m_samples.end(), 0);
    ResetCursors();
    m_rangeEnd = DataLength();
    return kFileOk;
}

int CWaveFile::Reopen(uint32_t flags) {
    return OpenRead(std::string(m_fileName), flags);
}

int CWaveFile::OpenWrite(const std::string& fileName, WAVEFORMATEX& fmt, int mode) {
    Close();
    m_partCounter = 0;
    m_impl->baseName = WithoutExtension(fileName);
    return OpenFileForWrite(std::string(fileName), fmt, mode);
}

int CWaveFile::OpenFileForWrite(const std::string& name, WAVEFORMATEX& fmt, int mode) {
    Impl& d = *m_impl;
    WAVEFORMATEX want = MakeWaveFormat(fmt.wFormatTag, fmt.nChannels, fmt.nSamplesPerSec, fmt.wBitsPerSample);
    if (want.nChannels < 1 || want.nChannels > 2 || KindOf(want) == Kind::None) return kErrFormat;
    d.writeMode = mode;

    struct stat st;
    const bool exists = ::stat(name.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return kErrCannotWrite;
    if (mode != 1 && exists) {
        // The existing file must be a wave we can write, of the same channels and rate;
        // otherwise it is left untouched.
        CRiffReader::Header h;
        WAVEFORMATEX real;
        if (CRiffReader::ReadHeader(name, h) != 0 || EditableFormat(h.fmt, real) != 0) return kErrFormat;
        if (real.nChannels != want.nChannels || real.nSamplesPerSec != want.nSamplesPerSec) return kErrFormat;
        int fd = OpenRegular(name, O_RDWR);
        if (fd < 0) return kErrCannotWrite;
        if (CRiffReader::ReadHeader(fd, h) != 0 || EditableFormat(h.fmt, real) != 0) {
            ::close(fd);
            return kErrFormat;
        }
        fmt = real;
        d.fd = fd;
        d.dataOffset = h.dataOffset;
        d.claimedData = h.dataSize;
        d.length = mode == 0 ? UsableData(h, real.nBlockAlign) : 0;
        d.pos = d.length;
        m_dataBytes = static_cast<uint32_t>(d.length);
    } else {
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return kErrCannotWrite;
        uint8_t header[kHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16};
        Put16(header + 20, want.wFormatTag);
        Put16(header + 22, want.nChannels);
        Put32(header + 24, want.nSamplesPerSec);
        Put32(header + 28, want.nAvgBytesPerSec);
        Put16(header + 32, want.nBlockAlign);
        Put16(header + 34, want.wBitsPerSample);
        std::memcpy(header + 36, "data", 4);
        if (!WriteAll(fd, header, sizeof header, 0)) {
            ::close(fd);
            ::unlink(name.c_str());
            return kErrCannotWrite;
        }
        fmt = want;
        d.fd = fd;
        d.dataOffset = kHeaderBytes;
        d.claimedData = 0;
        d.length = 0;
        d.pos = 0;
        m_dataBytes = 0;
    }
    d.writable = true;
    d.created = true;
    m_ioNext = m_ioEnd = m_putEnd = nullptr;
    m_format = fmt;
    m_format.cbSize = 18;
    m_fileName = name;
    return kFileOk;
}

void CWaveFile::CloseFile() {
    Impl& d = *m_impl;
    if (d.fd >= 0 && d.writable) {
        FlushDirect();  // unfinished, but what was written is in the file
        d.FlushCache();
    }
    d.cacheLen = 0;
    d.cacheDirty = false;
    if (d.fd >= 0) ::close(d.fd);
    d.fd = -1;
    d.writable = false;
    d.created = false;
    m_ioNext = m_ioEnd = m_putEnd = nullptr;
    d.pos = 0;
}

void CWaveFile::Close() {
    Impl& d = *m_impl;
    CloseFile();
    if (d.sessionOpen) m_session->CloseSegments();
    d.sessionOpen = false;
    d.length = 0;
    ResetCursors();
}

int CWaveFile::FinishWrite(uint32_t) {
    Impl& d = *m_impl;
    if (d.fd < 0 || !d.writable) return d.sessionOpen ? kFileOk : kErrCannotWrite;
    const bool flushed = FlushDirect();
    m_ioNext = m_ioEnd = m_putEnd = nullptr;
    if (!d.FlushCache() || !flushed) return kErrWrite;
    // A file opened in place keeps its layout unless its data grew past the old end.
    if (!d.created && d.length <= d.claimedData) return kFileOk;
    const uint64_t size = d.length;
    const uint64_t pad = size & 1;
    const uint64_t end = d.dataOffset + size + pad;
    if (end - 8 > std::numeric_limits<uint32_t>::max() || d.dataOffset < 8) return kErrWrite;
    uint8_t field[4];
    const uint8_t zero = 0;
    if (pad && !WriteAll(d.fd, &zero, 1, d.dataOffset + size)) return kErrWrite;
    Put32(field, static_cast<uint32_t>(size));
    if (!WriteAll(d.fd, field, 4, d.dataOffset - 4)) return kErrWrite;
    Put32(field, static_cast<uint32_t>(end - 8));
    if (!WriteAll(d.fd, field, 4, 4)) return kErrWrite;
    // Whatever followed the old data was overwritten or is stale; the file ends with its data.
    if (ftruncate(d.fd, static_cast<off_t>(end)) != 0) return kErrWrite;
    d.claimedData = static_cast<uint32_t>(size);
    return kFileOk;
}

int CWaveFile::FinishDirectWrite(uint32_t flags, uint32_t) {
    return FinishWrite(flags);
}

int CWaveFile::PrepareDirectWrite() {
    Impl& d = *m_impl;
    if (d.fd < 0 || !d.writable) return kErrCannotWrite;
    FlushDirect();
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    d.outKind = KindOf(m_format);
    d.outBytes = static_cast<size_t>(std::max(BytesPerSample(), 1));
    m_ioNext = d.stage.data();
    m_ioEnd = m_ioNext + (kDirectBufferBytes - kDirectBufferBytes % frame) / d.outBytes;
    UpdatePutEnd();
    m_dataBytes = 0;
    return kFileOk;
}

// Writes what the direct buffer holds; the bytes count as written data.
bool CWaveFile::FlushDirect() {
    Impl& d = *m_impl;
    if (!m_ioEnd || m_ioNext == d.stage.data()) return true;
    const size_t n = ConvertDirect();
    return Write(d.io.data(), static_cast<int64_t>(n)) == static_cast<int64_t>(n);
}

// Clamps and converts the waiting samples into the buffer's bytes and empties it; returns the byte count.
RESTOVA_VECTORIZE size_t CWaveFile::ConvertDirect() {
    Impl& d = *m_impl;
    int32_t* first = d.stage.data();
    const auto count = static_cast<size_t>(m_ioNext - first);
    m_ioNext = first;
    if (m_clipping) {
        const int32_t hi = m_clipMax, lo = m_clipMin;
        int32_t changed = 0;
        for (size_t i = 0; i < count; ++i) {
            const int32_t v = first[i];
            const int32_t c = v > hi ? hi : (v < lo ? lo : v);
            changed |= c ^ v;
            first[i] = c;
        }
        m_clipped = m_clipped || changed != 0;
    }
    StoreSamples(d.outKind, first, d.io.data(), count);
    return count * d.outBytes;
}

// The direct buffer is full: write it out and, past the data limit, continue
// in the next "_part" file. False when either fails.
bool CWaveFile::AdvanceDirect() {
    Impl& d = *m_impl;
    const size_t n = ConvertDirect();
    if (n > 0 && Write(d.io.data(), static_cast<int64_t>(n)) != static_cast<int64_t>(n)) return false;
    if (m_dataBytes <= m_partLimit) return true;
    if (FinishWrite() != kFileOk) return false;
    CloseFile();
    const std::string part = d.baseName + "_part" + std::to_string(m_partCounter + 1) + ".wav";
    WAVEFORMATEX fmt = m_format;
    // Always a fresh file: appending to a stale one from an earlier run would mix outputs.
    if (OpenFileForWrite(part, fmt, 1) != kFileOk) return false;
    ++m_partCounter;
    return PrepareDirectWrite() == kFileOk;
}

// --- raw access -------------------------------------------------------------

uint32_t CWaveFile::DataLength() const {
    if (m_impl->sessionOpen) return m_session->StreamLength();
    return static_cast<uint32_t>(std::min<uint64_t>(m_impl->length, std::numeric_limits<uint32_t>::max()));
}

int64_t CWaveFile::Read(void* buffer, int64_t byteCount) {
    Impl& d = *m_impl;
    if (byteCount < 0 || (!buffer && byteCount > 0)) return -1;
    if (d.sessionOpen) return m_session->ReadStream(buffer, byteCount);
    if (d.fd < 0) return -1;
    if (d.writable && (!FlushDirect() || !d.FlushCache())) return -1;
    if (d.pos >= d.length) return 0;
    const auto n = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(byteCount), d.length - d.pos));
    if (d.writable || n >= kCacheBytes / 2) {
        const int64_t got = ReadAll(d.fd, buffer, n, d.dataOffset + d.pos);
        if (got > 0) d.pos += static_cast<uint64_t>(got);
        return got;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        if (d.pos < d.cacheStart || d.pos >= d.cacheStart + d.cacheLen) {
            d.cache.resize(kCacheBytes);
            const auto want = static_cast<size_t>(std::min<uint64_t>(kCacheBytes, d.length - d.pos));
            const int64_t got = ReadAll(d.fd, d.cache.data(), want, d.dataOffset + d.pos);
            d.cacheStart = d.pos;
            d.cacheLen = got > 0 ? static_cast<size_t>(got) : 0;
            if (got < 0) return done > 0 ? static_cast<int64_t>(done) : -1;
            if (got == 0) break;
        }
        const auto at = static_cast<size_t>(d.pos - d.cacheStart);
        const size_t take = std::min(n - done, d.cacheLen - at);
        std::memcpy(out + done, d.cache.data() + at, take);
        done += take;
        d.pos += take;
    }
    return static_cast<int64_t>(done);
}

int64_t CWaveFile::Seek(int64_t offset, int origin) {
    Impl& d = *m_impl;
    if (d.sessionOpen) return m_session->SeekStream(offset, origin);
    if (d.fd < 0 || !FlushDirect()) return -1;
    int64_t base = 0;
    if (origin == 1) {
        base = static_cast<int64_t>(d.pos);
    } else if (origin == 2) {
        base = static_cast<int64_t>(d.length);
    } else if (origin != 0) {
        return -1;
    }
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) return -1;
    d.pos = static_cast<uint64_t>(target);
    return target;
}

int64_t CWaveFile::Write(const void* buffer, int64_t byteCount) {
    Impl& d = *m_impl;
    if (d.fd < 0 || !d.writable || byteCount < 0 || (!buffer && byteCount > 0)) return -1;
    // The RIFF sizes are 32-bit: refuse what they could not describe (pad byte included).
    const uint64_t maxData = std::numeric_limits<uint32_t>::max() - 1 - d.dataOffset;
    if (d.pos > maxData || static_cast<uint64_t>(byteCount) > maxData - d.pos) return -1;
    const auto n = static_cast<size_t>(byteCount);
    // Buffered only while the writes follow each other; a failure may show at a later write or at finishing.
    if (d.cacheLen > 0 && (d.pos != d.cacheStart + d.cacheLen || d.cacheLen + n > kCacheBytes)) {
        if (!d.FlushCache()) return -1;
    }
    if (n >= kCacheBytes / 2) {
        if (!WriteAll(d.fd, buffer, n, d.dataOffset + d.pos)) return -1;
    } else if (n > 0) {
        d.cache.resize(kCacheBytes);
        if (d.cacheLen == 0) d.cacheStart = d.pos;
        std::memcpy(d.cache.data() + d.cacheLen, buffer, n);
        d.cacheLen += n;
        d.cacheDirty = true;
    }
    d.pos += static_cast<uint64_t>(byteCount);
    d.length = std::max(d.length, d.pos);
    m_dataBytes = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{m_dataBytes} + static_cast<uint64_t>(byteCount),
                                                           std::numeric_limits<uint32_t>::max()));
    return byteCount;
}

// --- block reading ------------------------------------------------------------

uint32_t CWaveFile::SetRange(uint32_t startBytes, uint32_t endBytes) {
    const uint32_t length = DataLength();
    if (startBytes > endBytes) startBytes = 0;
    if (startBytes == 0 && endBytes == 0) endBytes = length;
    endBytes = AlignToFrame(std::min(endBytes, length));
    startBytes = AlignToFrame(std::min(startBytes, endBytes));
    m_rangeStart = startBytes;
    m_rangeEnd = endBytes;
    m_dataCursor = startBytes;
    m_lastBlock = 0;
    Seek(startBytes, 0);
    return endBytes;
}

int64_t CWaveFile::ReadSamples(uint32_t sampleCount) {
    const size_t bps = static_cast<size_t>(std::max(BytesPerSample(), 1));
    const size_t count = std::min<size_t>(sampleCount, static_cast<size_t>(m_bufferEnd - m_blockStart));
    const int64_t got = Read(m_raw.data(), static_cast<int64_t>(count * bps));
    m_readCursor = m_endCursor = m_blockStart;
    if (got <= 0) return got;
    const size_t samples = static_cast<size_t>(got) / bps;
    BytesToSamples(KindOf(m_format), m_raw.data(), m_blockStart, samples);
    m_endCursor = m_blockStart + samples;
    return got;
}

int CWaveFile::ReadNextBlock(int32_t*& first, int32_t*& end) {
    Services().PumpMessages();
    const uint32_t channels = std::max<uint32_t>(m_format.nChannels, 1);
    const uint32_t bps = static_cast<uint32_t>(std::max(BytesPerSample(), 1));
    // Block, history and lookahead in whole frames, within the buffer's room.
    const uint32_t historyRoom = static_cast<uint32_t>(m_blockStart - m_bufferBase);
    const uint32_t block = m_blockLength / channels * channels;
    const uint32_t history = std::min(m_historyLength, historyRoom) / channels * channels;
    const uint32_t lookahead = std::min(m_lookahead, m_historyCapacity) / channels * channels;

    // The last samples of the previous block become the history of this one.
    std::memmove(m_blockStart - history, m_endCursor - history, history * sizeof(int32_t));
    first = m_blockStart - history;
    end = m_endCursor = m_readCursor = m_blockStart;

    // Live input ignores the range: it runs until cancelled.
    if (m_consumer && m_consumer->IsLive()) {
        size_t filled = 0;
        while (filled < block && !CancelFlag().load()) {
            filled += m_consumer->FillLive(m_blockStart + filled, block - filled);
            if (filled < block) {
                Services().PumpMessages();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        m_endCursor = m_blockStart + filled;
        m_dataCursor += static_cast<uint32_t>(filled * bps);
        end = m_endCursor;
        return CancelFlag().load() ? 1 : 0;
    }

    if (m_dataCursor >= m_rangeEnd) {
        if (!m_consumer || !m_consumer->IsLooping() || m_rangeEnd <= m_rangeStart) return 1;
        m_dataCursor = m_rangeStart;
        Seek(m_rangeStart, 0);
    }
    const int64_t got = ReadSamples(block + lookahead);
    if (got <= 0) {
        m_endCursor = m_blockStart;
        return 1;
    }
    const uint64_t remaining = m_rangeEnd - m_dataCursor;
    const size_t samples = static_cast<size_t>(m_endCursor - m_blockStart);
    if (remaining > uint64_t{block} * bps && samples >= block) {
        // Advance by exactly one block, whatever the lookahead managed to read,
        // so that no sample is delivered twice or skipped.
        m_dataCursor += block * bps;
        m_endCursor = m_blockStart + block;
        m_lastBlock = 0;
        if (samples > block) Seek(m_dataCursor, 0);
    } else {
        m_endCursor = m_blockStart + std::min<uint64_t>(samples, remaining / bps);
        m_dataCursor = m_rangeEnd;
        m_lastBlock = 1;
    }
    // Lookahead past the end of the data reads as silence, never as the previous block's samples.
    int32_t* const readEnd = m_blockStart + samples;
    int32_t* const lookaheadEnd = std::min(m_endCursor + lookahead, m_bufferEnd);
    if (readEnd < lookaheadEnd) std::fill(readEnd, lookaheadEnd, 0);
    end = m_endCursor;
    return CancelFlag().load() ? 1 : 0;
}

uint32_t CWaveFile::ReadRawBlock() {
    const int64_t want = int64_t{m_blockLength} * std::max(BytesPerSample(), 1);
    const int64_t got = Read(m_blockStart, want);
    if (got <= 0) return 0;
    m_dataCursor += static_cast<uint32_t>(got);
    return static_cast<uint32_t>(got);
}

void CWaveFile::KeepHistory() {
    if (m_outputMode != kOutNone) return;
    const size_t channels = std::max<size_t>(m_format.nChannels, 1);
    const size_t history = std::min<size_t>(m_historyLength, m_blockStart - m_bufferBase) / channels * channels;
    std::memmove(m_blockStart - history, m_endCursor - history, history * sizeof(int32_t));
    m_readCursor = m_endCursor = m_blockStart;
}

bool CWaveFile::StepBack() {
    const uint32_t channels = std::max<uint32_t>(m_format.nChannels, 1);
    const uint32_t bps = static_cast<uint32_t>(std::max(BytesPerSample(), 1));
    const uint32_t history =
        std::min<uint32_t>(m_historyLength, static_cast<uint32_t>(m_blockStart - m_bufferBase)) / channels * channels;
    const uint32_t back = std::min(history * bps, m_dataCursor) / (channels * bps) * (channels * bps);
    std::fill(m_bufferBase, m_blockStart, 0);
    m_readCursor = m_endCursor = m_blockStart;
    if (back == 0) return true;
    if (Seek(m_dataCursor - back, 0) < 0) return false;
    const int64_t got = ReadSamples(back / bps);
    const size_t samples = static_cast<size_t>(m_endCursor - m_blockStart);
    // The samples just read become the history in front of the block.
    std::memmove(m_blockStart - samples, m_blockStart, samples * sizeof(int32_t));
    m_readCursor = m_endCursor = m_blockStart;
    Seek(m_dataCursor, 0);
    return got == back;
}

// --- block writing ------------------------------------------------------------

uint32_t CWaveFile::WriteBlock(uint32_t byteCount) {
    if (m_impl->fd < 0) return 0;
    const size_t bps = static_cast<size_t>(std::max(BytesPerSample(), 1));
    size_t samples = std::min<size_t>(std::min<size_t>(byteCount, size_t{m_blockLength} * 4), m_raw.size()) / bps;
    samples = std::min<size_t>(samples, static_cast<size_t>(m_bufferEnd - m_blockStart));
    const size_t bytes = samples * bps;
    BlockToBytes(m_raw.data(), static_cast<uint32_t>(bytes));
    const int64_t done = Write(m_raw.data(), static_cast<int64_t>(bytes));
    return done < 0 ? 0 : static_cast<uint32_t>(done);
}

void CWaveFile::BlockToBytes(uint8_t* dest, uint32_t byteCount, const WAVEFORMATEX* fmt) {
    const WAVEFORMATEX& f = fmt ? *fmt : m_format;
    const Kind kind = KindOf(f);
    if (!dest || kind == Kind::None) return;
    const size_t bps = static_cast<size_t>(BytesPerSampleOf(f));
    const size_t count = std::min<size_t>(byteCount / bps, static_cast<size_t>(m_bufferEnd - m_blockStart));
    const int32_t* src = m_blockStart;
    // Dither only where there are bits to hide the truncation in.
    const bool dither = m_ditherType != 0 && kind != Kind::F32 && kind != Kind::S32;
    if (!dither) {
        for (size_t i = 0; i < count; ++i) StoreSample(kind, Clamp(src[i]), dest + i * bps);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const int64_t v = int64_t{src[i]} + NextDither(f.wBitsPerSample);
        int32_t out;
        if (v > std::numeric_limits<int32_t>::max()) {
            out = m_clipping ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(v);
        } else if (v < std::numeric_limits<int32_t>::min()) {
            out = m_clipping ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(v);
        } else {
            out = static_cast<int32_t>(v);
        }
        StoreSample(kind, Clamp(out), dest + i * bps);
    }
}

int32_t CWaveFile::NextDither(int bits) {
    Impl& d = *m_impl;
    const int shift = std::clamp(25 - bits, 0, 24);
    switch (m_ditherType) {
        case 1:
            return static_cast<int32_t>((int64_t{d.Rand()} << shift) / 32767);
        case 2: {
            const int64_t r = (int64_t{d.Rand()} << shift) / 32767;
            const int64_t dither = r - d.prevR;
            d.prevR = r;
            return static_cast<int32_t>(dither);
        }
        case 3: {
            const double r = static_cast<double>((int64_t{d.Rand()} << (shift + 1)) / 32767);
            const double w = r - d.a1 * d.w1 - d.a2 * d.w2;
            const double y = d.b0 * w + d.b1 * d.w1 + d.b2 * d.w2;
            d.w2 = d.w1;
            d.w1 = w;
            return static_cast<int32_t>(std::trunc(y));
        }
        default:
            return 0;
    }
}

bool CWaveFile::StoreInBlock(int32_t value) {
    if (m_endCursor >= m_blockCapacityEnd) {
        if (m_outputMode == kOutNone) return true;  // nobody takes blocks: keep what is there
        if (m_consumer && !m_consumer->TakeBlock(m_blockStart, m_blockLength)) return false;
        m_endCursor = m_blockStart;
    }
    *m_endCursor++ = value;
    return true;
}

bool CWaveFile::PutSampleSlow(int32_t value) {
    std::atomic<bool>& cancel = *m_cancel;
    if (cancel.load(std::memory_order_relaxed)) return true;
    Impl& d = *m_impl;
    if (d.fd < 0) {
        if (!StoreInBlock(Clamp(value))) return false;
        return !cancel.load(std::memory_order_relaxed);
    }
    if (m_outputMode == kOutFile ||
        (m_outputMode == kOutFileAndBlock && (!m_consumer || m_consumer->FileOutputEnabled()))) {
        if (!m_ioEnd && PrepareDirectWrite() != kFileOk) return false;
        if (m_ioNext >= m_ioEnd && !AdvanceDirect()) return false;
        value = Clamp(value);
        *m_ioNext++ = value;
    } else {
        value = Clamp(value);
    }
    if (m_outputMode == kOutFileAndBlock && !StoreInBlock(value)) return false;
    return !cancel.load(std::memory_order_relaxed);
}

// --- format, clipping, dither -------------------------------------------------

void CWaveFile::SetFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    m_format = MakeWaveFormat(tag, channels, rate, bits);
    m_clipMax = 8388607;
    m_clipMin = -8388608;
}

void CWaveFile::SetDither(uint32_t type) {
    Impl& d = *m_impl;
    m_ditherType = type <= 3 ? type : 0;
    d.randState = static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    d.prevR = 0;
    d.w1 = d.w2 = 0;
    // Second-order high-pass that pushes the dither's energy above the band the ear cares most about.
    const double fs = static_cast<double>(m_format.nChannels) * m_format.nSamplesPerSec;
    if (fs <= 0) {
        d.b0 = d.b1 = d.b2 = d.a1 = d.a2 = 0;
        return;
    }
    const double fc = std::min(12000.0, 0.4 * fs);
    const double A = 0.7079478, B = 0.6448996;
    const double K = std::tan(M_PI * fc / fs);
    const double D = 1.0 / (K * K + B * K + A);
    d.b0 = A * D;
    d.b1 = -2 * A * D;
    d.b2 = A * D;
    d.a1 = (2 * K * K - 2 * A) * D;
    d.a2 = (K * K - B * K + A) * D;
}

bool CWaveFile::TakeClippedFlag() {
    const bool clipped = m_clipped;
    m_clipped = false;
    return clipped;
}

uint32_t CWaveFile::AlignToFrame(uint32_t position) const {
    const uint32_t frame = m_format.nBlockAlign;
    return frame == 0 ? position : position - position % frame;
}

// --- files ----------------------------------------------------------------------

int CWaveFile::FileTypeOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kTypeUnknown;
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == "WAV") return kTypeWav;
    if (ext == "MP3") return kTypeMp3;
    if (ext == "WMA") return kTypeWma;
    if (ext == "AIF" || ext == "AIFF") return kTypeAiff;
    return kTypeUnknown;
}

int CWaveFile::FileInfo(const std::string& fileName, WaveFileInfo& info, bool quiet) {
    info = WaveFileInfo{};
    info.typeName = "Unknown";
    int rc = kFileOk;
    switch (FileTypeOf(fileName)) {
        case kTypeMp3:
            rc = CMp3Decoder::GetInfo(fileName, info);
            if (rc == kFileOk) info.typeName = "MP3";
            break;
        case kTypeWav: {
            CRiffReader::Header h;
            rc = CRiffReader::ReadHeader(fileName, h);
            if (rc != kFileOk) break;
            WAVEFORMATEX f;
            if (EditableFormat(h.fmt, f) == kFileOk) {
                info.dataBytes = UsableData(h, f.nBlockAlign);
                const double bytesPerSecond = static_cast<double>(f.nChannels) * BytesPerSampleOf(f) * f.nSamplesPerSec;
                info.duration = bytesPerSecond > 0 ? info.dataBytes / bytesPerSecond : 0.0;
            } else if (h.fmt.size() >= 16 && (f = RawFormat(h.fmt), f.nChannels >= 1 && f.nChannels <= 2)) {
                // Any other coding with one or two channels is described, not opened.
                info.dataBytes = UsableData(h, 0);
                info.duration = f.nAvgBytesPerSec > 0 ? static_cast<double>(info.dataBytes) / f.nAvgBytesPerSec : 0.0;
            } else {
                rc = kErrFormat;
                break;
            }
            info.formatTag = f.wFormatTag;
            info.channels = f.nChannels;
            info.rate = f.nSamplesPerSec;
            info.blockAlign = f.nBlockAlign;
            info.bits = f.wBitsPerSample;
            info.typeName = TagName(f.wFormatTag);
            break;
        }
        case kTypeWma:
        case kTypeAiff:
            rc = kErrTypeUnsupported;
            break;
        default:
            rc = kErrBadType;
            break;
    }
    if (rc != kFileOk) {
        info.typeName = "Unknown";
        if (!quiet) ReportFileError(rc, fileName);
    }
    return rc;
}

int CWaveFile::ReportFileError(int code, const std::string* fileName) {
    if (code == kFileOk) return code;
    ShowMessage(MessageIdOf(code), MsgIcon::Stop, MsgButtons::Ok, fileName ? *fileName : std::string());
    return code;
}

int CWaveFile::RenameFile(const std::string& source, const std::string& destination) {
    int err = 0;
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) return 0;
    err = errno;
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
        err = CopyNew(source, destination);
        if (err == 0) {
            if (::unlink(source.c_str()) == 0) return 0;
            err = errno;
            ::unlink(destination.c_str());  // a move leaves one file, not two
        }
    }
    Services().MessageBox(std::strerror(err), kRenameCaption, MsgIcon::Information, MsgButtons::Ok);
    return 1;
}

int CWaveFile::ConvertToPcm(const std::string& source, std::string& destination) {
    return CPcmConverter::Convert(*this, source, destination);
}
