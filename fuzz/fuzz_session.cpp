// Hostile bytes as a session file: the reader must fail cleanly or return
// steps that write back to a file it reads identically; the segment rebuild
// over whatever steps came out must keep its list contiguous.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audiofile/EditQueue.h"
#include "audiofile/SessionArchive.h"

namespace {

bool SameStep(const CQueEdit& a, const CQueEdit& b) {
    return a.fileName == b.fileName && a.label == b.label && a.start == b.start && a.end == b.end &&
           a.newEnd == b.newEnd && a.sourceOffset == b.sourceOffset && a.dataOffset == b.dataOffset &&
           a.type == b.type && a.format.nChannels == b.format.nChannels && a.format.cbSize == b.format.cbSize &&
           a.format.nSamplesPerSec == b.format.nSamplesPerSec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CSessionArchive::Contents contents;
    if (CSessionArchive::Read(data, size, contents) == CSessionArchive::kNotSession) return 0;

    std::vector<uint8_t> written;
    if (!CSessionArchive::Write(contents.songPath, contents.format, contents.steps, written)) std::abort();
    CSessionArchive::Contents again;
    if (CSessionArchive::Read(written.data(), written.size(), again) != CSessionArchive::kOk) std::abort();
    if (again.songPath != contents.songPath || again.steps.size() != contents.steps.size()) std::abort();
    for (size_t i = 0; i < again.steps.size(); ++i) {
        if (!SameStep(again.steps[i], contents.steps[i])) std::abort();
    }

    std::vector<CEditQueue::Segment> segments;
    uint32_t length = 0;
    CEditQueue::BuildSegments(contents.steps, contents.steps.size(), segments, length);
    uint32_t at = 0;
    for (const auto& s : segments) {
        if (s.start != at || s.end <= s.start) std::abort();
        at = s.end;
    }
    if (!segments.empty() && at != length) std::abort();
    return 0;
}
