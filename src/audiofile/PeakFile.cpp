#include "audiofile/PeakFile.h"

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>

#include "audiofile/FileNames.h"
#include "audiofile/QueEdit.h"
#include "audiofile/RiffReader.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"

const uint8_t CPeakFile::kIdentifier[16] = {0x42, 0x1F, 0x07, 0xF6, 0x0A, 0x32, 0xD3, 0x11,
                                            0xB0, 0x64, 0x82, 0xD9, 0x1B, 0xE8, 0xD7, 0x4D};

namespace {

// Only the first eight identifier bytes are compared, as older readers did.
constexpr size_t kIdentifierCheckBytes = 8;
// Largest absolute internal sample; anything beyond the 24-bit scale counts as full scale.
constexpr uint32_t kFullScale = 8388608;
// Peak values collected before each write.
constexpr size_t kValueBuffer = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline uint32_t AbsSample(int32_t x) {
    // Two's-complement magnitude without the overflow of std::abs(INT32_MIN).
    uint32_t u = static_cast<uint32_t>(x);
    return x < 0 ? 0u - u : u;
}

inline uint16_t PeakValue(uint32_t maxAbs) {
    return static_cast<uint16_t>(std::min(maxAbs, kFullScale) >> 8);
}

// The alignment unit A of the peak data: the block align, or 6 for 3-byte frames.
inline uint32_t PeakAlign(const WAVEFORMATEX& fmt) {
    return fmt.nBlockAlign == 3 ? 6u : fmt.nBlockAlign;
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

enum class HeaderStatus { Ok, Missing, Short, OtherFormat };

// Reads identifier, divider block and count from an open peak file positioned at 0.
HeaderStatus ReadHeader(std::FILE* f, DividerBlock& block, uint32_t& count) {
    if (!f) return HeaderStatus::Missing;
    uint8_t id[16];
    size_t got = std::fread(id, 1, sizeof id, f);
    if (got >= kIdentifierCheckBytes && std::memcmp(id, CPeakFile::kIdentifier, kIdentifierCheckBytes) != 0)
        return HeaderStatus::OtherFormat;
    if (got < sizeof id) return HeaderStatus::Short;
    auto tmp = std::make_unique<DividerBlock>();
    uint8_t countBytes[4];
    if (std::fread(tmp->Bytes(), 1, sizeof(DividerBlock), f) != sizeof(DividerBlock) ||
        std::fread(countBytes, 1, sizeof countBytes, f) != sizeof countBytes)
        return HeaderStatus::Short;
    // A hostile or damaged count is clamped: the block never holds more than 100 records.
    count = std::min<uint32_t>(ReadU32(countBytes), kMaxDividers);
    block = *tmp;
    return HeaderStatus::Ok;
}

HeaderStatus ReadHeader(const std::string& path, DividerBlock& block, uint32_t& count) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    return ReadHeader(f.get(), block, count);
}

// Writes identifier, divider block (zeros for none) and count at the file's current position.
bool WriteHeader(std::FILE* f, const DividerBlock* block, uint32_t count) {
    uint8_t countBytes[4];
    PutU32(countBytes, std::min<uint32_t>(count, kMaxDividers));
    static const DividerBlock kEmpty{};
    const DividerBlock& b = block ? *block : kEmpty;
    return std::fwrite(CPeakFile::kIdentifier, 1, 16, f) == 16 &&
           std::fwrite(b.Bytes(), 1, sizeof(DividerBlock), f) == sizeof(DividerBlock) &&
           std::fwrite(countBytes, 1, 4, f) == 4;
}

// Writes peak values little-endian; false on a short write.
bool WriteValues(std::FILE* f, const std::vector<uint16_t>& values, uint64_t& writtenBytes) {
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

}  // namespace

// --- the peak computation -----------------------------------------------------

CPeakFile::Scanner::Scanner(int channels, uint32_t samplesPerPeak, bool withRms)
    : m_channels(channels == 2 ? 2 : 1),
      m_groupSize(samplesPerPeak ? samplesPerPeak : kSamplesPerPeak),
      m_withRms(withRms) {}

namespace {

// Largest magnitude per channel and sum of squares over a run of frames, in
// the units of the samples given.
struct RunStats {
    uint32_t maxLeft;
    uint32_t maxRight;
    uint64_t squares;
};

RunStats ScanRun(const int32_t* s, size_t frames, int channels, RunStats r, bool) {
    uint32_t maxL = r.maxLeft, maxR = r.maxRight;
    uint64_t squares = 0;
    if (channels == 1) {
        for (size_t k = 0; k < frames; ++k) {
            uint32_t a = AbsSample(s[k]);
            maxL = std::max(maxL, a);
            squares += static_cast<uint64_t>(a) * a;
        }
    } else {
        for (size_t k = 0; k < frames; ++k) {
            uint32_t l = AbsSample(s[2 * k]), rr = AbsSample(s[2 * k + 1]);
            maxL = std::max(maxL, l);
            maxR = std::max(maxR, rr);
            squares += static_cast<uint64_t>(l) * l + static_cast<uint64_t>(rr) * rr;
        }
    }
    if (std::max(maxL, maxR) > kFullScale) {
        // Out-of-scale samples (float beyond 1.0): clamp them so the sum cannot overflow.
        squares = 0;
        for (size_t k = 0; k < frames * channels; ++k) {
            uint64_t a = std::min(AbsSample(s[k]), kFullScale);
            squares += a * a;
        }
        maxL = std::min(maxL, kFullScale);
        maxR = std::min(maxR, kFullScale);
    }
    return {maxL, maxR, r.squares + squares};
}

#if defined(__SSE2__)
// One step of the 16-bit scan over eight samples in v: lane maxima and minima,
// and (with squares) the pairwise sums of squares, at most 2^31 each and so
// taken as unsigned, split into their 32-bit halves and added as 64-bit values.
template <bool kSquares>
inline void Scan8(__m128i v, __m128i& hi, __m128i& lo, __m128i& acc) {
    hi = _mm_max_epi16(hi, v);
    lo = _mm_min_epi16(lo, v);
    if constexpr (kSquares) {
        const __m128i sq = _mm_madd_epi16(v, v);
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_and_si128(sq, _mm_set_epi32(0, -1, 0, -1)), _mm_srli_epi64(sq, 32)));
    }
}
#endif

template <bool kSquares>
RunStats ScanRun16(const int16_t* s, size_t frames, int channels, RunStats r) {
    const size_t count = frames * channels;
    size_t k = 0;
    int32_t hiL = 0, loL = 0, hiR = 0, loR = 0;
    uint64_t squares = 0;
#if defined(__SSE2__)
    if (count >= 8) {
        // Two independent chains over sixteen samples, then eight more when they fit.
        const __m128i zero = _mm_setzero_si128();
        __m128i hi0 = zero, lo0 = zero, hi1 = zero, lo1 = zero, acc0 = zero, acc1 = zero;
        for (; k + 16 <= count; k += 16) {
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)), hi0, lo0, acc0);
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 8)), hi1, lo1, acc1);
        }
        if (k + 8 <= count) {
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)), hi0, lo0, acc0);
            k += 8;
        }
        // Lanes alternate left and right for stereo (k stays even): fold the halves
        // down to lanes 0 (left) and 1 (right), or to lane 0 for mono.
        __m128i hi = _mm_max_epi16(hi0, hi1), lo = _mm_min_epi16(lo0, lo1);
        hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2)));
        lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2)));
        hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(2, 3, 0, 1)));
        lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(2, 3, 0, 1)));
        if (channels != 2) {
            // Zeros shifted in change neither a maximum (at least 0) nor a minimum (at most 0).
            hi = _mm_max_epi16(hi, _mm_srli_epi32(hi, 16));
            lo = _mm_min_epi16(lo, _mm_srli_epi32(lo, 16));
        }
        hiL = static_cast<int16_t>(_mm_extract_epi16(hi, 0));
        loL = static_cast<int16_t>(_mm_extract_epi16(lo, 0));
        hiR = channels == 2 ? static_cast<int16_t>(_mm_extract_epi16(hi, 1)) : 0;
        loR = channels == 2 ? static_cast<int16_t>(_mm_extract_epi16(lo, 1)) : 0;
        if constexpr (kSquares) {
            alignas(16) uint64_t sums[2];
            _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_add_epi64(acc0, acc1));
            squares = sums[0] + sums[1];
        }
    }
#endif
    for (; k < count; ++k) {
        const int32_t v = s[k];
        const bool right = channels == 2 && (k & 1);
        (right ? hiR : hiL) = std::max(right ? hiR : hiL, v);
        (right ? loR : loL) = std::min(right ? loR : loL, v);
        if constexpr (kSquares) squares += static_cast<uint64_t>(v * v);
    }
    return {std::max<uint32_t>(r.maxLeft, static_cast<uint32_t>(std::max(hiL, -loL))),
            std::max<uint32_t>(r.maxRight, static_cast<uint32_t>(std::max(hiR, -loR))), r.squares + squares};
}

RunStats ScanRun(const int16_t* s, size_t frames, int channels, RunStats r, bool squares) {
    return squares ? ScanRun16<true>(s, frames, channels, r) : ScanRun16<false>(s, frames, channels, r);
}

// The internal scale of a sample type: 16-bit samples are shifted left by 8.
constexpr int ShiftOf(const int32_t*) {
    return 0;
}
constexpr int ShiftOf(const int16_t*) {
    return 8;
}

}  // namespace

template <typename Sample>
void CPeakFile::Scanner::AddFrames(const Sample* samples, size_t count, std::vector<uint16_t>& out) {
    constexpr int shift = ShiftOf(static_cast<const Sample*>(nullptr));
    constexpr double squareScale = static_cast<double>(1u << (2 * shift));
    const size_t frames = count / static_cast<size_t>(m_channels);
    size_t i = 0;
    while (i < frames) {
        // Scan up to the end of the current group in one tight loop.
        const size_t run = std::min<size_t>(frames - i, m_groupSize - m_counter);
        const Sample* s = samples + i * m_channels;
        RunStats r = ScanRun(s, run, m_channels, {m_maxLeft >> shift, m_maxRight >> shift, 0}, m_withRms);
        m_sumSquares += static_cast<double>(r.squares) * squareScale;
        uint32_t maxL = r.maxLeft << shift, maxR = r.maxRight << shift;
        m_frames += run;
        m_counter += static_cast<uint32_t>(run);
        i += run;
        if (m_counter == m_groupSize) {
            Emit(maxL, maxR, out);
            // The sample that ends a group also starts the next one.
            const Sample* last = samples + (i - 1) * m_channels;
            maxL = std::min(AbsSample(static_cast<int32_t>(last[0]) * (1 << shift)), kFullScale);
            maxR = m_channels == 2 ? std::min(AbsSample(static_cast<int32_t>(last[1]) * (1 << shift)), kFullScale) : 0;
            m_counter = 0;
        }
        m_maxLeft = maxL;
        m_maxRight = maxR;
    }
}

void CPeakFile::Scanner::Add(const int32_t* samples, size_t count, std::vector<uint16_t>& out) {
    AddFrames(samples, count, out);
}

void CPeakFile::Scanner::Add16(const int16_t* samples, size_t count, std::vector<uint16_t>& out) {
    AddFrames(samples, count, out);
}

void CPeakFile::Scanner::Finish(std::vector<uint16_t>& out) {
    if (m_counter >= m_groupSize / 2 && m_counter > 0) Emit(m_maxLeft, m_maxRight, out);
    m_counter = 0;
}

void CPeakFile::Scanner::Emit(uint32_t left, uint32_t right, std::vector<uint16_t>& out) {
    out.push_back(PeakValue(left));
    m_results.maxPeak = std::max(m_results.maxPeak, left);
    m_results.minPeak = std::min(m_results.minPeak, left);
    if (m_channels == 2) {
        out.push_back(PeakValue(right));
        m_results.maxPeak = std::max(m_results.maxPeak, right);
        m_results.minPeak = std::min(m_results.minPeak, right);
    }
}

PeakResults CPeakFile::Scanner::Results() const {
    PeakResults r = m_results;
    double sum = m_channels == 2 ? m_sumSquares / 2.0 : m_sumSquares;
    r.rms = m_withRms && m_frames ? std::sqrt(sum / static_cast<double>(m_frames)) : 0.0;
    return r;
}

uint32_t CPeakFile::PeakOffset(uint64_t audioBytes, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak) {
    const uint64_t bps = static_cast<uint64_t>(BytesPerSampleOf(fmt));
    const uint64_t align = PeakAlign(fmt);
    if (bps == 0 || align == 0 || samplesPerPeak == 0) return 0;
    const uint64_t values = 2 * audioBytes / (bps * samplesPerPeak);
    return static_cast<uint32_t>(std::min<uint64_t>(values / align * align, UINT32_MAX));
}

// --- building -------------------------------------------------------------------

int CPeakFile::BuildPeakFile(CWaveFile& wave, uint32_t first, uint32_t last, const DividerBlock* dividers,
                             uint32_t count, PeakResults& results) {
    results = PeakResults{};
    int rc = wave.Reopen(kOpenRead);
    if (rc != kFileOk) return rc;

    const WAVEFORMATEX fmt = wave.Format();
    const uint32_t bps = static_cast<uint32_t>(BytesPerSampleOf(fmt));
    const uint32_t channels = fmt.nChannels;
    if (bps == 0 || bps > 4 || (channels != 1 && channels != 2) || fmt.nBlockAlign == 0) {
        wave.Close();
        return kErrFormat;
    }
    const uint64_t frameBytes = static_cast<uint64_t>(bps) * channels;
    const uint64_t groupBytes = frameBytes * kSamplesPerPeak;
    const uint64_t length = wave.DataLength();

    // Widen the range by one group each side, whole frames, inside the data.
    uint64_t end = last == 0 ? length : std::min<uint64_t>(static_cast<uint64_t>(last) + kSamplesPerPeak * bps, length);
    end -= end % frameBytes;
    uint64_t start = first > groupBytes ? std::min<uint64_t>(first - groupBytes, length) : 0;
    // The wave reads only the data its file really holds; when its header claims
    // more, zero values stand in for the missing part and the user is told.
    uint64_t claimedEnd = end;
    if (!wave.SessionMode()) {
        CRiffReader::Header header;
        if (CRiffReader::ReadHeader(wave.FileName(), header) == 0 && header.dataSize > length) {
            const uint64_t claimed = header.dataSize;
            claimedEnd =
                last == 0 ? claimed : std::min<uint64_t>(static_cast<uint64_t>(last) + kSamplesPerPeak * bps, claimed);
            claimedEnd = std::max(claimedEnd - claimedEnd % frameBytes, end);
        }
    }

    const std::string peakPath = PeakFileName(wave.FileName());
    bool update = true;
    FilePtr pkf(std::fopen(peakPath.c_str(), "r+b"));
    if (pkf) {
        // Only a complete header of this format is updated in place; anything
        // else (another format, a truncated file) is rebuilt from the start.
        auto scratch = std::make_unique<DividerBlock>();
        uint32_t scratchCount = 0;
        if (ReadHeader(pkf.get(), *scratch, scratchCount) != HeaderStatus::Ok) pkf.reset();
    }
    if (!pkf) {
        update = false;
        start = 0;
        pkf.reset(std::fopen(peakPath.c_str(), "wb"));
        if (!pkf) {
            wave.Close();
            return -1;
        }
    }
    // Start on a group whose peak position is exact, so that rebuilt values land
    // where a full build would have put them.
    {
        const uint64_t align = PeakAlign(fmt);
        const uint64_t unitGroups = align / std::gcd<uint64_t>(align, 2 * channels);
        const uint64_t unit = groupBytes * std::max<uint64_t>(unitGroups, 1);
        start -= start % unit;
    }
    if (start > end) start = end;

    if (wave.Seek(static_cast<int64_t>(start), 0) < 0) {
        wave.Close();
        return kErrSeek;
    }
    if (std::fseek(pkf.get(), 0, SEEK_SET) != 0 || !WriteHeader(pkf.get(), dividers, count) ||
        std::fseek(pkf.get(), static_cast<long>(kHeaderBytes + PeakOffset(start, fmt)), SEEK_SET) != 0) {
        wave.Close();
        return -1;
    }

    // 16-bit PCM, by far the most common, is scanned straight from the file's
    // bytes in large reads; other formats go through the wave's conversion in
    // chunks of whole frames no larger than its sample block.
    const bool direct16 = fmt.wFormatTag == kWaveFormatPcm && bps == 2 && std::endian::native == std::endian::little;
    constexpr uint64_t kChunk = 65536;
    uint64_t chunkBytes = kChunk / frameBytes * frameBytes;
    const uint64_t blockSamples = wave.BlockLength() / channels * channels;
    if (!direct16 && blockSamples > 0) chunkBytes = std::min<uint64_t>(chunkBytes, blockSamples * bps);
    std::vector<int16_t> raw(direct16 ? chunkBytes / 2 + channels : 0);
    size_t carried = 0;  // bytes of an incomplete frame kept for the next read

    Scanner scanner(static_cast<int>(channels));
    std::vector<uint16_t> values;
    values.reserve(kValueBuffer + kChunk / 2);
    uint64_t writtenBytes = 0;
    bool ok = true;
    int lastPercent = -1;
    uint64_t pos = start;
    while (pos < end && ok) {
        const int percent = static_cast<int>(pos * 100 / end);
        if (percent != lastPercent) {
            Services().ProgressSetPos(percent);
            lastPercent = percent;
        }
        const uint64_t want = std::min(chunkBytes, end - pos);
        int64_t got = 0;
        if (direct16) {
            auto* bytes = reinterpret_cast<uint8_t*>(raw.data());
            got = wave.Read(bytes + carried, static_cast<int64_t>(want));
            if (got <= 0) break;  // the file holds less than its header claims
            const size_t have = carried + static_cast<size_t>(got);
            const size_t whole = have - have % frameBytes;
            scanner.Add16(raw.data(), whole / 2, values);
            carried = have - whole;
            std::memmove(bytes, bytes + whole, carried);
        } else {
            got = wave.ReadSamples(static_cast<uint32_t>(want / bps));
            if (got <= 0) break;
            const int32_t* first = wave.ReadCursor();
            const int32_t* stop = wave.EndCursor();
            if (first && stop > first) scanner.Add(first, static_cast<size_t>(stop - first), values);
        }
        pos += static_cast<uint64_t>(got);
        if (values.size() >= kValueBuffer) {
            ok = WriteValues(pkf.get(), values, writtenBytes);
            values.clear();
        }
    }
    scanner.Finish(values);
    if (ok) ok = WriteValues(pkf.get(), values, writtenBytes);
    values.clear();

    // A wave shorter than its header: pad with zeros (one buffer at most, which
    // also bounds the work a hostile header can cause), and tell the user.
    const uint64_t expected = PeakOffset(claimedEnd - start, fmt);
    if (ok && writtenBytes < expected) {
        values.assign(std::min<uint64_t>((expected - writtenBytes + 1) / 2, kValueBuffer), 0);
        ok = WriteValues(pkf.get(), values, writtenBytes);
        ShowMessage(kMsgSizeInconsistent, MsgIcon::Exclamation);
    }
    // A full rebuild must not keep values of a longer, older wave behind its end.
    if (ok && update && start == 0 && end == length - length % frameBytes) {
        ok = std::fflush(pkf.get()) == 0 &&
             ftruncate(fileno(pkf.get()), static_cast<off_t>(kHeaderBytes + writtenBytes)) == 0;
    }
    results = scanner.Results();
    wave.Close();
    if (std::fclose(pkf.release()) != 0) ok = false;
    return ok ? 0 : -1;
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

bool CPeakFile::WriteDividers(const std::string& wavePath, const DividerBlock& dividers, uint32_t count) {
    FilePtr f(std::fopen(PeakFileName(wavePath).c_str(), "r+b"));
    if (!f) return false;
    // Never turn a peak file of another format into a mix of two formats.
    uint8_t id[kIdentifierCheckBytes];
    if (std::fread(id, 1, sizeof id, f.get()) == sizeof id && std::memcmp(id, kIdentifier, sizeof id) != 0) {
        ShowMessage(kMsgOldPeakFile, MsgIcon::Exclamation);
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || !WriteHeader(f.get(), &dividers, count)) return false;
    return std::fclose(f.release()) == 0;
}

bool CPeakFile::ReadDividers(const std::string& wavePath, DividerBlock& dividers, uint32_t& count, bool quiet) {
    switch (ReadHeader(PeakFileName(wavePath), dividers, count)) {
        case HeaderStatus::Ok:
            return true;
        case HeaderStatus::OtherFormat:
            if (!quiet) ShowMessage(kMsgOldPeakFile, MsgIcon::Exclamation);
            return false;
        default:
            return false;
    }
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

bool CPeakFile::LoadStepPeaks(CQueEdit& step, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak) {
    auto fail = [&step](bool otherFormat) {
        if (otherFormat) ShowMessage(kMsgOldPeakFile, MsgIcon::Exclamation);
        step.peaks.reset();
        ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
        return false;
    };
    if (step.fileName.empty()) return fail(false);
    const std::string peakPath = PeakFileName(step.fileName);
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;

    if (step.type == kStepCut) {
        // A cut has no audio; its placeholder peak file may be empty, and then
        // the dividers it was given when it was made stay.
        step.peaks.reset();
        switch (ReadHeader(peakPath, *block, count)) {
            case HeaderStatus::Ok:
                step.dividers = *block;
                step.dividerCount = count;
                return true;
            case HeaderStatus::OtherFormat:
                return fail(true);
            default:
                return true;
        }
    }

    const int64_t size = static_cast<int64_t>(PeakOffset(step.sourceOffset, fmt, samplesPerPeak)) -
                         PeakOffset(step.start, fmt, samplesPerPeak) + PeakOffset(step.newEnd, fmt, samplesPerPeak);
    if (step.newEnd < step.start || size < 0) return fail(false);

    // Rebuilds the step's peak file, keeping the dividers a readable old one still holds.
    auto rebuild = [&]() {
        const DividerBlock* keep = &step.dividers;
        uint32_t keepCount = step.dividerCount;
        if (ReadHeader(peakPath, *block, count) == HeaderStatus::Ok) {
            keep = block.get();
            keepCount = count;
        }
        CWaveFile wave;
        if (wave.OpenRead(step.fileName, kOpenRead) != kFileOk) return false;
        const uint64_t last = static_cast<uint64_t>(step.sourceOffset) + (step.newEnd - step.start);
        PeakResults results;
        return BuildPeakFile(wave, step.sourceOffset, static_cast<uint32_t>(std::min<uint64_t>(last, UINT32_MAX)), keep,
                             keepCount, results) == 0;
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
        if (header == HeaderStatus::OtherFormat) return fail(true);
        bool usable = header == HeaderStatus::Ok;
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
