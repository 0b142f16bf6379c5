#include "audiofile/SessionStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "audiofile/PeakFile.h"
#include "audiofile/RiffReader.h"

namespace {

using Segment = CSessionStream::Segment;

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

CSessionStream::~CSessionStream() {
    CloseFiles();
}

// ---------------------------------------------------------------------------
// The segment list

bool CSessionStream::StepFits(const CQueEdit& step, uint64_t length, uint64_t& after) {
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

uint64_t CSessionStream::StepSpan(const CQueEdit& step) {
    switch (step.type) {
        case kStepResize:
            return static_cast<uint64_t>(step.newEnd) - step.start;
        default:
            return static_cast<uint64_t>(step.end) - step.start;
    }
}

bool CSessionStream::BuildSegments(const std::vector<CQueEdit>& steps, size_t count, std::vector<Segment>& segments,
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

void CSessionStream::Rebuild(const std::vector<CQueEdit>& steps, size_t count, const WAVEFORMATEX& fmt) {
    CloseFiles();
    m_format = fmt;
    BuildSegments(steps, count, m_segments, m_length);
    m_segment = 0;
    m_cursor = std::min<uint64_t>(m_cursor, m_length);
    m_peakSegment = 0;
    m_peakPos = 0;
}

void CSessionStream::Clear() {
    CloseFiles();
    m_segments.clear();
    m_length = 0;
    m_segment = 0;
    m_cursor = 0;
    m_peakSegment = 0;
    m_peakPos = 0;
}

// ---------------------------------------------------------------------------
// Reading

void CSessionStream::CloseFiles() {
    for (Segment& s : m_segments) {
        if (s.fd >= 0) ::close(s.fd);
        s.fd = -1;
    }
}

bool CSessionStream::OpenSegment(Segment& s) {
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

size_t CSessionStream::SegmentAt(uint64_t position) const {
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

int64_t CSessionStream::Read(void* buffer, int64_t byteCount) {
    if (!buffer || byteCount <= 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < byteCount && m_cursor < m_length) {
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

int64_t CSessionStream::Seek(int64_t offset, int origin) {
    int64_t target;
    switch (origin) {
        case 0:
            target = offset;
            break;
        case 1:
            target = static_cast<int64_t>(m_cursor) + offset;
            break;
        case 2:
            target = static_cast<int64_t>(m_length) - offset;
            break;
        default:
            return 0;
    }
    target = std::clamp<int64_t>(target, 0, m_length);
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

uint32_t CSessionStream::MappedPeakStart(size_t segment) const {
    uint64_t x = segment < m_segments.size() ? m_segments[segment].start : m_length;
    return CPeakFile::PeakOffset(x, m_format) / 4 * 4;
}

uint32_t CSessionStream::ReadPeaksAt(uint64_t& peakPos, size_t& segment, uint16_t* values, uint32_t count) const {
    uint32_t n = 0;
    while (n < count && segment < m_segments.size()) {
        const uint32_t begin = MappedPeakStart(segment);
        const uint32_t end = MappedPeakStart(segment + 1);
        if (peakPos >= end || end <= begin) {
            ++segment;
            continue;
        }
        const Segment& s = m_segments[segment];
        const uint64_t from = CPeakFile::PeakOffset(s.offset, m_format);
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

bool CSessionStream::SeekPeaks(uint32_t x) {
    m_peakPos = CPeakFile::PeakOffset(x, m_format);
    m_peakSegment = 0;
    while (m_peakSegment < m_segments.size() && MappedPeakStart(m_peakSegment + 1) <= m_peakPos) ++m_peakSegment;
    return m_peakSegment < m_segments.size();
}

uint32_t CSessionStream::ReadPeaks(uint16_t* values, uint32_t count) {
    if (!values) return 0;
    return ReadPeaksAt(m_peakPos, m_peakSegment, values, count);
}

uint32_t CSessionStream::Peak(uint32_t a, uint32_t b) const {
    const uint64_t unit = static_cast<uint64_t>(CPeakFile::kSamplesPerPeak) * BytesPerSampleOf(m_format);
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
