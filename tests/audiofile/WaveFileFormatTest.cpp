// Sample conversions, header layouts, refusals and the files CWaveFile writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class WaveFileFormat : public ::testing::Test {
protected:
    void SetUp() override { SetServices(&services); }
    void TearDown() override { SetServices(nullptr); }
    CHeadlessServices services;
    TempDir dir;
};

// Values as stored, the spread of each width plus its extremes.
std::vector<int64_t> StoredValues(uint16_t bits, size_t n) {
    std::mt19937 rng(bits);
    const int64_t lo = bits == 8 ? 0 : -(int64_t{1} << (bits - 1));
    const int64_t hi = bits == 8 ? 255 : (int64_t{1} << (bits - 1)) - 1;
    std::vector<int64_t> v = {lo, hi, lo + 1, hi - 1, bits == 8 ? 128 : 0, bits == 8 ? 127 : -1};
    std::uniform_int_distribution<int64_t> pick(lo, hi);
    while (v.size() < n) v.push_back(pick(rng));
    return v;
}

TEST_F(WaveFileFormat, IntegerWidthsReadOnTheInternalScaleAndWriteBackIdentically) {
    struct Case {
        uint16_t bits;
        int64_t stored;
        int32_t internal;
    };
    // The defining values of each conversion.
    const Case edges[] = {
        {8, 0x80, 0},
        {8, 0x00, -8388608},
        {8, 0xFF, 127 << 16},
        {16, -32768, -8388608},
        {16, 32767, 8388352},
        {16, 1, 256},
        {24, -8388608, -8388608},
        {24, 8388607, 8388607},
        {24, -1, -1},
        {20, -8388608, -8388608},
        {32, std::numeric_limits<int32_t>::min(), -8388608},
        {32, 0x7FFFFFFF, 8388607},
        {32, -256, -1},
    };
    for (const Case& c : edges) {
        const std::string path = dir.File("edge.wav");
        ASSERT_TRUE(WriteWave(path, 1, 8000, c.bits, {c.stored}));
        EXPECT_EQ(ReadInternal(path), std::vector<int32_t>{c.internal}) << c.bits << " bits, " << c.stored;
    }

    // Every width, mono and stereo: bytes -> internal -> bytes is the identity
    // (32-bit keeps only its top 24 bits, so its low byte is zero here).
    for (uint16_t bits : {8, 16, 20, 24, 32}) {
        for (uint16_t channels : {1, 2}) {
            std::vector<int64_t> stored = StoredValues(bits, bits == 8 ? 512 : 20000);
            if (bits == 32) {
                for (int64_t& s : stored) s = s / 256 * 256;
            }
            if (bits == 20) {
                for (int64_t& s : stored) s = s * 16;  // 20 bits, left-justified in 3 bytes
            }
            const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
            const uint16_t fileBits = bits == 20 ? 24 : bits;
            WaveLayout l;
            l.channels = channels;
            l.bits = bits;
            l.blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
            ASSERT_TRUE(WriteBytes(in, BuildWave(l, EncodeSamples(fileBits, stored))));
            int rc = -1;
            const std::vector<int32_t> internal = ReadInternal(in, &rc, 1000);
            ASSERT_EQ(rc, kFileOk);
            ASSERT_EQ(internal.size(), stored.size());
            ASSERT_TRUE(WriteInternal(out, kWaveFormatPcm, channels, 44100, bits, internal));
            WaveContents a, b;
            ASSERT_TRUE(ReadWave(in, a));
            ASSERT_TRUE(ReadWave(out, b));
            EXPECT_EQ(a.data, b.data) << bits << " bits, " << channels << " channels";
            EXPECT_EQ(b.bits, bits);
        }
    }
}

TEST_F(WaveFileFormat, FloatConvertsExactlyAndTamesHostileValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> stored = {1.0f,        -1.0f,         0.5f, 0.0f,
                                       -1.0000001f, std::nanf(""), inf,  -inf,
                                       1e30f,       -1e30f,        2.0f, std::numeric_limits<float>::denorm_min()};
    const std::string path = dir.File("f.wav");
    ASSERT_TRUE(WriteFloatWave(path, 2, 48000, stored));
    const std::vector<int32_t> expected = {8388607, -8388607, 4194303, 0,        -8388608, 0,
                                           8388607, -8388608, 8388607, -8388608, 8388607,  0};
    EXPECT_EQ(ReadInternal(path), expected);

    // Writing -8388608 gives -1.0000001; every internal value survives float and back.
    std::vector<int32_t> all;
    for (int32_t v = -8388608; v <= 8388607; v += 7) all.push_back(v);
    all.push_back(8388607);
    const std::string out = dir.File("all.wav");
    ASSERT_TRUE(WriteInternal(out, kWaveFormatFloat, 1, 44100, 32, all));
    WaveContents c;
    ASSERT_TRUE(ReadWave(out, c));
    EXPECT_EQ(c.tag, kWaveFormatFloat);
    EXPECT_EQ(DecodeFloats(c.data).front(), static_cast<float>(-8388608 / 8388607.0));
    EXPECT_EQ(DecodeFloats(c.data).back(), 1.0f);
    EXPECT_EQ(ReadInternal(out), all);
}

TEST_F(WaveFileFormat, ClippingClampsAndFlagsOrLetsValuesWrap) {
    const std::vector<int32_t> loud = {8388607 + 5, -8388608 - 5, 100};
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 1, 44100, 24);
    const std::string path = dir.File("c.wav");
    ASSERT_EQ(wave.OpenWrite(path, fmt, 1), kFileOk);
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

    // 16-bit: full scale writes 32767; the loudest 8-bit value stays in its byte.
    ASSERT_TRUE(WriteInternal(path, kWaveFormatPcm, 1, 44100, 16, {8388607, -8388608}));
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(DecodeSamples(16, c.data), (std::vector<int64_t>{32767, -32768}));
    ASSERT_TRUE(WriteInternal(path, kWaveFormatPcm, 1, 44100, 8, {8388607, -8388608, 0}));
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(c.data, (Bytes{255, 0, 128}));
}

TEST_F(WaveFileFormat, OpensRealWorldHeaderLayouts) {
    const std::vector<int64_t> stored = {1, -2, 3, -4, 5, -6};
    std::vector<int32_t> expected;
    for (int64_t s : stored) expected.push_back(static_cast<int32_t>(s * 256));

    // Chunks before and between are the header reader's own cases; trailing ones must not be read as audio.
    std::vector<WaveLayout> layouts(4);
    layouts[1].fmtExtra = {0, 0};                        // 18-byte "fmt "
    layouts[2].fmtExtra = ExtensibleFmtExtra(16, 3, 1);  // 40-byte extensible PCM
    layouts[2].tag = 0xFFFE;
    layouts[3].chunksAfter = {ListInfoChunk("ICMT", "trailing chunks are not audio")};
    for (size_t i = 0; i < layouts.size(); ++i) {
        const std::string path = dir.File("l" + std::to_string(i) + ".wav");
        ASSERT_TRUE(WriteBytes(path, BuildWave(layouts[i], EncodeSamples(16, stored))));
        int rc = -1;
        EXPECT_EQ(ReadInternal(path, &rc), expected) << "layout " << i;
        EXPECT_EQ(rc, kFileOk);
    }

    // Odd data (8-bit mono, 5 bytes) with its pad byte; then a header that claims
    // more data than the file holds: what is there is read, nothing more.
    WaveLayout odd;
    odd.channels = 1;
    odd.bits = 8;
    const std::string path = dir.File("odd.wav");
    ASSERT_TRUE(WriteBytes(path, BuildWave(odd, {128, 129, 127, 0, 255})));
    EXPECT_EQ(ReadInternal(path), (std::vector<int32_t>{0, 65536, -65536, -8388608, 127 * 65536}));

    WaveLayout cut;
    cut.claimedDataSize = 4000000;
    ASSERT_TRUE(WriteBytes(path, BuildWave(cut, EncodeSamples(16, {7, 8, 9, 10, 11}))));  // stereo, 2.5 frames
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(path), kFileOk);
    EXPECT_EQ(wave.DataLength(), 8u);  // whole frames only
    EXPECT_EQ(wave.ReadSamples(4096), 8);
    EXPECT_EQ(wave.ReadSamples(4096), 0);
}

TEST_F(WaveFileFormat, RefusesWhatItCannotEdit) {
    struct Case {
        const char* what;
        uint16_t tag, channels, bits;
        size_t fmtBytes;
    };
    const Case cases[] = {
        {"ADPCM", 2, 2, 4, 16},        {"three channels", 1, 3, 16, 16},
        {"no channels", 1, 0, 16, 16}, {"4-bit", 1, 1, 4, 16},
        {"48-bit", 1, 1, 48, 16},      {"16-bit float", 3, 1, 16, 16},
        {"short fmt", 1, 2, 16, 14},   {"extensible ADPCM", 0xFFFE, 2, 16, 40},
    };
    for (const Case& c : cases) {
        WaveLayout l;
        l.tag = c.tag;
        l.channels = c.channels;
        l.bits = c.bits;
        if (c.fmtBytes == 40) {
            l.fmtExtra = ExtensibleFmtExtra(16, 3, 2);
        }
        Bytes file = BuildWave(l, Bytes(64, 1));
        if (c.fmtBytes == 14) {
            file[16] = 14;  // "fmt " claims 14 bytes; the rest reads as a junk chunk
        }
        const std::string path = dir.File("bad.wav");
        ASSERT_TRUE(WriteBytes(path, file));
        CWaveFile wave;
        EXPECT_EQ(wave.OpenRead(path), kErrFormat) << c.what;
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
    EXPECT_EQ(wave.OpenWrite(dir.File("pipe.wav"), fmt, 0), kErrCannotWrite);
    EXPECT_EQ(wave.OpenWrite(dir.File("pipe.wav"), fmt, 1), kErrCannotWrite);

    // Width 12 is read in its 16-bit container, as WAV stores it.
    WaveLayout twelve;
    twelve.channels = 1;
    twelve.bits = 12;
    ASSERT_TRUE(WriteBytes(dir.File("12.wav"), BuildWave(twelve, EncodeSamples(16, {0x7FF0, -16}))));
    EXPECT_EQ(ReadInternal(dir.File("12.wav")), (std::vector<int32_t>{0x7FF000, -16 * 256}));
}

TEST_F(WaveFileFormat, WritesTheMinimalLayoutWithCorrectSizes) {
    // Odd data: 3 samples of 8-bit mono; float: no "fact" chunk.
    ASSERT_TRUE(WriteInternal(dir.File("odd.wav"), kWaveFormatPcm, 1, 22050, 8, {0, 1 << 16, -(1 << 16)}));
    WaveContents c;
    ASSERT_TRUE(ReadWave(dir.File("odd.wav"), c));
    EXPECT_EQ(c.ids, (std::vector<std::string>{"fmt ", "data"}));
    EXPECT_EQ(c.fmtSize, 16u);
    EXPECT_EQ(c.claimedDataSize, 3u);
    EXPECT_TRUE(c.padPresent);
    EXPECT_EQ(c.fileSize, 48u);
    EXPECT_EQ(c.riffSize, 4u + 8 + 16 + 8 + 3 + 1);
    EXPECT_EQ(c.bytesPerSecond, 22050u);

    ASSERT_TRUE(WriteInternal(dir.File("f.wav"), kWaveFormatFloat, 2, 96000, 32, {1, 2, 3, 4}));
    ASSERT_TRUE(ReadWave(dir.File("f.wav"), c));
    EXPECT_EQ(c.ids, (std::vector<std::string>{"fmt ", "data"}));
    EXPECT_EQ(c.fileSize, 44u + 16);
    EXPECT_EQ(c.riffSize, c.fileSize - 8);
    EXPECT_EQ(c.blockAlign, 8);
    EXPECT_EQ(c.bytesPerSecond, 96000u * 8);

    // A writer that closes without finishing leaves zero sizes behind.
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(dir.File("open.wav"), fmt, 1), kFileOk);
    ASSERT_EQ(wave.Write("abcd", 4), 4);
    wave.Close();
    ASSERT_TRUE(ReadWave(dir.File("open.wav"), c));
    EXPECT_EQ(c.claimedDataSize, 0u);
    EXPECT_EQ(c.riffSize, 0u);
}

TEST_F(WaveFileFormat, AppendsOverwritesOrRefusesExistingFiles) {
    const std::string path = dir.File("song.wav");
    ASSERT_TRUE(WriteWave(path, 2, 44100, 24, {1, 2, 3, 4}));

    // Mode 0 appends; the caller learns the file's real format (24 bits, not 16).
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    ASSERT_EQ(wave.OpenWrite(path, fmt, 0), kFileOk);
    EXPECT_EQ(fmt.wBitsPerSample, 24);
    EXPECT_EQ(wave.DataBytesWritten(), 12u);
    wave.SetOutputMode(kOutFile);
    for (int32_t v : {5, 6}) ASSERT_TRUE(wave.PutSample(v));
    ASSERT_EQ(wave.FinishDirectWrite(), kFileOk);
    wave.Close();
    EXPECT_EQ(ReadInternal(path), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
    WaveContents c;
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(c.riffSize, c.fileSize - 8);

    // Mode 2 writes from the start of the data; what was beyond is gone.
    ASSERT_EQ(wave.OpenWrite(path, fmt, 2), kFileOk);
    ASSERT_EQ(wave.Write(EncodeSamples(24, {9, 9}).data(), 6), 6);
    ASSERT_EQ(wave.FinishWrite(), kFileOk);
    wave.Close();
    EXPECT_EQ(ReadInternal(path), (std::vector<int32_t>{9, 9}));
    ASSERT_TRUE(ReadWave(path, c));
    EXPECT_EQ(c.fileSize, 44u + 6);

    // Another channel count or rate, or a file that is no editable wave: refused, file untouched.
    ASSERT_TRUE(WriteWave(path, 1, 44100, 16, {1, 2, 3}));
    const Bytes before = ReadBytes(path);
    for (int mode : {0, 2, 4, 5}) {
        WAVEFORMATEX stereo = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
        EXPECT_EQ(wave.OpenWrite(path, stereo, mode), kErrFormat) << mode;
        WAVEFORMATEX otherRate = MakeWaveFormat(kWaveFormatPcm, 1, 48000, 16);
        EXPECT_EQ(wave.OpenWrite(path, otherRate, mode), kErrFormat) << mode;
        EXPECT_FALSE(wave.IsOpen());
    }
    EXPECT_EQ(ReadBytes(path), before);
    WaveLayout adpcm;
    adpcm.tag = 2;
    adpcm.channels = 1;
    adpcm.bits = 4;
    ASSERT_TRUE(WriteBytes(path, BuildWave(adpcm, Bytes(10))));
    const Bytes adpcmBefore = ReadBytes(path);
    WAVEFORMATEX mono = MakeWaveFormat(kWaveFormatPcm, 1, 44100, 16);
    EXPECT_EQ(wave.OpenWrite(path, mono, 0), kErrFormat);
    EXPECT_EQ(ReadBytes(path), adpcmBefore);

    // Mode 1 replaces whatever is there; a requested format we cannot write is refused.
    ASSERT_EQ(wave.OpenWrite(path, mono, 1), kFileOk);
    ASSERT_EQ(wave.FinishWrite(), kFileOk);
    wave.Close();
    EXPECT_EQ(ReadBytes(path).size(), 44u);
    WAVEFORMATEX three = MakeWaveFormat(kWaveFormatPcm, 3, 44100, 16);
    EXPECT_EQ(wave.OpenWrite(dir.File("new.wav"), three, 1), kErrFormat);
    EXPECT_EQ(wave.OpenWrite(dir.File("no/such/dir.wav"), mono, 1), kErrCannotWrite);
}

}  // namespace
