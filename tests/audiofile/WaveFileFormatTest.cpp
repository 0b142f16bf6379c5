// Sample conversions, header layouts, refusals and the files CWaveFile writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>

#include "audiofile/WaveFile.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

using WaveFileFormat = ProcessingTest;  // services, a temporary folder, the cancel flag reset

WaveLayout Layout(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveLayout l;
    l.tag = tag;
    l.channels = channels;
    l.rate = rate;
    l.bits = bits;
    return l;
}

TEST_F(WaveFileFormat, IntegerWidthsReadOnTheInternalScaleAndWriteBackIdentically) {
    struct Case {
        uint16_t bits;
        int64_t stored;
        int32_t internal;
    };
    // The defining values of each conversion.
    const Case edges[] = {{8, 0x80, 0},
                          {8, 0x00, -8388608},
                          {8, 0xFF, 127 << 16},
                          {16, -32768, -8388608},
                          {16, 32767, 8388352},
                          {16, 1, 256},
                          {24, 8388607, 8388607},
                          {24, -1, -1},
                          {20, -8388608, -8388608},
                          {32, std::numeric_limits<int32_t>::min(), -8388608},
                          {32, 0x7FFFFFFF, 8388607},
                          {32, -256, -1}};
    for (const Case& c : edges) {
        ASSERT_TRUE(WriteWave(dir.File("edge.wav"), 1, 8000, c.bits, {c.stored}));
        EXPECT_EQ(ReadInternal(dir.File("edge.wav")), std::vector<int32_t>{c.internal}) << c.bits << ", " << c.stored;
    }

    // Every width, mono and stereo: bytes -> internal -> bytes is the identity (32-bit keeps
    // its top 24 bits, 20-bit sits left-justified in 3 bytes).
    std::mt19937 rng(1);
    for (uint16_t bits : {8, 16, 20, 24, 32}) {
        const int container = bits == 20 ? 24 : bits;
        const int64_t lo = bits == 8 ? 0 : -(int64_t{1} << (container - 1)), hi = bits == 8 ? 255 : -lo - 1;
        const int64_t unit = bits == 32 ? 256 : bits == 20 ? 16 : 1;
        std::uniform_int_distribution<int64_t> pick(lo / unit, hi / unit);
        std::vector<int64_t> stored = {lo / unit * unit, hi / unit * unit};
        while (stored.size() < 4000) stored.push_back(pick(rng) * unit);
        for (uint16_t channels : {1, 2}) {
            ASSERT_TRUE(WriteWave(dir.File("in.wav"), channels, 44100, bits, stored));
            const std::vector<int32_t> internal = ReadInternal(dir.File("in.wav"), nullptr, 1000);
            ASSERT_EQ(internal.size(), stored.size());
            ASSERT_TRUE(WriteInternal(dir.File("out.wav"), kWaveFormatPcm, channels, 44100, bits, internal));
            WaveContents a, b;
            ASSERT_TRUE(ReadWave(dir.File("in.wav"), a) && ReadWave(dir.File("out.wav"), b));
            EXPECT_EQ(b.data, a.data) << bits << " x" << channels;
            EXPECT_EQ(b.bits, bits);
            EXPECT_EQ(b.bytesPerSecond, 44100u * b.blockAlign) << bits;  // 20-bit once claimed 2.5 bytes a sample
        }
    }
}

TEST_F(WaveFileFormat, FloatConvertsExactlyAndTamesHostileValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> stored = {1.0f,        -1.0f,         0.5f, 0.0f,
                                       -1.0000001f, std::nanf(""), inf,  -inf,
                                       1e30f,       -1e30f,        2.0f, std::numeric_limits<float>::denorm_min()};
    ASSERT_TRUE(WriteFloatWave(dir.File("f.wav"), 2, 48000, stored));
    EXPECT_EQ(ReadInternal(dir.File("f.wav")),
              (std::vector<int32_t>{8388607, -8388607, 4194303, 0, -8388608, 0, 8388607, -8388608, 8388607, -8388608,
                                    8388607, 0}));

    // Every internal value survives float and back (-8388608 as -1.0000001).
    std::vector<int32_t> all;
    for (int32_t v = -8388608; v <= 8388607; v += 7) all.push_back(v);
    all.push_back(8388607);
    ASSERT_TRUE(WriteInternal(dir.File("all.wav"), kWaveFormatFloat, 1, 44100, 32, all));
    WaveContents c;
    ASSERT_TRUE(ReadWave(dir.File("all.wav"), c));
    EXPECT_EQ(c.tag, kWaveFormatFloat);
    EXPECT_EQ(ReadInternal(dir.File("all.wav")), all);
}

TEST_F(WaveFileFormat, ClippingClampsAndFlagsOrLetsValuesWrap) {
    const std::vector<int32_t> loud = {8388607 + 5, -8388608 - 5, 100};
    const std::string path = dir.File("c.wav");
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 1, 44100, 24);
    ASSERT_EQ(wave.OpenWrite(path, fmt, kWriteCreate), kFileOk);
    wave.SetOutputMode(kOutFile);
    for (int32_t v : loud) ASSERT_TRUE(wave.PutSample(v));
    ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
    wave.Close();
    EXPECT_TRUE(wave.TakeClippedFlag());
    EXPECT_FALSE(wave.TakeClippedFlag());  // taking clears it
    EXPECT_EQ(ReadInternal(path), (std::vector<int32_t>{8388607, -8388608, 100}));

    ASSERT_TRUE(WriteInternal(path, kWaveFormatPcm, 1, 44100, 24, loud, false));
    WaveContents c;
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(DecodeSamples(24, c.data), (std::vector<int64_t>{-8388608 + 4, 8388607 - 4, 100}));  // wrapped

    // Full scale into narrow widths must not round past the top code.
    ASSERT_TRUE(WriteInternal(path, kWaveFormatPcm, 1, 44100, 16, {8388607, -8388608}));
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(DecodeSamples(16, c.data), (std::vector<int64_t>{32767, -32768}));
    ASSERT_TRUE(WriteInternal(path, kWaveFormatPcm, 1, 44100, 8, {8388607, -8388608, 0}));
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(c.data, (Bytes{255, 0, 128}));
}

TEST_F(WaveFileFormat, OpensRealWorldHeaderLayouts) {
    const std::vector<int32_t> expected = {256, -512, 768, -1024, 1280, -1536};
    // Chunks before and between are the header reader's own cases; trailing ones must not be read as audio.
    std::vector<WaveLayout> layouts(4);
    layouts[1].fmtExtra = {0, 0};                        // 18-byte "fmt "
    layouts[2].fmtExtra = ExtensibleFmtExtra(16, 3, 1);  // 40-byte extensible PCM
    layouts[2].tag = 0xFFFE;
    layouts[3].chunksAfter = {ListInfoChunk("ICMT", "trailing chunks are not audio")};
    for (size_t i = 0; i < layouts.size(); ++i) {
        ASSERT_TRUE(WriteBytes(dir.File("l.wav"), BuildWave(layouts[i], EncodeSamples(16, {1, -2, 3, -4, 5, -6}))));
        int rc = -1;
        EXPECT_EQ(ReadInternal(dir.File("l.wav"), &rc), expected) << "layout " << i;
        EXPECT_EQ(rc, kFileOk);
    }

    // Odd data (8-bit mono, 5 bytes) with its pad byte; then a header that claims
    // more data than the file holds: what is there is read, in whole frames, nothing more.
    ASSERT_TRUE(WriteBytes(dir.File("odd.wav"), BuildWave(Layout(1, 1, 44100, 8), {128, 129, 127, 0, 255})));
    EXPECT_EQ(ReadInternal(dir.File("odd.wav")), (std::vector<int32_t>{0, 65536, -65536, -8388608, 127 * 65536}));

    WaveLayout cut;
    cut.claimedDataSize = 4000000;
    ASSERT_TRUE(WriteBytes(dir.File("cut.wav"), BuildWave(cut, EncodeSamples(16, {7, 8, 9, 10, 11}))));
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(dir.File("cut.wav")), kFileOk);
    EXPECT_EQ(wave.DataLength(), 8u);
    EXPECT_EQ(wave.ReadSamples(4096), 8);
    EXPECT_EQ(wave.ReadSamples(4096), 0);
}

TEST_F(WaveFileFormat, RefusesWhatItCannotEdit) {
    struct Case {
        const char* what;
        uint16_t tag, channels, bits;
    };
    const Case cases[] = {{"ADPCM", 2, 2, 4},
                          {"three channels", 1, 3, 16},
                          {"no channels", 1, 0, 16},
                          {"4-bit", 1, 1, 4},
                          {"48-bit", 1, 1, 48},
                          {"16-bit float", 3, 1, 16},
                          {"extensible ADPCM", 0xFFFE, 2, 16},
                          {"short fmt", 1, 2, 16}};
    for (const Case& c : cases) {
        WaveLayout l = Layout(c.tag, c.channels, 44100, c.bits);
        if (c.tag == 0xFFFE) l.fmtExtra = ExtensibleFmtExtra(16, 3, 2);
        Bytes file = BuildWave(l, Bytes(64, 1));
        if (std::string(c.what) == "short fmt") file[16] = 14;  // "fmt " claims 14 bytes; the rest reads as junk
        ASSERT_TRUE(WriteBytes(dir.File("bad.wav"), file));
        CWaveFile wave;
        EXPECT_EQ(wave.OpenRead(dir.File("bad.wav")), kErrFormat) << c.what;
        EXPECT_FALSE(wave.IsOpen());
    }

    CWaveFile wave;
    EXPECT_EQ(wave.OpenRead(dir.File("none.wav")), kErrCannotOpen);
    ASSERT_TRUE(WriteBytes(dir.File("text.wav"), Bytes(100, 'x')));
    EXPECT_EQ(wave.OpenRead(dir.File("text.wav")), kErrFormat);

    // A FIFO named like a wave is refused at once instead of blocking.
    ASSERT_EQ(mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(wave.OpenRead(dir.File("pipe.wav")), kErrCannotOpen);
    WaveFileInfo info;
    EXPECT_EQ(CWaveFile::FileInfo(dir.File("pipe.wav"), info, true), kErrCannotOpen);
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    EXPECT_EQ(wave.OpenWrite(dir.File("pipe.wav"), fmt, kWriteAppend), kErrCannotWrite);
    EXPECT_EQ(wave.OpenWrite(dir.File("pipe.wav"), fmt, kWriteCreate), kErrCannotWrite);

    // Width 12 is read in its 16-bit container, as WAV stores it.
    ASSERT_TRUE(WriteBytes(dir.File("12.wav"), BuildWave(Layout(1, 1, 44100, 12), EncodeSamples(16, {0x7FF0, -16}))));
    EXPECT_EQ(ReadInternal(dir.File("12.wav")), (std::vector<int32_t>{0x7FF000, -16 * 256}));
}

// A header whose frame cannot hold audio is refused when the file is opened, described or decoded,
// not carried into an output of rate 0 or misplaced samples.
TEST_F(WaveFileFormat, HeadersThatCannotBeAudioAreRefusedWhereverTheFileIsOpened) {
    struct Case {
        const char* what;
        uint16_t tag, channels;
        uint32_t rate;
        uint16_t bits;
        std::optional<uint16_t> blockAlign;
    };
    const Case cases[] = {{"rate 0", 1, 2, 0, 16, {}},
                          {"0 bits", 1, 2, 44100, 0, 4},
                          {"block align short of the frame", 1, 2, 44100, 16, 2},
                          {"block align past the frame", 1, 2, 44100, 16, 6},
                          {"extensible 24-bit in 4-byte frames", 0xFFFE, 2, 44100, 24, 4},
                          {"float in 8-byte mono frames", 3, 1, 48000, 32, 8},
                          {"mu-law at rate 0", 7, 1, 0, 8, {}},
                          {"ADPCM without a block align", 2, 1, 22050, 4, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WaveLayout l = Layout(c.tag, c.channels, c.rate, c.bits);
        l.blockAlign = c.blockAlign;
        if (c.tag == 0xFFFE) l.fmtExtra = ExtensibleFmtExtra(c.bits, 3, kWaveFormatPcm);
        const std::string bad = dir.File("bad.wav");
        ASSERT_TRUE(WriteBytes(bad, BuildWave(l, Bytes(4800, 1))));
        CWaveFile wave;
        EXPECT_EQ(wave.OpenRead(bad), kErrFormat);
        WaveFileInfo info;
        EXPECT_EQ(CWaveFile::FileInfo(bad, info, true), kErrFormat);
        std::string pcm = dir.File("pcm.wav");
        EXPECT_EQ(wave.ConvertToPcm(bad, pcm), kErrFormat);
        EXPECT_FALSE(std::filesystem::exists(pcm));
    }
}

TEST_F(WaveFileFormat, WritesTheMinimalLayoutWithCorrectSizes) {
    // Byte for byte the plain layout: 16-byte "fmt ", no "fact" for float, odd data padded.
    ASSERT_TRUE(WriteInternal(dir.File("odd.wav"), kWaveFormatPcm, 1, 22050, 8, {0, 1 << 16, -(1 << 16)}));
    EXPECT_EQ(ReadBytes(dir.File("odd.wav")), BuildWave(Layout(1, 1, 22050, 8), {128, 129, 127}));

    ASSERT_TRUE(WriteInternal(dir.File("f.wav"), kWaveFormatFloat, 2, 96000, 32, {8388607, -8388607, 0, 0}));
    EXPECT_EQ(ReadBytes(dir.File("f.wav")),
              BuildWave(Layout(3, 2, 96000, 32), EncodeFloats({1.0f, -1.0f, 0.0f, 0.0f})));

    // A writer that closes without finishing leaves zero sizes behind.
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(dir.File("open.wav"), fmt, kWriteCreate), kFileOk);
    ASSERT_EQ(wave.Write("abcd", 4), 4);
    wave.Close();
    WaveContents c;
    ASSERT_TRUE(ReadWave(dir.File("open.wav"), c));
    EXPECT_EQ(c.claimedDataSize, 0u);
    EXPECT_EQ(c.riffSize, 0u);
}

TEST_F(WaveFileFormat, AppendsReplacesOrRefusesExistingFiles) {
    const std::string path = dir.File("song.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 24, {1, 2, 3, 4}));

    // Mode 0 appends; the caller learns the file's real format (24 bits, not 16).
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(path, fmt, kWriteAppend), kFileOk);
    EXPECT_EQ(fmt.wBitsPerSample, 24);
    wave.SetOutputMode(kOutFile);
    for (int32_t v : {5, 6}) ASSERT_TRUE(wave.PutSample(v));
    ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
    wave.Close();
    EXPECT_EQ(ReadBytes(path), BuildWave(Layout(1, 2, 44100, 24), EncodeSamples(24, {1, 2, 3, 4, 5, 6})));

    // Another channel count or rate, or a file that is no editable wave: refused, file untouched.
    const Bytes adpcmFile = BuildWave(Layout(2, 1, 44100, 4), Bytes(10));
    for (const Bytes& before : {BuildWave(Layout(1, 1, 44100, 16), Bytes(6)), adpcmFile}) {
        ASSERT_TRUE(WriteBytes(path, before));
        for (WriteMode mode : {kWriteAppend, kWriteUnbuffered}) {  // 4 writes from the data start, as 2 and 5 do
            for (WAVEFORMATEX other :
                 {MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16), MakeWaveFormat(kWaveFormatPcm, 1, 48000, 16)}) {
                EXPECT_EQ(wave.OpenWrite(path, other, mode), kErrFormat) << mode;
                EXPECT_FALSE(wave.IsOpen());
            }
        }
        EXPECT_EQ(ReadBytes(path), before);
    }
    WAVEFORMATEX mono = MakeWaveFormat(kWaveFormatPcm, 1, 44100, 16);
    EXPECT_EQ(wave.OpenWrite(path, mono, kWriteAppend), kErrFormat);
    EXPECT_EQ(ReadBytes(path), adpcmFile);

    // Mode 1 replaces whatever is there; a requested format we cannot write is refused.
    ASSERT_EQ(wave.OpenWrite(path, mono, kWriteCreate), kFileOk);
    ASSERT_EQ(wave.FinishWrite(), kFileOk);
    wave.Close();
    EXPECT_EQ(ReadBytes(path).size(), 44u);
    WAVEFORMATEX three = MakeWaveFormat(kWaveFormatPcm, 3, 44100, 16);
    EXPECT_EQ(wave.OpenWrite(dir.File("new.wav"), three, kWriteCreate), kErrFormat);
    EXPECT_EQ(wave.OpenWrite(dir.File("no/such/dir.wav"), mono, kWriteCreate), kErrCannotWrite);
}

}  // namespace
