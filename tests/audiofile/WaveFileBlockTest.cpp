// Block reading with history and lookahead, per-sample output in every mode,
// continuation files and dither.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <complex>
#include <csignal>
#include <filesystem>

#include "audiofile/BlockConsumer.h"
#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class WaveFileBlock : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&services);
        CancelFlag() = false;
    }
    void TearDown() override {
        SetServices(nullptr);
        CancelFlag() = false;
    }
    CHeadlessServices services;
    TempDir dir;
};

// A playback engine stand-in: keeps what it is handed, can refuse, loop or be live.
class TestConsumer : public IBlockConsumer {
public:
    bool TakeBlock(const int32_t* samples, size_t count) override {
        if (cancelOnTake) CancelFlag() = true;
        if (refuse) return false;
        taken.insert(taken.end(), samples, samples + count);
        return true;
    }
    bool IsLooping() const override { return looping; }
    bool FileOutputEnabled() const override { return fileOutput; }
    bool IsLive() const override { return live; }
    size_t FillLive(int32_t* dest, size_t capacity) override {
        const size_t n = std::min<size_t>(capacity, 3);  // trickles in
        for (size_t i = 0; i < n; ++i) dest[i] = liveNext++;
        return n;
    }

    std::vector<int32_t> taken;
    bool refuse = false, cancelOnTake = false, looping = false, fileOutput = true, live = false;
    int32_t liveNext = 1;
};

// Stereo 16-bit test signal: distinct values, internal scale.
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

TEST_F(WaveFileBlock, BlocksCarryHistoryAndLookaheadAndCoverTheRangeOnce) {
    const std::vector<int32_t> ref = Signal(2 * 5003);  // an odd number of frames
    const std::string path = dir.File("s.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 16, Stored16(ref)));

    struct Case {
        uint32_t block, history, lookahead, start, end;  // range in bytes
    };
    const Case cases[] = {{6, 2, 4, 0, 0},         {4, 4, 4, 0, 0},         {64, 64, 10, 40, 20000 - 12},
                          {4096, 100, 2048, 0, 0}, {4096, 0, 0, 400, 4000}, {7, 3, 5, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "block " << c.block << " history " << c.history << " lookahead "
                                          << c.lookahead << " range " << c.start << ".." << c.end);
        CWaveFile wave(c.block, c.block);
        ASSERT_EQ(wave.OpenRead(path), kFileOk);
        wave.SetHistory(c.history);
        wave.SetLookahead(c.lookahead);
        const uint32_t end = wave.SetRange(c.start, c.end);
        const size_t first = c.start / 2, last = end / 2;
        // Odd sizes are used in whole frames.
        const size_t block = c.block / 2 * 2, history = c.history / 2 * 2, lookahead = c.lookahead / 2 * 2;
        size_t pos = first;
        int32_t *from = nullptr, *to = nullptr;
        int blocks = 0;
        while (wave.ReadNextBlock(from, to) == 0) {
            ++blocks;
            const int32_t* start = wave.BlockStart();
            ASSERT_EQ(static_cast<size_t>(start - from), history);
            const size_t n = static_cast<size_t>(to - start);
            ASSERT_GT(n, 0u);
            ASSERT_LE(n, block);
            ASSERT_LE(pos + n, last);
            for (size_t j = 0; j < history; ++j) {
                // Before the first block there is silence.
                const auto at = static_cast<std::ptrdiff_t>(pos + j) - static_cast<std::ptrdiff_t>(history);
                const int32_t expected = at < static_cast<std::ptrdiff_t>(first) ? 0 : ref[static_cast<size_t>(at)];
                ASSERT_EQ(from[j], expected) << "history " << j << " at " << pos;
            }
            for (size_t j = 0; j < n; ++j) ASSERT_EQ(start[j], ref[pos + j]) << pos + j;
            if (!wave.IsLastBlock()) {
                for (size_t j = 0; j < lookahead && pos + n + j < ref.size(); ++j) {
                    ASSERT_EQ(to[j], ref[pos + n + j]) << "lookahead " << j;
                }
            }
            pos += n;
        }
        EXPECT_EQ(pos, last);
        EXPECT_TRUE(wave.IsLastBlock());
        EXPECT_EQ(blocks, static_cast<int>((last - first + block - 1) / block));
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

TEST_F(WaveFileBlock, LoopingPreviewRewindsAndLiveInputFillsWholeBlocks) {
    const std::vector<int32_t> ref = Signal(100);
    const std::string path = dir.File("s.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 16, Stored16(ref)));
    TestConsumer engine;
    engine.looping = true;
    CWaveFile wave(64, 64);
    wave.SetBlockConsumer(&engine);
    ASSERT_EQ(wave.OpenRead(path), kFileOk);
    wave.SetRange(40, 200);  // samples 20..100
    int32_t *from, *to;
    std::vector<int32_t> seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(wave.ReadNextBlock(from, to), 0);
        seen.insert(seen.end(), wave.BlockStart(), to);
    }
    std::vector<int32_t> expected(ref.begin() + 20, ref.begin() + 100);
    expected.insert(expected.end(), ref.begin() + 20, ref.begin() + 100);
    EXPECT_EQ(seen, expected);
    engine.looping = false;
    EXPECT_EQ(wave.ReadNextBlock(from, to), 1);

    // Live: the block is filled by the engine, in whatever pieces it delivers.
    engine.live = true;
    CWaveFile live(8, 8);
    live.SetFormat(kWaveFormatPcm, 2, 44100, 16);
    live.SetBlockConsumer(&engine);
    ASSERT_EQ(live.ReadNextBlock(from, to), 0);
    EXPECT_EQ(std::vector<int32_t>(live.BlockStart(), to), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(live.DataCursor(), 16u);
    CancelFlag() = true;
    EXPECT_EQ(live.ReadNextBlock(from, to), 1);
}

TEST_F(WaveFileBlock, StepBackPrimesTheHistoryBeforeAMidFileStart) {
    const std::vector<int32_t> ref = Signal(400);
    const std::string path = dir.File("s.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 16, Stored16(ref)));
    CWaveFile wave(16, 16);
    ASSERT_EQ(wave.OpenRead(path), kFileOk);
    wave.SetHistory(6);
    wave.SetRange(200, 1600);  // samples 100 to 800
    ASSERT_TRUE(wave.StepBack());
    int32_t *from, *to;
    ASSERT_EQ(wave.ReadNextBlock(from, to), 0);
    EXPECT_EQ(std::vector<int32_t>(from, to), std::vector<int32_t>(ref.begin() + 94, ref.begin() + 116));
}

TEST_F(WaveFileBlock, PutSampleFeedsTheEngineTheFileOrBoth) {
    const std::vector<int32_t> in = Signal(40);
    TestConsumer engine;
    // Mode 8 without a file: full blocks go to the engine.
    CWaveFile block(6, 6);
    block.SetBlockConsumer(&engine);
    block.SetOutputMode(kOutBlock);
    for (int32_t v : in) ASSERT_TRUE(block.PutSample(v));
    EXPECT_EQ(engine.taken, std::vector<int32_t>(in.begin(), in.begin() + 36));
    EXPECT_EQ(std::vector<int32_t>(block.BlockStart(), block.EndCursor()),
              std::vector<int32_t>(in.begin() + 36, in.end()));

    // Mode 10: the file and the engine; with file output off, only the engine.
    for (bool fileOutput : {true, false}) {
        TestConsumer both;
        both.fileOutput = fileOutput;
        CWaveFile wave(8, 8);
        wave.SetBlockConsumer(&both);
        WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
        const std::string path = dir.File("both.wav");
        ASSERT_EQ(wave.OpenWrite(path, fmt, 1), kFileOk);
        wave.SetOutputMode(kOutFileAndBlock);
        ASSERT_EQ(wave.PrepareDirectWrite(), kFileOk);
        for (int32_t v : in) ASSERT_TRUE(wave.PutSample(v));
        ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
        wave.Close();
        EXPECT_EQ(both.taken, std::vector<int32_t>(in.begin(), in.begin() + 32));
        EXPECT_EQ(ReadInternal(path), fileOutput ? in : std::vector<int32_t>{});
    }

    // A file open in mode 0 or 8 takes nothing.
    for (int mode : {kOutNone, kOutBlock}) {
        CWaveFile wave;
        WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
        ASSERT_EQ(wave.OpenWrite(dir.File("none.wav"), fmt, 1), kFileOk);
        wave.SetOutputMode(mode);
        for (int32_t v : in) ASSERT_TRUE(wave.PutSample(v));
        ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
        wave.Close();
        EXPECT_TRUE(ReadInternal(dir.File("none.wav")).empty());
    }
}

TEST_F(WaveFileBlock, PutSampleStopsOnRefusalAndCancel) {
    TestConsumer engine;
    CWaveFile wave(4, 4);
    wave.SetBlockConsumer(&engine);
    wave.SetOutputMode(kOutBlock);
    engine.refuse = true;
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(wave.PutSample(i));
    EXPECT_FALSE(wave.PutSample(4));  // the full block could not be handed over

    engine.refuse = false;
    engine.cancelOnTake = true;
    EXPECT_FALSE(wave.PutSample(5));  // cancelled while handing over
    EXPECT_TRUE(wave.PutSample(6));   // already cancelled: nothing stored, the caller checks the flag
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
    ASSERT_EQ(wave.OpenWrite(path, fmt, 1), kFileOk);
    wave.SetOutputMode(kOutFile);
    ASSERT_EQ(wave.PrepareDirectWrite(), kFileOk);
    for (int32_t v : in) ASSERT_TRUE(wave.PutSample(v));
    ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
    wave.Close();

    // 8192-byte buffers: a file rolls over after the third passes the limit.
    EXPECT_EQ(wave.PartCount(), 4);
    std::vector<int32_t> joined;
    for (int part = 0; part <= 4; ++part) {
        const std::string name = part == 0 ? path : dir.File("long_part" + std::to_string(part) + ".wav");
        WaveContents c;
        ASSERT_TRUE(ReadWave(name, c)) << name;
        EXPECT_EQ(c.riffSize, c.fileSize - 8) << name;
        EXPECT_EQ(c.claimedDataSize, c.data.size()) << name;
        if (part < 4) {
            EXPECT_EQ(c.data.size(), 3u * 8192) << name;
        }
        const std::vector<int32_t> samples = ReadInternal(name);
        joined.insert(joined.end(), samples.begin(), samples.end());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("long_part5.wav")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("long_part1_part2.wav")));
    EXPECT_EQ(joined, in);
}

TEST_F(WaveFileBlock, AFullDiskStopsOutputAndFailsTheFinish) {
    // A file size limit stands in for a full disk.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(dir.File("full.wav"), fmt, 1), kFileOk);
    wave.SetOutputMode(kOutFile);
    ASSERT_EQ(wave.PrepareDirectWrite(), kFileOk);
    bool stopped = false;
    for (int i = 0; i < 1000000 && !stopped; ++i) stopped = !wave.PutSample(i);
    const int finish = wave.FinishDirectWrite();
    wave.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(finish, kErrWrite);

    // Small writes that only fail when buffered data reaches the disk fail the finish too.
    ASSERT_EQ(wave.OpenWrite(dir.File("late.wav"), fmt, 1), kFileOk);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    const Bytes chunk(1000, 7);
    int64_t written = 0;
    for (int i = 0; i < 120; ++i) written += std::max<int64_t>(wave.Write(chunk.data(), 1000), 0);
    EXPECT_EQ(written, 120000);  // accepted into the write-behind buffer
    const int late = wave.FinishWrite();
    wave.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(late, kErrWrite);
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

// Energy below fs/8 over energy above 3fs/8 (mean removed), averaged over 1024-point spectra.
double LowOverHigh(const std::vector<int32_t>& x) {
    const size_t n = 1024;
    double mean = 0;
    for (int32_t v : x) mean += v;
    mean /= static_cast<double>(x.size());
    std::vector<std::complex<double>> twiddle(n);
    for (size_t t = 0; t < n; ++t) twiddle[t] = std::polar(1.0, -2 * M_PI * static_cast<double>(t) / n);
    double low = 0, high = 0;
    for (size_t seg = 0; seg + n <= x.size(); seg += n) {
        for (size_t k = 1; k < n / 2; ++k) {
            if (k >= n / 8 && k <= 3 * n / 8) continue;
            std::complex<double> sum;
            for (size_t t = 0; t < n; ++t) sum += (x[seg + t] - mean) * twiddle[k * t % n];
            (k < n / 8 ? low : high) += std::norm(sum);
        }
    }
    return low / high;
}

TEST_F(WaveFileBlock, DitherStaysWithinItsSpanAndTypeThreeIsHighPassed) {
    // In 20-bit output one LSB is 16 internal units; r spans two of them.
    const std::vector<int32_t> rect = DitherOf(1, 4), tri = DitherOf(2, 4), shaped = DitherOf(3, 8);
    for (int32_t d : rect) ASSERT_TRUE(d >= 0 && d <= 32) << d;
    for (int32_t d : tri) ASSERT_TRUE(d >= -32 && d <= 32) << d;
    for (int32_t d : shaped) ASSERT_TRUE(d >= -128 && d <= 128) << d;
    EXPECT_GT(*std::max_element(rect.begin(), rect.end()), 28);
    EXPECT_LT(*std::min_element(tri.begin(), tri.end()), -20);
    EXPECT_EQ(DitherOf(0, 1), std::vector<int32_t>(4096, 0));

    EXPECT_GT(LowOverHigh(rect), 0.5);  // white
    EXPECT_LT(LowOverHigh(shaped), 0.05);

    // 16-bit output of silence: within two LSBs; float and 32-bit output take none.
    CWaveFile wave(64, 64);
    wave.SetFormat(kWaveFormatPcm, 2, 44100, 16);
    wave.SetDither(1);
    for (int i = 0; i < 64; ++i) wave.PutSample(0);
    Bytes bytes(128);
    wave.BlockToBytes(bytes.data(), 128);
    for (int64_t v : DecodeSamples(16, bytes)) ASSERT_TRUE(v >= 0 && v <= 2) << v;
    for (uint16_t bits : {32, 33}) {
        WAVEFORMATEX f =
            bits == 32 ? MakeWaveFormat(kWaveFormatPcm, 2, 44100, 32) : MakeWaveFormat(kWaveFormatFloat, 2, 44100, 32);
        Bytes wide(256, 0xEE);
        wave.BlockToBytes(wide.data(), 256, &f);
        EXPECT_EQ(wide, Bytes(256, 0)) << bits;
    }
}

TEST_F(WaveFileBlock, WriteBlockConvertsTheBlockIntoTheFile) {
    CWaveFile wave(8, 8);
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 24);
    const std::string path = dir.File("wb.wav");
    ASSERT_EQ(wave.OpenWrite(path, fmt, 1), kFileOk);
    for (int i = 0; i < 8; ++i) wave.BlockStart()[i] = i * 1000 - 3000;
    EXPECT_EQ(wave.WriteBlock(24), 24u);
    EXPECT_EQ(wave.WriteBlock(1000), 30u);  // at most 4 x L bytes, in whole samples
    ASSERT_EQ(wave.FinishWrite(), kFileOk);
    wave.Close();
    const std::vector<int32_t> back = ReadInternal(path);
    ASSERT_EQ(back.size(), 8u + 10u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(back[static_cast<size_t>(i)], i * 1000 - 3000);
}

}  // namespace
