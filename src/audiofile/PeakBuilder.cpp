#include "audiofile/PeakBuilder.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "audiofile/PeakFile.h"
#include "audiofile/RiffReader.h"
#include "audiofile/WaveFile.h"

namespace {

// Peak values collected before each write.
constexpr size_t kValueBuffer = 4096;

}  // namespace

int CPeakBuilder::Build(CWaveFile& wave, const std::string& peakPath, uint32_t first, uint32_t last,
                        const DividerBlock* dividers, uint32_t count, PeakResults& results,
                        const JobProgress& progress) {
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
    const uint64_t groupBytes = frameBytes * CPeakFile::kSamplesPerPeak;
    const uint64_t length = wave.DataLength();

    // Widen the range by one group each side, whole frames, inside the data.
    uint64_t end =
        last == 0 ? length : std::min<uint64_t>(static_cast<uint64_t>(last) + CPeakFile::kSamplesPerPeak * bps, length);
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
                last == 0 ? claimed
                          : std::min<uint64_t>(static_cast<uint64_t>(last) + CPeakFile::kSamplesPerPeak * bps, claimed);
            claimedEnd = std::max(claimedEnd - claimedEnd % frameBytes, end);
        }
    }

    bool update = true;
    CPeakFile::FilePtr pkf(std::fopen(peakPath.c_str(), "r+b"));
    if (pkf) {
        // Only a complete header of this format is updated in place; anything
        // else (another format, a truncated file) is rebuilt from the start.
        auto scratch = std::make_unique<DividerBlock>();
        uint32_t scratchCount = 0;
        if (CPeakFile::ReadHeader(pkf.get(), *scratch, scratchCount) != CPeakFile::HeaderStatus::kOk) pkf.reset();
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
        const uint64_t align = CPeakFile::PeakAlign(fmt);
        const uint64_t unitGroups = align / std::gcd<uint64_t>(align, 2 * channels);
        const uint64_t unit = groupBytes * std::max<uint64_t>(unitGroups, 1);
        start -= start % unit;
    }
    if (start > end) start = end;

    if (wave.Seek(static_cast<int64_t>(start), 0) < 0) {
        wave.Close();
        return kErrSeek;
    }
    if (std::fseek(pkf.get(), 0, SEEK_SET) != 0 || !CPeakFile::WriteHeader(pkf.get(), dividers, count) ||
        std::fseek(pkf.get(), static_cast<long>(CPeakFile::kHeaderBytes + CPeakFile::PeakOffset(start, fmt)),
                   SEEK_SET) != 0) {
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

    CPeakScanner scanner(static_cast<int>(channels));
    std::vector<uint16_t> values;
    values.reserve(kValueBuffer + kChunk / 2);
    uint64_t writtenBytes = 0;
    bool ok = true;
    bool shortWave = false;
    int lastPercent = -1;
    uint64_t pos = start;
    while (pos < end && ok) {
        const int percent = static_cast<int>(pos * 100 / end);
        if (percent != lastPercent) {
            if (progress) progress(JobPhase::kPeaks, percent);
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
            ok = CPeakFile::WriteValues(pkf.get(), values, writtenBytes);
            values.clear();
        }
    }
    scanner.Finish(values);
    if (ok) ok = CPeakFile::WriteValues(pkf.get(), values, writtenBytes);
    values.clear();

    // A wave shorter than its header: pad with zeros (one buffer at most, which
    // also bounds the work a hostile header can cause); the caller tells the user.
    const uint64_t expected = CPeakFile::PeakOffset(claimedEnd - start, fmt);
    if (ok && writtenBytes < expected) {
        values.assign(std::min<uint64_t>((expected - writtenBytes + 1) / 2, kValueBuffer), 0);
        ok = CPeakFile::WriteValues(pkf.get(), values, writtenBytes);
        shortWave = true;
    }
    // A full rebuild must not keep values of a longer, older wave behind its end.
    if (ok && update && start == 0 && end == length - length % frameBytes) {
        ok = std::fflush(pkf.get()) == 0 &&
             ftruncate(fileno(pkf.get()), static_cast<off_t>(CPeakFile::kHeaderBytes + writtenBytes)) == 0;
    }
    results = scanner.Results();
    results.shortWave = shortWave;
    if (progress && ok) progress(JobPhase::kPeaks, 100);
    wave.Close();
    if (std::fclose(pkf.release()) != 0) ok = false;
    return ok ? 0 : -1;
}
