#include "audiofile/EditQueue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <thread>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/RiffReader.h"
#include "audiofile/SessionArchive.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

// Message numbers of the commit's failure texts and peak-build title.

// Bytes the commit copies between two starts of write-back.
constexpr uint64_t kFlushBytes = 8 << 20;

// A session file larger than this is damage, not a session.
constexpr off_t kMaxSessionFileBytes = 64 << 20;

// 16-bit PCM, by far the most common format, has its peak values computed from the bytes as the
// commit copies them, so the new wave is never read back; other formats are built from the
// written wave through its sample conversion.
bool PeaksWhileCopying(const WAVEFORMATEX& fmt) {
    return fmt.wFormatTag == kWaveFormatPcm && BytesPerSampleOf(fmt) == 2 &&
           (fmt.nChannels == 1 || fmt.nChannels == 2) && fmt.nBlockAlign == 2 * fmt.nChannels &&
           std::endian::native == std::endian::little;
}

void ShowText(MsgId id, std::initializer_list<std::string> values) { ShowMessage(id, MsgIcon::Stop, MsgButtons::Ok, values); }

bool SyncFolderOf(const std::string& path) {
    return SyncPath(FolderOf(path), true);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies source to a new file destination (which must not exist), synced, with the source's times.
bool CopyExclusive(const std::string& source, const std::string& destination) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    int out = ::fstat(in, &st) == 0
                  ? ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777)
                  : -1;
    if (out < 0) {
        int saved = errno;
        ::close(in);
        errno = saved;
        return false;
    }
    std::vector<uint8_t> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    int saved = errno;
    if (ok) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        ok = ::fsync(out) == 0;
        saved = errno;
    }
    ::close(in);
    ::close(out);
    if (!ok) ::unlink(destination.c_str());
    errno = saved;
    return ok;
}

// A second name for source's contents: a hard link, or a copy where links are not possible.
bool LinkOrCopy(const std::string& source, const std::string& destination) {
    if (::link(source.c_str(), destination.c_str()) == 0) return true;
    switch (errno) {
        case EXDEV:
        case EPERM:
        case EMLINK:
        case ENOSYS:
        case EOPNOTSUPP:
            return CopyExclusive(source, destination);
        default:
            return false;
    }
}

// Moves source over destination in one step; across file systems through a synced copy in the
// destination's folder that is then renamed over it.
bool MoveReplacing(const std::string& source, const std::string& destination) {
    if (::rename(source.c_str(), destination.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    std::string scratch = NumberedVariant(destination, 1000);
    if (!CopyExclusive(source, scratch)) return false;
    if (::rename(scratch.c_str(), destination.c_str()) != 0) {
        int saved = errno;
        ::unlink(scratch.c_str());
        errno = saved;
        return false;
    }
    ::unlink(source.c_str());
    return true;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

// True for the files a session makes for itself: temporary waves ("dctmp<N>.wav") and numbered
// variants of the song in its folder. Only these are deleted with the session, so that a session
// file naming other files can never make us delete them.
bool IsSessionOwnFile(const std::string& file, const std::string& songPath) {
    const std::string name = file.substr(file.find_last_of('/') + 1);
    auto digitsThen = [](const std::string& s, size_t from, const std::string& tail) {
        size_t i = from;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        return i > from && s.compare(i, std::string::npos, tail) == 0;
    };
    if (name.rfind("dctmp", 0) == 0 && digitsThen(name, 5, ".wav")) return true;

    if (FolderOf(file) != FolderOf(songPath)) return false;
    const std::string song = songPath.substr(songPath.find_last_of('/') + 1);
    size_t dot = song.find_last_of('.');
    if (dot == 0 || dot == std::string::npos) dot = song.size();
    std::string base = song.substr(0, std::min(dot, kMaxBaseNameChars));
    while (!base.empty() && base.back() >= '0' && base.back() <= '9') base.pop_back();
    const std::string ext = song.substr(dot);
    return name.compare(0, base.size(), base) == 0 && digitsThen(name, base.size(), ext);
}

// The audio bytes a step file really holds (never more than its header claims), its format and
// the position of its first data byte; false when it is no readable wave.
bool StepFileData(const std::string& path, WAVEFORMATEX* fmt, uint32_t* dataOffset, uint64_t& dataBytes) {
    WaveFileInfo info;
    CRiffReader::Header header;
    if (path.empty() || CWaveFile::FileInfo(path, info, true) != kFileOk ||
        CRiffReader::ReadHeader(path, header) != 0 || header.fmt.size() < 16 || header.dataOffset > UINT32_MAX) {
        return false;
    }
    dataBytes = std::min<uint64_t>(info.dataBytes, header.dataAvailable);
    if (fmt) {
        std::memcpy(static_cast<void*>(fmt), header.fmt.data(), 16);
        fmt->cbSize = 18;
    }
    if (dataOffset) *dataOffset = static_cast<uint32_t>(header.dataOffset);
    return true;
}

// The stream length after a step is applied to a stream of length bytes; false when its range does not fit.
bool StepFits(const CQueEdit& step, uint64_t length, uint64_t& after) {
    const uint64_t a = step.start, b = step.end, e = step.newEnd;
    switch (step.type) {
        case kStepOriginal:
            if (a > b) return false;
            after = b - a;
            return true;
        case kStepCut:
        case kStepFilter:
        case kStepReplace:
            if (a > b || b > length) return false;
            after = step.type == kStepCut ? length - (b - a) : length;
            return true;
        case kStepResize:
            if (a > b || b > length || e < a) return false;
            after = length - b + e;
            break;
        case kStepInsert:
            if (a > b || a > length) return false;
            after = length + (b - a);
            break;
        default:
            return false;
    }
    return after <= UINT32_MAX;
}

// Bytes of a step's file the stream reads: from the source offset on, this many.
uint64_t StepSpan(const CQueEdit& step) {
    switch (step.type) {
        case kStepResize:
            return static_cast<uint64_t>(step.newEnd) - step.start;
        default:
            return static_cast<uint64_t>(step.end) - step.start;
    }
}

using Segment = CEditQueue::Segment;

// Cuts the segment that holds position p strictly inside it in two.
void SplitAt(std::vector<Segment>& segments, uint32_t p) {
    auto it =
        std::upper_bound(segments.begin(), segments.end(), p, [](uint32_t v, const Segment& s) { return v < s.start; });
    if (it == segments.begin()) return;
    --it;
    if (p <= it->start || p >= it->end) return;
    Segment tail = *it;
    tail.start = p;
    tail.offset = it->offset + (p - it->start);
    it->end = p;
    segments.insert(it + 1, std::move(tail));
}

// Replaces the stream bytes [a, b) by the replacement (none: removed); later segments move along.
void ReplaceRange(std::vector<Segment>& segments, uint32_t a, uint32_t b, const Segment* replacement) {
    SplitAt(segments, a);
    SplitAt(segments, b);
    auto first =
        std::lower_bound(segments.begin(), segments.end(), a, [](const Segment& s, uint32_t v) { return s.start < v; });
    auto last = std::lower_bound(first, segments.end(), b, [](const Segment& s, uint32_t v) { return s.start < v; });
    first = segments.erase(first, last);
    const uint32_t newLength = replacement ? replacement->end - replacement->start : 0;
    for (auto it = first; it != segments.end(); ++it) {
        it->start = it->start - b + a + newLength;
        it->end = it->end - b + a + newLength;
    }
    if (newLength > 0) segments.insert(first, *replacement);
}

Segment SegmentOf(const CQueEdit& step, uint32_t start, uint32_t end, uint32_t offset) {
    Segment s;
    s.fileName = step.fileName;
    s.label = step.label;
    s.start = start;
    s.end = end;
    s.offset = offset;
    s.dataOffset = step.dataOffset;
    s.peaks = step.peaks;
    return s;
}

}  // namespace

CEditQueue::~CEditQueue() {
    CloseSegments();
}

// ---------------------------------------------------------------------------
// The segment list

bool CEditQueue::BuildSegments(const std::vector<CQueEdit>& steps, size_t count, std::vector<Segment>& segments,
                               uint32_t& length) {
    segments.clear();
    length = 0;
    count = std::min(count, steps.size());
    for (size_t i = 0; i < count; ++i) {
        const CQueEdit& step = steps[i];
        uint64_t after = 0;
        if (!StepFits(step, length, after)) return false;
        const uint32_t a = step.start, b = step.end;
        switch (step.type) {
            case kStepOriginal:
                segments.clear();
                if (b > a) segments.push_back(SegmentOf(step, 0, b - a, step.sourceOffset));
                break;
            case kStepCut:
                ReplaceRange(segments, a, b, nullptr);
                break;
            case kStepFilter:
            case kStepReplace: {
                Segment s = SegmentOf(step, a, b, step.sourceOffset);
                ReplaceRange(segments, a, b, &s);
                break;
            }
            case kStepResize: {
                Segment s = SegmentOf(step, a, step.newEnd, step.sourceOffset);
                ReplaceRange(segments, a, b, &s);
                break;
            }
            case kStepInsert: {
                Segment s = SegmentOf(step, a, b, 0);
                ReplaceRange(segments, a, a, &s);
                break;
            }
        }
        length = static_cast<uint32_t>(after);
    }
    return true;
}

int CEditQueue::FirstInvalidStep(const std::vector<CQueEdit>& steps) {
    uint64_t length = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const CQueEdit& step = steps[i];
        uint64_t after = 0;
        if (!StepFits(step, length, after)) return static_cast<int>(i);
        if (step.type != kStepCut) {
            // The stream reads sourceOffset + span bytes of the file; a shorter file cannot serve it.
            uint64_t dataBytes = 0;
            if (!StepFileData(step.fileName, nullptr, nullptr, dataBytes) ||
                dataBytes < (step.type == kStepInsert ? 0 : step.sourceOffset) + StepSpan(step)) {
                return static_cast<int>(i);
            }
        }
        length = after;
    }
    return -1;
}

void CEditQueue::Rebuild() {
    CloseSegments();
    size_t count = m_current < 0 ? 0 : static_cast<size_t>(m_current) + 1;
    BuildSegments(m_steps, count, m_segments, m_streamLength);
    m_segment = 0;
    m_cursor = std::min<uint64_t>(m_cursor, m_streamLength);
    m_peakSegment = 0;
    m_peakPos = 0;
}

// ---------------------------------------------------------------------------
// Opening, saving, discarding

CEditQueue::LoadResult CEditQueue::LoadSessionFile(std::vector<CQueEdit>& steps) const {
    steps.clear();
    int fd = ::open(m_sessionPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LoadResult::Absent;
    struct stat st;
    std::vector<uint8_t> bytes;
    bool ok = ::fstat(fd, &st) == 0 && st.st_size <= kMaxSessionFileBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    if (!ok) return LoadResult::Absent;

    CSessionArchive::Contents contents;
    CSessionArchive::Result r = CSessionArchive::Read(bytes.data(), bytes.size(), contents);
    if (r == CSessionArchive::kNotSession) return LoadResult::Absent;
    steps = std::move(contents.steps);
    return r == CSessionArchive::kOk ? LoadResult::Loaded : LoadResult::Damaged;
}

int CEditQueue::OpenSession(const std::string& songPath, const WAVEFORMATEX& songFormat, uint32_t dataSize) {
    ClearMemory();
    m_songPath = songPath;
    m_sessionPath = SessionFileName(songPath);
    m_format = songFormat;

    std::vector<CQueEdit> steps;
    LoadResult loaded = LoadSessionFile(steps);
    if (loaded != LoadResult::Absent) {
        int bad = FirstInvalidStep(steps);
        if (loaded == LoadResult::Damaged && bad < 0) bad = static_cast<int>(steps.size());
        if (bad >= 0) {
            bool recovered = false;
            if (ShowMessage(kMsgSessionCorrupt, MsgIcon::Stop, MsgButtons::YesNoCancel) == MsgAnswer::Yes && bad > 0) {
                // Keep the steps before the first bad one, save them and load them back.
                steps.resize(static_cast<size_t>(bad));
                m_steps = std::move(steps);
                if (SaveSession() && LoadSessionFile(steps) == LoadResult::Loaded && !steps.empty() &&
                    FirstInvalidStep(steps) < 0) {
                    recovered = true;
                }
                m_steps.clear();
            }
            if (!recovered) {
                ::unlink(m_sessionPath.c_str());
                steps.clear();
            }
        }
    }

    if (steps.empty()) {
        CQueEdit song;
        song.type = kStepOriginal;
        song.fileName = songPath;
        song.start = 0;
        song.end = song.newEnd = dataSize;
        song.sourceOffset = 0;
        song.dataOffset = 44;
        song.format = songFormat;
        m_steps.push_back(std::move(song));
        m_current = 0;
        SaveSession();
    } else {
        m_steps = std::move(steps);
    }
    m_current = static_cast<int>(m_steps.size()) - 1;

    for (CQueEdit& step : m_steps) {
        if (step.fileName.empty()) continue;
        if (!CPeakFile::LoadStepPeaks(step, m_format, m_samplesPerPeak)) return -1;
    }
    m_cursor = 0;
    Rebuild();
    m_valid = true;
    return 0;
}

bool CEditQueue::SaveSession() {
    if (m_sessionPath.empty() || m_steps.empty()) return false;
    m_current = static_cast<int>(m_steps.size()) - 1;
    std::vector<uint8_t> bytes;
    if (!CSessionArchive::Write(m_songPath, m_format, m_steps, bytes)) return false;

    // The scratch file sits in the session file's own folder so that the rename that puts it in
    // place is a single atomic step: the session file holds the old or the new list, never neither.
    std::string scratch = FileInTempDir(FolderOf(m_sessionPath), "ZarvoQueXXXXXX");
    int fd = ::mkstemp(scratch.data());
    if (fd < 0) return false;
    ::fchmod(fd, 0644);
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(scratch.c_str(), m_sessionPath.c_str()) == 0;
    if (!ok) {
        ::unlink(scratch.c_str());
        return false;
    }
    SyncFolderOf(m_sessionPath);
    return true;
}

void CEditQueue::ClearMemory() {
    CloseSegments();
    m_segments.clear();
    m_steps.clear();
    m_current = -1;
    m_valid = false;
    m_streamLength = 0;
    m_segment = 0;
    m_cursor = 0;
    m_peakSegment = 0;
    m_peakPos = 0;
    m_sessionPath.clear();
    m_songPath.clear();
}

void CEditQueue::DiscardSession(bool keepFiles) {
    CloseSegments();
    if (!keepFiles) {
        // The session file goes first: a crash part way leaves stray step files, never a session
        // that names files already gone.
        if (!m_sessionPath.empty()) ::unlink(m_sessionPath.c_str());
        for (const CQueEdit& step : m_steps) {
            if (step.fileName.empty() || step.fileName == m_songPath) continue;
            if (!IsSessionOwnFile(step.fileName, m_songPath)) continue;
            ::unlink(step.fileName.c_str());
            ::unlink(PeakFileName(step.fileName).c_str());
        }
    }
    ClearMemory();
}

void CEditQueue::RenameSong(const std::string& newPath) {
    RenameSongSteps(newPath);
}

bool CEditQueue::RenameSongSteps(const std::string& newPath) {
    if (m_steps.empty() || m_steps.front().fileName != m_songPath) return true;
    for (CQueEdit& step : m_steps) {
        if (step.fileName == m_songPath) step.fileName = newPath;
    }
    Rebuild();
    return SaveSession();
}

// ---------------------------------------------------------------------------
// Adding steps

int CEditQueue::AddStep(CQueEdit step, bool loadPeaks) {
    if (!m_valid || m_current < 0) return -1;
    uint64_t after = 0;
    if (!StepFits(step, m_streamLength, after)) return -1;
    const CQueEdit& current = m_steps[static_cast<size_t>(m_current)];
    step.dividers.CopyForStep(current.dividers, current.dividerCount);
    step.dividerCount = std::min<uint32_t>(current.dividerCount, kMaxDividers);
    if (loadPeaks && !CPeakFile::LoadStepPeaks(step, m_format, m_samplesPerPeak)) return -1;
    m_steps.push_back(std::move(step));
    m_current = static_cast<int>(m_steps.size()) - 1;
    SaveSession();
    Rebuild();
    return 0;
}

namespace {

// A step reading file: its format and data position from the file's header; false when unusable.
bool DescribeStepFile(CQueEdit& step, uint64_t& dataBytes) {
    WAVEFORMATEX fmt;
    uint32_t dataOffset = 0;
    if (!StepFileData(step.fileName, &fmt, &dataOffset, dataBytes)) return false;
    step.format = fmt;
    step.dataOffset = dataOffset;
    return true;
}

}  // namespace

int CEditQueue::AddFilterStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                              uint32_t sourceOffset) {
    CQueEdit step;
    step.type = kStepFilter;
    step.fileName = file;
    step.label = label;
    step.start = start;
    step.end = step.newEnd = end;
    step.sourceOffset = sourceOffset;
    uint64_t dataBytes = 0;
    if (end < start || !DescribeStepFile(step, dataBytes) ||
        dataBytes < static_cast<uint64_t>(sourceOffset) + (end - start)) {
        return -1;
    }
    return AddStep(std::move(step), true);
}

int CEditQueue::AddResizeStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                              uint32_t sourceOffset) {
    CQueEdit step;
    step.type = kStepResize;
    step.fileName = file;
    step.label = label;
    step.start = start;
    step.end = end;
    step.sourceOffset = sourceOffset;
    uint64_t dataBytes = 0;
    if (!DescribeStepFile(step, dataBytes) || dataBytes < sourceOffset) return -1;
    // The new end is start + the file's data size: the whole file replaces the range.
    const uint64_t newEnd = static_cast<uint64_t>(start) + dataBytes;
    if (newEnd > UINT32_MAX) return -1;
    step.newEnd = static_cast<uint32_t>(newEnd);
    if (dataBytes < sourceOffset + StepSpan(step)) return -1;
    return AddStep(std::move(step), true);
}

int CEditQueue::AddReplaceStep(const std::string& file, uint32_t start, uint32_t end) {
    const uint32_t align = m_format.nBlockAlign ? m_format.nBlockAlign : 1;
    CQueEdit step;
    step.type = kStepReplace;
    step.fileName = file;
    step.start = start / align * align;
    step.end = step.newEnd = end / align * align;
    step.sourceOffset = 0;
    uint64_t dataBytes = 0;
    if (step.end < step.start || !DescribeStepFile(step, dataBytes) || dataBytes < step.end - step.start) return -1;
    return AddStep(std::move(step), true);
}

int CEditQueue::AddCutStep(uint32_t start, uint32_t end) {
    if (!m_valid || m_current < 0 || end < start || end > m_streamLength) return -1;
    CQueEdit step;
    step.type = kStepCut;
    step.start = start;
    step.end = step.newEnd = end;
    step.sourceOffset = start;
    step.format = m_format;
    step.dividers.CopyForStep(m_steps[static_cast<size_t>(m_current)].dividers,
                              m_steps[static_cast<size_t>(m_current)].dividerCount);
    step.dividerCount = std::min<uint32_t>(m_steps[static_cast<size_t>(m_current)].dividerCount, kMaxDividers);

    // The placeholder: an empty wave whose peak file carries the dividers in force after the cut.
    std::error_code ec;
    std::string dir = m_tempPath.empty() ? std::filesystem::temp_directory_path(ec).string() : m_tempPath;
    if (dir.empty()) dir = "/tmp";
    step.fileName = TempWaveName(dir);
    {
        CWaveFile placeholder;
        WAVEFORMATEX fmt = m_format;
        if (placeholder.OpenWrite(step.fileName, fmt, kWriteCreate) != kFileOk) return -1;
        placeholder.FinishWrite();
        placeholder.Close();
        PeakResults results;
        if (placeholder.OpenRead(step.fileName) != kFileOk ||
            CPeakFile::BuildPeakFile(placeholder, 0, 0, &step.dividers, step.dividerCount, results) != 0) {
            placeholder.Close();
            ::unlink(step.fileName.c_str());
            ::unlink(PeakFileName(step.fileName).c_str());
            return -1;
        }
        placeholder.Close();
    }
    std::string file = step.fileName;
    if (AddStep(std::move(step), false) != 0) {
        ::unlink(file.c_str());
        ::unlink(PeakFileName(file).c_str());
        return -1;
    }
    return m_current;
}

// ---------------------------------------------------------------------------
// Dividers

void CEditQueue::GetDividers(DividerBlock& block, uint32_t& count) const {
    if (m_current < 0 || static_cast<size_t>(m_current) >= m_steps.size()) {
        block = DividerBlock{};
        count = 0;
        return;
    }
    const CQueEdit& step = m_steps[static_cast<size_t>(m_current)];
    block = step.dividers;
    count = std::min<uint32_t>(step.dividerCount, kMaxDividers);
}

void CEditQueue::SetDividers(const DividerBlock& block, uint32_t count) {
    if (m_current < 0 || static_cast<size_t>(m_current) >= m_steps.size()) return;
    CQueEdit& step = m_steps[static_cast<size_t>(m_current)];
    step.dividers = block;
    step.dividerCount = std::min<uint32_t>(count, kMaxDividers);
    // The step file's peak file is where a step's dividers live between runs.
    if (!step.fileName.empty()) CPeakFile::WriteDividers(step.fileName, step.dividers, step.dividerCount);
}

// ---------------------------------------------------------------------------
// The stream

void CEditQueue::CloseSegments() {
    for (Segment& s : m_segments) {
        if (s.fd >= 0) ::close(s.fd);
        s.fd = -1;
    }
}

bool CEditQueue::OpenSegment(Segment& s) {
    if (s.fd >= 0) return true;
    int fd = ::open(s.fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    CRiffReader::Header header;
    if (CRiffReader::ReadHeader(fd, header) != 0 || header.dataOffset > UINT32_MAX) {
        ::close(fd);
        return false;
    }
    s.dataOffset = static_cast<uint32_t>(header.dataOffset);
    s.fd = fd;
    return true;
}

size_t CEditQueue::SegmentAt(uint64_t position) const {
    if (m_segment < m_segments.size() && m_segments[m_segment].start <= position &&
        position < m_segments[m_segment].end) {
        return m_segment;
    }
    auto it = std::upper_bound(m_segments.begin(), m_segments.end(), position,
                               [](uint64_t v, const Segment& s) { return v < s.start; });
    if (it == m_segments.begin()) return m_segments.size();
    --it;
    return position < it->end ? static_cast<size_t>(it - m_segments.begin()) : m_segments.size();
}

int64_t CEditQueue::ReadStream(void* buffer, int64_t byteCount) {
    if (!m_valid || !buffer || byteCount <= 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < byteCount && m_cursor < m_streamLength) {
        size_t i = SegmentAt(m_cursor);
        if (i >= m_segments.size()) return 0;
        m_segment = i;
        Segment& s = m_segments[i];
        if (!OpenSegment(s)) return 0;
        const uint64_t want = std::min<uint64_t>(static_cast<uint64_t>(byteCount - done), s.end - m_cursor);
        const uint64_t at = static_cast<uint64_t>(s.dataOffset) + s.offset + (m_cursor - s.start);
        ssize_t n;
        do {
            n = ::pread(s.fd, out + done, static_cast<size_t>(want), static_cast<off_t>(at));
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return 0;
        done += n;
        m_cursor += static_cast<uint64_t>(n);
        if (m_cursor >= s.end) {
            ::close(s.fd);
            s.fd = -1;
            ++m_segment;
        }
    }
    return done;
}

int64_t CEditQueue::SeekStream(int64_t offset, int origin) {
    if (!m_valid) return 0;
    int64_t target;
    switch (origin) {
        case 0:
            target = offset;
            break;
        case 1:
            target = static_cast<int64_t>(m_cursor) + offset;
            break;
        case 2:
            target = static_cast<int64_t>(m_streamLength) - offset;
            break;
        default:
            return 0;
    }
    target = std::clamp<int64_t>(target, 0, m_streamLength);
    m_cursor = static_cast<uint64_t>(target);
    size_t i = SegmentAt(m_cursor);
    for (size_t k = 0; k < m_segments.size(); ++k) {
        if (k != i && m_segments[k].fd >= 0) {
            ::close(m_segments[k].fd);
            m_segments[k].fd = -1;
        }
    }
    if (i < m_segments.size()) {
        m_segment = i;
        if (!OpenSegment(m_segments[i])) return 0;
    }
    return target;
}

// ---------------------------------------------------------------------------
// Peaks

uint32_t CEditQueue::MappedPeakStart(size_t segment) const {
    uint64_t x = segment < m_segments.size() ? m_segments[segment].start : m_streamLength;
    return CPeakFile::PeakOffset(x, m_format, m_samplesPerPeak) / 4 * 4;
}

uint32_t CEditQueue::ReadPeaksAt(uint64_t& peakPos, size_t& segment, uint16_t* values, uint32_t count) const {
    uint32_t n = 0;
    while (n < count && segment < m_segments.size()) {
        const uint32_t begin = MappedPeakStart(segment);
        const uint32_t end = MappedPeakStart(segment + 1);
        if (peakPos >= end || end <= begin) {
            ++segment;
            continue;
        }
        const Segment& s = m_segments[segment];
        const uint64_t from = CPeakFile::PeakOffset(s.offset, m_format, m_samplesPerPeak);
        const std::vector<uint8_t>* peaks = s.peaks.get();
        while (n < count && peakPos < end) {
            const uint64_t at = from + (peakPos - std::min<uint64_t>(peakPos, begin));
            values[n++] =
                peaks && at + 1 < peaks->size() ? static_cast<uint16_t>((*peaks)[at] | (*peaks)[at + 1] << 8) : 0;
            peakPos += 2;
        }
    }
    return n;
}

bool CEditQueue::SeekPeaks(uint32_t x) {
    m_peakPos = CPeakFile::PeakOffset(x, m_format, m_samplesPerPeak);
    m_peakSegment = 0;
    while (m_peakSegment < m_segments.size() && MappedPeakStart(m_peakSegment + 1) <= m_peakPos) ++m_peakSegment;
    return m_peakSegment < m_segments.size();
}

uint32_t CEditQueue::ReadPeaks(uint16_t* values, uint32_t count) {
    if (!values) return 0;
    return ReadPeaksAt(m_peakPos, m_peakSegment, values, count);
}

uint32_t CEditQueue::StreamPeak(uint32_t a, uint32_t b) const {
    const uint64_t unit = static_cast<uint64_t>(m_samplesPerPeak) * BytesPerSampleOf(m_format);
    if (b <= a || unit == 0) return 0;
    uint64_t remaining = (b - a) / unit;
    uint64_t pos = a / unit * 2;
    size_t segment = 0;
    while (segment < m_segments.size() && MappedPeakStart(segment + 1) <= pos) ++segment;
    uint32_t peak = 0;
    uint16_t chunk[4096];
    while (remaining > 0) {
        uint32_t n = ReadPeaksAt(pos, segment, chunk, static_cast<uint32_t>(std::min<uint64_t>(remaining, 4096)));
        if (n == 0) break;
        for (uint32_t i = 0; i < n; ++i) peak = std::max<uint32_t>(peak, chunk[i]);
        remaining -= n;
    }
    return peak << 8;
}

// ---------------------------------------------------------------------------
// Committing

int CEditQueue::CopyStreamTo(const std::string& scratch) {
    CWaveFile out;
    WAVEFORMATEX fmt = m_format;
    if (out.OpenWrite(scratch, fmt, kWriteUnbuffered) != kFileOk) {
        CWaveFile::ReportFileError(kErrCannotWrite, scratch);
        return -1;
    }
    IServices& ui = Services();
    const bool scan = PeaksWhileCopying(m_format);
    const size_t frameBytes = scan ? 2u * m_format.nChannels : 1;
    CPeakFile::Scanner scanner(m_format.nChannels, CPeakFile::kSamplesPerPeak, false);  // no RMS wanted
    std::vector<uint16_t> peaks;
    // Room behind the block for the bytes of a frame split between two reads.
    std::vector<int16_t> samples((kCommitBlockBytes + frameBytes) / 2 + 1);
    auto* const block = reinterpret_cast<uint8_t*>(samples.data());
    size_t carried = 0;
    // Writing back to the disk starts while the copy goes on, so the closing sync waits for little.
    int flushFd = ::open(scratch.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t flushedUpTo = 0;
    uint64_t written = 0;
    bool failed = false;
    bool cancelled = false;
    auto lastUpdate = std::chrono::steady_clock::now();
    SeekStream(0, 0);
    while (written < m_streamLength) {
        const int64_t want = static_cast<int64_t>(std::min<uint64_t>(kCommitBlockBytes, m_streamLength - written));
        const int64_t got = ReadStream(block + carried, want);
        if (got <= 0) {
            CWaveFile::ReportFileError(kErrRead, m_songPath);
            failed = true;
            break;
        }
        const int64_t put = out.Write(block + carried, got);
        if (put != got) {
            ShowText(kMsgShortWrite, {scratch, std::to_string(std::max<int64_t>(put, 0)), std::to_string(got)});
            failed = true;
            break;
        }
        written += static_cast<uint64_t>(got);
        if (scan) {
            const size_t have = carried + static_cast<size_t>(got);
            const size_t whole = have - have % frameBytes;
            scanner.Add16(samples.data(), whole / 2, peaks);
            carried = have - whole;
            std::memmove(block, block + whole, carried);
        }
        if (flushFd >= 0 && written - flushedUpTo >= kFlushBytes) {
            ::sync_file_range(flushFd, 0, 0, SYNC_FILE_RANGE_WRITE);
            flushedUpTo = written;
        }
        auto now = std::chrono::steady_clock::now();
        if (now - lastUpdate >= std::chrono::milliseconds(kProgressIntervalMs)) {
            lastUpdate = now;
            ui.ProgressSetPos(static_cast<int>(written * 100 / std::max<uint32_t>(m_streamLength, 1)));
            ui.PumpMessages();
            if (CancelFlag().load()) {
                cancelled = true;
                break;
            }
        }
    }
    if (CancelFlag().load()) cancelled = true;
    if (!failed && !cancelled && out.FinishWrite() != 0) {
        CWaveFile::ReportFileError(kErrCannotWrite, scratch);
        failed = true;
    }
    out.Close();
    if (flushFd >= 0) ::close(flushFd);
    CloseSegments();
    if (!failed && !cancelled && scan) {
        // The new wave's peak file carries the dividers in force now.
        ui.ProgressSetText(LoadString(kMsgCreatingPeakFile));
        DividerBlock dividers;
        uint32_t count = 0;
        GetDividers(dividers, count);
        scanner.Finish(peaks);
        if (CPeakFile::WritePeakFile(scratch, peaks, &dividers, count) != 0) {
            ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
            ::unlink(PeakFileName(scratch).c_str());
            failed = true;
        }
    }
    if (failed || cancelled) {
        ::unlink(scratch.c_str());
        return cancelled ? 1 : -1;
    }
    return 0;
}

bool CEditQueue::InstallOverSong(const std::string& scratch) {
    IServices& ui = Services();
    const std::string song = m_songPath;
    const std::string backup = NumberedVariant(song, 1);
    const std::string songPeaks = PeakFileName(song);
    const std::string backupPeaks = PeakFileName(backup);

    // When no step reads the song's own file any more (a session committed before), its old audio
    // needs no backup: the scratch wave simply replaces it.
    const bool songInUse =
        std::any_of(m_steps.begin(), m_steps.end(), [&](const CQueEdit& step) { return step.fileName == song; });
    if (!songInUse) return ReplaceSongBy(scratch);

    // The old audio gets its backup name first while keeping the song's name, so the song's path
    // holds the old or the new audio at every instant.
    if (!LinkOrCopy(song, backup)) {
        int err = errno;
        ShowText(kMsgBackupSong, {std::to_string(err), song, backup, std::strerror(err)});
        return false;
    }
    if (PathExists(songPeaks) && !LinkOrCopy(songPeaks, backupPeaks)) {
        int err = errno;
        ShowText(kMsgRenameOther, {songPeaks, backupPeaks, std::strerror(err)});
        ::unlink(backup.c_str());
        return false;
    }
    SyncFolderOf(backup);
    ui.PumpMessages();

    // The steps that read the song's old audio read the backup from now on. This is saved before
    // the song is replaced, so that a session found after a crash never applies its steps to the
    // new audio.
    if (!RenameSongSteps(backup)) {
        RenameSongSteps(song);
        ::unlink(backup.c_str());
        ::unlink(backupPeaks.c_str());
        CWaveFile::ReportFileError(kErrCannotWrite, m_sessionPath);
        return false;
    }

    return ReplaceSongBy(scratch);
}

bool CEditQueue::ReplaceSongBy(const std::string& scratch) {
    const std::string& song = m_songPath;
    const std::string songPeaks = PeakFileName(song);
    const std::string scratchPeaks = PeakFileName(scratch);
    if (::rename(scratch.c_str(), song.c_str()) != 0) {
        int err = errno;
        ShowText(kMsgRenameScratch, {scratch, song, std::strerror(err)});
        return false;
    }
    Services().PumpMessages();
    // The wave first, then its peak file: a peak file older than its wave is rebuilt before use.
    if (::rename(scratchPeaks.c_str(), songPeaks.c_str()) != 0) {
        int err = errno;
        ShowText(kMsgRenameOther, {scratchPeaks, songPeaks, std::strerror(err)});
        SyncFolderOf(song);
        return false;
    }
    SyncFolderOf(song);
    return true;
}

bool CEditQueue::InstallAtTarget(const std::string& scratch, const std::string& target) {
    const std::string targetPeaks = PeakFileName(target);
    const std::string scratchPeaks = PeakFileName(scratch);
    // Moving over the target replaces its old contents in one step (no moment without a file).
    if (!MoveReplacing(scratch, target)) {
        int err = errno;
        ShowText(kMsgRenameScratch, {scratch, target, std::strerror(err)});
        return false;
    }
    Services().PumpMessages();
    if (!MoveReplacing(scratchPeaks, targetPeaks)) {
        int err = errno;
        ShowText(kMsgRenameOther, {scratchPeaks, targetPeaks, std::strerror(err)});
        SyncFolderOf(target);
        return false;
    }
    SyncFolderOf(target);
    return true;
}

bool CEditQueue::CommitSession(const std::string& target) {
    if (!m_valid || target.empty()) return false;
    IServices& ui = Services();
    const bool ownProgress = !ui.ProgressIsOpen();
    const std::string title = FormatString(kMsgSaving, target);
    if (ownProgress) {
        ui.ProgressOpen(0, 100, title);
    } else {
        ui.ProgressSetText(title);
    }
    auto finish = [&](bool result) {
        if (ownProgress) ui.ProgressClose();
        return result;
    };

    const std::string scratch = NumberedVariant(m_songPath, 1000);
    if (CopyStreamTo(scratch) != 0) return finish(false);

    const std::string scratchPeaks = PeakFileName(scratch);
    // The new audio must be on the disk before any name points at it; the disk finishes writing
    // it while the peaks are computed (when the copy has not done that already).
    bool audioSynced = false;
    std::thread syncer;
    try {
        syncer = std::thread([&scratch, &audioSynced] { audioSynced = SyncPath(scratch); });
    } catch (...) {
        audioSynced = SyncPath(scratch);  // no thread to spare: sync first, then build
    }
    int rc = 0;
    if (!PeaksWhileCopying(m_format)) {
        // The new wave's peak file carries the dividers in force now.
        ui.ProgressSetText(LoadString(kMsgCreatingPeakFile));
        DividerBlock dividers;
        uint32_t count = 0;
        GetDividers(dividers, count);
        PeakResults results;
        CWaveFile wave;
        rc = wave.OpenRead(scratch);
        if (rc == kFileOk) rc = CPeakFile::BuildPeakFile(wave, 0, 0, &dividers, count, results);
        wave.Close();
    }
    const bool peaksSynced = rc == 0 && SyncPath(scratchPeaks);
    if (syncer.joinable()) syncer.join();
    if (!audioSynced || !peaksSynced) {
        // Without its peak file the new song would lose its dividers: keep the song as it is.
        if (audioSynced) {
            ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
        } else {
            CWaveFile::ReportFileError(kErrCannotWrite, scratch);
        }
        ::unlink(scratch.c_str());
        ::unlink(scratchPeaks.c_str());
        return finish(false);
    }

    bool ok = SamePath(target, m_songPath) ? InstallOverSong(scratch) : InstallAtTarget(scratch, target);
    return finish(ok);
}
