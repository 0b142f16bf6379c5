#include "audiofile/PeakFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "audiofile/FileNames.h"
#include "audiofile/PeakBuilder.h"
#include "audiofile/QueEdit.h"
#include "audiofile/WaveFile.h"

const uint8_t CPeakFile::kIdentifier[16] = {0x42, 0x1F, 0x07, 0xF6, 0x0A, 0x32, 0xD3, 0x11,
                                            0xB0, 0x64, 0x82, 0xD9, 0x1B, 0xE8, 0xD7, 0x4D};

namespace {

// Only the first eight identifier bytes are compared, as older readers did.
constexpr size_t kIdentifierCheckBytes = 8;

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

CPeakFile::HeaderStatus ReadHeaderOf(const std::string& path, DividerBlock& block, uint32_t& count) {
    CPeakFile::FilePtr f(std::fopen(path.c_str(), "rb"));
    return CPeakFile::ReadHeader(f.get(), block, count);
}

}  // namespace

// --- the file's head --------------------------------------------------------------

CPeakFile::HeaderStatus CPeakFile::ReadHeader(std::FILE* f, DividerBlock& block, uint32_t& count) {
    if (!f) return HeaderStatus::kMissing;
    uint8_t id[16];
    size_t got = std::fread(id, 1, sizeof id, f);
    if (got >= kIdentifierCheckBytes && std::memcmp(id, kIdentifier, kIdentifierCheckBytes) != 0)
        return HeaderStatus::kOtherFormat;
    if (got < sizeof id) return HeaderStatus::kShort;
    auto tmp = std::make_unique<DividerBlock>();
    uint8_t countBytes[4];
    if (std::fread(tmp->Bytes(), 1, sizeof(DividerBlock), f) != sizeof(DividerBlock) ||
        std::fread(countBytes, 1, sizeof countBytes, f) != sizeof countBytes)
        return HeaderStatus::kShort;
    // A hostile or damaged count is clamped: the block never holds more than 100 records.
    count = std::min<uint32_t>(ReadU32(countBytes), kMaxDividers);
    block = *tmp;
    return HeaderStatus::kOk;
}

bool CPeakFile::WriteHeader(std::FILE* f, const DividerBlock* block, uint32_t count) {
    uint8_t countBytes[4];
    PutU32(countBytes, std::min<uint32_t>(count, kMaxDividers));
    static const DividerBlock kEmpty{};
    const DividerBlock& b = block ? *block : kEmpty;
    return std::fwrite(kIdentifier, 1, 16, f) == 16 &&
           std::fwrite(b.Bytes(), 1, sizeof(DividerBlock), f) == sizeof(DividerBlock) &&
           std::fwrite(countBytes, 1, 4, f) == 4;
}

bool CPeakFile::WriteValues(std::FILE* f, const std::vector<uint16_t>& values, uint64_t& writtenBytes) {
    if (values.empty()) return true;
    std::vector<uint8_t> bytes(values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(values[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(values[i] >> 8);
    }
    size_t put = std::fwrite(bytes.data(), 1, bytes.size(), f);
    writtenBytes += put;
    return put == bytes.size();
}

uint32_t CPeakFile::PeakOffset(uint64_t audioBytes, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak) {
    const uint64_t bps = static_cast<uint64_t>(BytesPerSampleOf(fmt));
    const uint64_t align = PeakAlign(fmt);
    if (bps == 0 || align == 0 || samplesPerPeak == 0) return 0;
    const uint64_t values = 2 * audioBytes / (bps * samplesPerPeak);
    return static_cast<uint32_t>(std::min<uint64_t>(values / align * align, UINT32_MAX));
}

// --- whole files --------------------------------------------------------------------

int CPeakFile::BuildPeakFile(CWaveFile& wave, uint32_t first, uint32_t last, const DividerBlock* dividers,
                             uint32_t count, PeakResults& results, const JobProgress& progress) {
    return CPeakBuilder::Build(wave, PeakFileName(wave.FileName()), first, last, dividers, count, results, progress);
}

int CPeakFile::WritePeakFile(const std::string& wavePath, const std::vector<uint16_t>& values,
                             const DividerBlock* dividers, uint32_t count) {
    FilePtr pkf(std::fopen(PeakFileName(wavePath).c_str(), "wb"));
    if (!pkf) return -1;
    uint64_t writtenBytes = 0;
    bool ok = WriteHeader(pkf.get(), dividers, count) && WriteValues(pkf.get(), values, writtenBytes);
    if (std::fclose(pkf.release()) != 0) ok = false;
    return ok ? 0 : -1;
}

// --- dividers ---------------------------------------------------------------------

bool CPeakFile::WriteDividers(const std::string& wavePath, const DividerBlock& dividers, uint32_t count,
                              bool* oldFormat) {
    return WriteDividersAt(PeakFileName(wavePath), dividers, count, oldFormat);
}

bool CPeakFile::WriteDividersAt(const std::string& peakPath, const DividerBlock& dividers, uint32_t count,
                                bool* oldFormat) {
    if (oldFormat) *oldFormat = false;
    FilePtr f(std::fopen(peakPath.c_str(), "r+b"));
    if (!f) return false;
    // Never turn a peak file of another format into a mix of two formats.
    uint8_t id[kIdentifierCheckBytes];
    if (std::fread(id, 1, sizeof id, f.get()) == sizeof id && std::memcmp(id, kIdentifier, sizeof id) != 0) {
        if (oldFormat) *oldFormat = true;
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || !WriteHeader(f.get(), &dividers, count)) return false;
    return std::fclose(f.release()) == 0;
}

bool CPeakFile::ReadDividers(const std::string& wavePath, DividerBlock& dividers, uint32_t& count, bool* oldFormat) {
    const HeaderStatus status = ReadHeaderOf(PeakFileName(wavePath), dividers, count);
    if (oldFormat) *oldFormat = status == HeaderStatus::kOtherFormat;
    return status == HeaderStatus::kOk;
}

bool CPeakFile::PeakFileIsCurrent(const std::string& wavePath, const std::string& peakPath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto peakTime = fs::last_write_time(peakPath, ec);
    if (ec) return false;
    const auto waveTime = fs::last_write_time(wavePath, ec);
    if (ec) return false;
    return waveTime <= peakTime;
}

// --- session steps ----------------------------------------------------------------

bool CPeakFile::LoadStepPeaks(CQueEdit& step, const WAVEFORMATEX& fmt, FileFaults* faults, const std::string& peakFile,
                              const JobProgress& progress) {
    auto fail = [&step, faults](bool otherFormat) {
        step.peaks.reset();
        if (faults) {
            faults->emplace_back(FaultKind::kNoPeakFile, step.fileName);
            faults->back().oldFormat = otherFormat;
        }
        return false;
    };
    if (step.fileName.empty()) return fail(false);
    const std::string peakPath = peakFile.empty() ? PeakFileName(step.fileName) : peakFile;
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;

    if (step.type == kStepCut) {
        // A cut has no audio; its placeholder peak file may be empty, and then
        // the dividers it was given when it was made stay.
        step.peaks.reset();
        switch (ReadHeaderOf(peakPath, *block, count)) {
            case HeaderStatus::kOk:
                step.dividers = *block;
                step.dividerCount = count;
                return true;
            case HeaderStatus::kOtherFormat:
                return fail(true);
            default:
                return true;
        }
    }

    const int64_t size = static_cast<int64_t>(PeakOffset(step.sourceOffset, fmt)) - PeakOffset(step.start, fmt) +
                         PeakOffset(step.newEnd, fmt);
    if (step.newEnd < step.start || size < 0) return fail(false);

    // Rebuilds the step's peak file, keeping the dividers a readable old one still holds.
    auto rebuild = [&]() {
        const DividerBlock* keep = &step.dividers;
        uint32_t keepCount = step.dividerCount;
        if (ReadHeaderOf(peakPath, *block, count) == HeaderStatus::kOk) {
            keep = block.get();
            keepCount = count;
        }
        CWaveFile wave;
        if (wave.OpenRead(step.fileName, kOpenRead) != kFileOk) return false;
        const uint64_t last = static_cast<uint64_t>(step.sourceOffset) + (step.newEnd - step.start);
        PeakResults results;
        const bool built = CPeakBuilder::Build(wave, peakPath, step.sourceOffset,
                                               static_cast<uint32_t>(std::min<uint64_t>(last, UINT32_MAX)), keep,
                                               keepCount, results, progress) == 0;
        if (built && results.shortWave && faults) faults->emplace_back(FaultKind::kSizeInconsistent, step.fileName);
        return built;
    };
    bool rebuilt = false;
    if (!PeakFileIsCurrent(step.fileName, peakPath)) {
        if (!rebuild()) return fail(false);
        rebuilt = true;
    }

    const uint64_t want = static_cast<uint64_t>(size);
    constexpr uint64_t kTolerance = 8;
    std::shared_ptr<std::vector<uint8_t>> peaks;
    for (;;) {
        FilePtr f(std::fopen(peakPath.c_str(), "rb"));
        const HeaderStatus header = ReadHeader(f.get(), *block, count);
        if (header == HeaderStatus::kOtherFormat) return fail(true);
        bool usable = header == HeaderStatus::kOk;
        size_t got = 0;
        if (usable) {
            // Refuse before allocating when the file cannot hold the values, whatever the step claims.
            std::error_code ec;
            const uint64_t fileSize = std::filesystem::file_size(peakPath, ec);
            const uint64_t available = !ec && fileSize > kHeaderBytes ? fileSize - kHeaderBytes : 0;
            usable = available + kTolerance >= want;
            if (usable) {
                peaks = std::make_shared<std::vector<uint8_t>>(want);
                got = want ? std::fread(peaks->data(), 1, want, f.get()) : 0;
                usable = want - got <= kTolerance;
            }
        }
        if (usable) {
            // Values a few bytes short of the expected size repeat the last byte read.
            const uint8_t fill = got ? (*peaks)[got - 1] : 0;
            std::fill(peaks->begin() + static_cast<ptrdiff_t>(got), peaks->end(), fill);
            break;
        }
        // A peak file cut short (a crash while it was built) must not keep the song from opening:
        // build it again once from the step's audio.
        if (rebuilt || !rebuild()) return fail(false);
        rebuilt = true;
    }

    step.dividers = *block;
    step.dividerCount = count;
    step.peaks = std::move(peaks);
    return true;
}
