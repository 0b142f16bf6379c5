// Hostile bytes as a peak file (and as the wave it belongs to): reading the
// dividers and loading a step's peak data must fail cleanly or give data of
// the promised size, never crash, hang or read out of bounds.
//
// Input: byte 0 picks the mode, bytes 1..16 the step and format, the rest is
// the peak file (modes 0, 1) or the wave (mode 2).
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/QueEdit.h"
#include "audiofile/WaveFile.h"

namespace {

// A folder of this process, removed at exit (the name outlives every static destructor).
const std::string& Folder() {
    static const std::string* dir = [] {
        auto* d = new std::string(
            (std::filesystem::temp_directory_path() / ("fuzz_peak." + std::to_string(::getpid()))).string());
        std::filesystem::create_directories(*d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return d;
    }();
    return *dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

uint32_t U32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 17) return 0;
    const int mode = data[0] % 3;
    const std::string wave = Folder() + "/song.wav";
    const std::string peak = PeakFileName(wave);
    const uint8_t* body = data + 17;
    const size_t bodySize = size - 17;

    if (mode == 2) {
        // The wave itself is hostile; the builder reads what it can.
        WriteFile(wave, body, bodySize);
        std::filesystem::remove(peak);
        CWaveFile file;
        if (file.OpenRead(wave) == 0) {
            PeakResults r;
            const uint32_t first = U32(data + 1) % 65536, last = U32(data + 5) % 65536;
            if (CPeakFile::BuildPeakFile(file, first, data[9] & 1 ? last : 0, nullptr, 0, r) == 0) {
                if (r.maxPeak > 8388608) std::abort();
                DividerBlock b;
                uint32_t count = 0;
                if (!CPeakFile::ReadDividers(wave, b, count) || count != 0) std::abort();
            }
        }
        return 0;
    }

    // A wave older than its peak file, so the peak file counts as current.
    WriteFile(wave, nullptr, 0);
    WriteFile(peak, body, bodySize);
    std::filesystem::last_write_time(peak, std::filesystem::last_write_time(wave) + std::chrono::seconds(5));

    DividerBlock block;
    uint32_t count = 0;
    if (CPeakFile::ReadDividers(wave, block, count) && count > kMaxDividers) std::abort();

    WAVEFORMATEX fmt = MakeWaveFormat(1, 1 + (data[1] & 1), 44100, static_cast<uint16_t>(8 * (1 + (data[1] >> 1) % 4)));
    if (data[2] & 1) fmt.nBlockAlign = data[3];  // formats as odd as a session file may hold
    CQueEdit step;
    step.fileName = wave;
    step.type = mode == 0 ? kStepFilter : kStepCut;
    step.start = U32(data + 4);
    step.newEnd = step.end = U32(data + 8);
    step.sourceOffset = U32(data + 12);
    if (CPeakFile::LoadStepPeaks(step, fmt) && step.type != kStepCut) {
        const int64_t expected = int64_t{CPeakFile::PeakOffset(step.sourceOffset, fmt)} -
                                 CPeakFile::PeakOffset(step.start, fmt) + CPeakFile::PeakOffset(step.newEnd, fmt);
        if (!step.peaks || static_cast<int64_t>(step.peaks->size()) != expected) std::abort();
        if (step.dividerCount > kMaxDividers) std::abort();
    }
    return 0;
}
