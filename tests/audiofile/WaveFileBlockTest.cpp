// Block reading, per-sample hand-over to the engine, continuation files, full
// disks and dither. What a filter sees around each block in every format is
// the filter runner's test; here the reader's own edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

#include "audiofile/BlockConsumer.h"
#include "audiofile/WaveFile.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

using WaveFileBlock = ProcessingTest;  // services, a temporary folder, the cancel flag reset

// A playback engine stand-in: keeps what it is handed, or refuses, or cancels while taking.
class TestConsumer : public IBlockConsumer {
public:
    bool TakeBlock(const int32_t* samples, size_t count) override {
        if (cancelOnTake) CancelFlag() = true;
        if (refuse) return false;
        taken.insert(taken.end(), samples, samples + count);
        return true;
    }
    bool IsLooping() const override { return false; }
    bool FileOutputEnabled() const override { return true; }

    std::vector<int32_t> taken;
    bool refuse = false, cancelOnTake = false;
};

// Distinct stereo 16-bit values on the internal scale, and the same as stored.
std::vector<int32_t> Signal(size_t samples) {
    std::vector<int32_t> v(samples);
    for (size_t i = 0; i < samples; ++i) v[i] = static_cast<int32_t>((i * 37 % 65536)) * 256 - 8388608;
    return v;
}
std::vector<int64_t> Stored16(const std::vector<int32_t>& internal) {
    std::vector<int64_t> s;
    for (int32_t v : internal) s.push_back(v / 256);
    return s;
}

TEST_F(WaveFileBlock, OddSizesAreUsedInWholeFramesAndEachSampleComesOnce) {
    const std::vector<int32_t> ref = Signal(2 * 5003);  // an odd number of frames
    const std::string path = dir.File("s.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 16, Stored16(ref)));
    struct Case {
        uint32_t block, history, lookahead, start, end;  // sizes in samples, range in bytes
    };
    for (const Case& c : {Case{7, 3, 5, 0, 0}, Case{64, 64, 10, 40, 20000 - 12}, Case{4096, 0, 0, 400, 4000}}) {
        SCOPED_TRACE(c.block);
        CWaveFile wave(c.block, c.block);
        ASSERT_EQ(wave.OpenRead(path), kFileOk);
        wave.SetHistory(c.history);
        wave.SetLookahead(c.lookahead);
        const std::ptrdiff_t first = c.start / 2, last = wave.SetRange(c.start, c.end) / 2;
        const std::ptrdiff_t block = c.block / 2 * 2, history = c.history / 2 * 2, lookahead = c.lookahead / 2 * 2;
        std::ptrdiff_t pos = first;
        int32_t *from = nullptr, *to = nullptr;
        while (wave.ReadNextBlock(from, to) == 0) {
            const int32_t* start = wave.BlockStart();
            const std::ptrdiff_t n = to - start;
            ASSERT_EQ(start - from, history);
            ASSERT_TRUE(n == block || (wave.IsLastBlock() && n > 0 && n < block)) << n;
            // Silence before the range's first block and past the end of the file.
            for (std::ptrdiff_t j = -history; j < n + lookahead; ++j) {
                const std::ptrdiff_t at = pos + j;
                ASSERT_EQ(start[j], at < first || at >= std::ssize(ref) ? 0 : ref[static_cast<size_t>(at)]) << at;
            }
            pos += n;
        }
        EXPECT_EQ(pos, last);
        EXPECT_EQ(wave.ReadNextBlock(from, to), 1);  // stays finished
    }
    EXPECT_GT(services.Pumps(), 0);  // the window stays alive during long reads
}

TEST_F(WaveFileBlock, RangesAreOrderedClampedAndFrameAligned) {
    const std::string path = dir.File("s.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 16, Stored16(Signal(20000))));  // 40000 bytes
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), kFileOk);
    EXPECT_EQ(wave.SetRange(5000, 100), 100u);
    EXPECT_EQ(wave.DataCursor(), 0u);
    EXPECT_EQ(wave.SetRange(0, 0), 40000u);
    EXPECT_EQ(wave.SetRange(100, 999999), 40000u);
    EXPECT_EQ(wave.DataCursor(), 100u);
    EXPECT_EQ(wave.SetRange(3, 11), 8u);
    EXPECT_EQ(wave.DataCursor(), 0u);
}

TEST_F(WaveFileBlock, PutSampleHandsFullBlocksOverAndStopsOnRefusalOrCancel) {
    // Without a file, in mode 8, full blocks go to the engine and the rest waits in the block.
    const std::vector<int32_t> in = Signal(40);
    TestConsumer engine;
    CWaveFile wave(6, 6);
    wave.SetBlockConsumer(&engine);
    wave.SetOutputMode(kOutBlock);
    for (int32_t v : in) ASSERT_TRUE(wave.PutSample(v));
    EXPECT_EQ(engine.taken, std::vector<int32_t>(in.begin(), in.begin() + 36));
    EXPECT_EQ(std::vector<int32_t>(wave.BlockStart(), wave.EndCursor()),
              std::vector<int32_t>(in.begin() + 36, in.end()));

    ASSERT_TRUE(wave.PutSample(0));
    ASSERT_TRUE(wave.PutSample(0));
    engine.refuse = true;
    EXPECT_FALSE(wave.PutSample(1));  // the full block could not be handed over
    engine.refuse = false;
    engine.cancelOnTake = true;
    EXPECT_FALSE(wave.PutSample(2));  // cancelled while handing over
    EXPECT_TRUE(wave.PutSample(3));   // already cancelled: nothing stored, the caller checks the flag
    EXPECT_EQ(wave.EndCursor() - wave.BlockStart(), 1);
}

TEST_F(WaveFileBlock, LongOutputContinuesInCompletePartFiles) {
    const std::string path = dir.File("long.wav");
    // A stale continuation from an earlier run must be replaced, not appended to.
    ASSERT_TRUE(WriteWave(dir.File("long_part1.wav"), 2, 44100, 16, {1, 2, 3, 4}));
    const std::vector<int32_t> in = Signal(60000);  // 120000 bytes
    CWaveFile wave;
    wave.SetPartLimit(20000);
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(path, fmt, kWriteCreate), kFileOk);
    wave.SetOutputMode(kOutFile);
    for (int32_t v : in) ASSERT_TRUE(wave.PutSample(v));
    ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
    wave.Close();

    // 8192-byte buffers: a file rolls over after the third passes the limit.
    EXPECT_EQ(wave.PartCount(), 4);
    for (int part = 0; part <= 4; ++part) {
        const std::string name = part == 0 ? path : dir.File("long_part" + std::to_string(part) + ".wav");
        const Bytes data =
            EncodeSamples(16, Stored16(std::vector<int32_t>(in.begin() + std::min(part * 12288, 60000),
                                                            in.begin() + std::min((part + 1) * 12288, 60000))));
        EXPECT_EQ(ReadBytes(name), BuildWave(WaveLayout{}, data)) << name;
    }
    EXPECT_EQ(FilesUnder(dir.Path()).size(), 5u);
}

TEST_F(WaveFileBlock, AFullDiskStopsOutputAndFailsTheFinish) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(dir.File("full.wav"), fmt, kWriteCreate), kFileOk);
    wave.SetOutputMode(kOutFile);
    bool stopped = false;
    int finish = kFileOk;
    {
        DiskLimit limit(100000);
        for (int i = 0; i < 1000000 && !stopped; ++i) stopped = !wave.PutSample(i);
        finish = wave.FinishDirectWrite();
        wave.Close();
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(finish, kErrWrite);

    // Small writes that only fail when buffered data reaches the disk fail the finish too.
    ASSERT_EQ(wave.OpenWrite(dir.File("late.wav"), fmt, kWriteCreate), kFileOk);
    DiskLimit limit(100000);
    const Bytes chunk(1000, 7);
    int64_t written = 0;
    for (int i = 0; i < 120; ++i) written += std::max<int64_t>(wave.Write(chunk.data(), 1000), 0);
    EXPECT_EQ(written, 120000);  // accepted into the write-behind buffer
    EXPECT_EQ(wave.FinishWrite(), kErrWrite);
    wave.Close();
}

// The dither added to silence, read back exactly from a 20-bit (3-byte) output.
std::vector<int32_t> DitherOf(uint32_t type, size_t blocks) {
    CWaveFile wave(4096, 4096);
    wave.SetFormat(kWaveFormatPcm, 1, 44100, 20);
    wave.SetDither(type);
    std::vector<int32_t> out;
    Bytes bytes(4096 * 3);
    for (int i = 0; i < 4096; ++i) wave.PutSample(0);  // no file: into the block
    for (size_t b = 0; b < blocks; ++b) {
        wave.BlockToBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
        for (int64_t v : DecodeSamples(24, bytes)) out.push_back(static_cast<int32_t>(v));
    }
    return out;
}

// Lag-one correlation (mean removed): about 0 for white noise, well below 0 once the low band is taken out.
double LagOne(const std::vector<int32_t>& x) {
    const double mean = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
    double c0 = 0, c1 = 0;
    for (size_t i = 0; i + 1 < x.size(); ++i) {
        c0 += (x[i] - mean) * (x[i] - mean);
        c1 += (x[i] - mean) * (x[i + 1] - mean);
    }
    return c1 / c0;
}

TEST_F(WaveFileBlock, DitherStaysWithinItsSpanAndTypeThreeIsHighPassed) {
    // In 20-bit output one LSB is 16 internal units; r spans two of them. (The program dithers
    // only into 16 bits, so wider outputs never see any.)
    const std::vector<int32_t> rect = DitherOf(1, 4), tri = DitherOf(2, 4), shaped = DitherOf(3, 8);
    for (int32_t d : rect) ASSERT_TRUE(d >= 0 && d <= 32) << d;
    for (int32_t d : tri) ASSERT_TRUE(d >= -32 && d <= 32) << d;
    for (int32_t d : shaped) ASSERT_TRUE(d >= -128 && d <= 128) << d;
    EXPECT_GT(*std::max_element(rect.begin(), rect.end()), 28);
    EXPECT_LT(*std::min_element(tri.begin(), tri.end()), -20);
    EXPECT_EQ(DitherOf(0, 1), std::vector<int32_t>(4096, 0));
    EXPECT_NEAR(LagOne(rect), 0.0, 0.05);
    EXPECT_LT(LagOne(shaped), -0.54);  // beyond the first difference of type 2 (-0.5)
}

TEST_F(WaveFileBlock, WriteBlockWritesAtMostTheBlockInWholeSamples) {
    CWaveFile wave(8, 8);
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 24);
    ASSERT_EQ(wave.OpenWrite(dir.File("wb.wav"), fmt, kWriteCreate), kFileOk);
    for (int i = 0; i < 8; ++i) wave.BlockStart()[i] = i * 1000 - 3000;
    EXPECT_EQ(wave.WriteBlock(24), 24u);
    EXPECT_EQ(wave.WriteBlock(1000), 30u);  // at most 4 x L bytes, in whole samples
    ASSERT_EQ(wave.FinishWrite(), kFileOk);
    wave.Close();
    const std::vector<int32_t> back = ReadInternal(dir.File("wb.wav"));
    ASSERT_EQ(back.size(), 18u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(back[static_cast<size_t>(i)], i * 1000 - 3000);
}

}  // namespace
