// The peak computation over sample buffers and the peak-data position mapping,
// without files. Full scale and the half-group rule are the peak file's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "audiofile/PeakFile.h"

namespace {

// A straightforward reference: group g counts frames [g*N, (g+1)*N) and, after
// the first, also takes in the frame that closed the group before it; a last
// group counting fewer than N/2 frames is dropped.
std::vector<uint16_t> Reference(const std::vector<int32_t>& samples, int channels) {
    const size_t n = CPeakFile::kSamplesPerPeak;
    const size_t frames = samples.size() / channels;
    std::vector<uint16_t> out;
    for (size_t g = 0; g * n < frames; ++g) {
        size_t begin = g == 0 ? 0 : g * n - 1;
        size_t end = std::min(frames, (g + 1) * n);
        if (end - g * n < n / 2) break;
        for (int c = 0; c < channels; ++c) {
            int64_t m = 0;
            for (size_t f = begin; f < end; ++f) m = std::max<int64_t>(m, std::llabs(samples[f * channels + c]));
            out.push_back(static_cast<uint16_t>(m >> 8));
        }
    }
    return out;
}

}  // namespace

TEST(PeakOffsetMapping, WholeValuesPerFormat) {
    const WAVEFORMATEX mono16 = MakeWaveFormat(1, 1, 44100, 16), stereo16 = MakeWaveFormat(1, 2, 44100, 16);
    const WAVEFORMATEX mono8 = MakeWaveFormat(1, 1, 44100, 8), mono24 = MakeWaveFormat(1, 1, 44100, 24);
    struct Case {
        uint32_t bytes;
        const WAVEFORMATEX& fmt;
        uint32_t offset;
    };
    // The last byte of a value's range, the first of the next; 3-byte frames align to 6 bytes.
    for (const Case& c :
         {Case{0, mono16, 0}, Case{407, mono16, 0}, Case{408, mono16, 2}, Case{815, stereo16, 0},
          Case{816, stereo16, 4}, Case{204, mono8, 2}, Case{2 * 612, mono24, 0}, Case{3 * 612, mono24, 6}}) {
        EXPECT_EQ(CPeakFile::PeakOffset(c.bytes, c.fmt), c.offset) << c.bytes << " bytes, " << c.fmt.wBitsPerSample;
    }
    // No overflow at the top of the 32-bit range, nothing from a broken format.
    EXPECT_EQ(CPeakFile::PeakOffset(0xFFFFFFFFu, stereo16), 0xFFFFFFFFull * 2 / 408 / 4 * 4);
    WAVEFORMATEX broken = stereo16;
    broken.nBlockAlign = 0;
    EXPECT_EQ(CPeakFile::PeakOffset(100000, broken), 0u);
    EXPECT_EQ(CPeakFile::PeakOffset(100000, stereo16, 0), 0u);
}

TEST(PeakScanner, ChunkedFeedingOfEitherPathMatchesTheReference) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int32_t> level(-8388608, 8388607);
    for (int channels : {1, 2}) {
        // Any 24-bit values through Add; 16-bit ones through Add16 and, widened, through Add.
        std::vector<int32_t> samples(channels * 10000), wide(channels * 7001);
        for (auto& s : samples) s = level(rng) / static_cast<int32_t>(1 + rng() % 64);
        std::vector<int16_t> raw(wide.size());
        for (auto& s : raw) s = static_cast<int16_t>(rng() >> (rng() % 16));
        raw[5] = raw[channels * 3000 + 1] = -32768;  // the one magnitude that does not fit a signed 16-bit lane
        for (size_t i = 0; i < raw.size(); ++i) wide[i] = raw[i] * 256;

        CPeakFile::Scanner any(channels), narrow(channels), widened(channels);
        std::vector<uint16_t> values, a, b;
        for (size_t pos = 0, n; pos < samples.size(); pos += n) {
            n = std::min(samples.size() - pos, channels * (1 + rng() % 700));
            any.Add(samples.data() + pos, n, values);
            if (pos >= raw.size()) continue;
            const size_t m = std::min(n, raw.size() - pos);
            narrow.Add16(raw.data() + pos, m, a);
            widened.Add(wide.data() + pos, m, b);
        }
        any.Finish(values);
        narrow.Finish(a);
        widened.Finish(b);
        EXPECT_EQ(values, Reference(samples, channels)) << channels;
        double sum = 0;  // every sample counts, also those of a last group too short for a value
        for (int32_t v : samples) sum += static_cast<double>(v) * v;
        const double rms = std::sqrt(sum / static_cast<double>(samples.size()));
        EXPECT_NEAR(any.Results().rms, rms, 1e-9 * rms);
        EXPECT_EQ(a, b) << channels;
        EXPECT_EQ(narrow.Results().maxPeak, widened.Results().maxPeak);
        EXPECT_EQ(narrow.Results().minPeak, widened.Results().minPeak);
        EXPECT_DOUBLE_EQ(narrow.Results().rms, widened.Results().rms);
    }
}
