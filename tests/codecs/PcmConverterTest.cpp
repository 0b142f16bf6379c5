// Compressed waves made by ffmpeg from a known sine are converted and compared
// with ffmpeg's own decoding of the same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

struct CodecCase {
    const char* codec;  // ffmpeg encoder name
    int rate;
    int channels;
};

std::ostream& operator<<(std::ostream& os, const CodecCase& c) {
    return os << c.codec << "/" << c.channels;
}

// A 1.3 s sine at 1/8 of full scale (ffmpeg's default), encoded with codec.
bool MakeSource(const std::string& path, const CodecCase& c, double seconds = 1.3) {
    return RunShell("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:sample_rate=" +
                    std::to_string(c.rate) + ":duration=" + std::to_string(seconds) + " -ac " +
                    std::to_string(c.channels) + " -c:a " + c.codec + " '" + path + "'") == 0;
}

// ffmpeg's decoding of a file to interleaved 16-bit samples.
std::vector<int64_t> ReferenceDecode(const std::string& path, const std::string& rawPath) {
    if (RunShell("ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + path + "' -f s16le -c:a pcm_s16le '" +
                 rawPath + "'") != 0) {
        return {};
    }
    return DecodeSamples(16, ReadBytes(rawPath));
}

WaveLayout Layout(uint16_t tag, uint16_t channels, uint16_t bits, Bytes extra,
                  std::optional<uint16_t> blockAlign = {}) {
    WaveLayout l;
    l.tag = tag;
    l.channels = channels;
    l.rate = 8000;
    l.bits = bits;
    l.blockAlign = blockAlign;
    l.fmtExtra = std::move(extra);
    return l;
}

int Convert(const std::string& source, std::string& destination, uint32_t blockLength = 4096) {
    CWaveFile owner(blockLength, 4096);
    return owner.ConvertToPcm(source, destination);
}

class PcmConverterCodecs : public ::testing::TestWithParam<CodecCase> {};

TEST_P(PcmConverterCodecs, MatchesReferenceDecode) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    const CodecCase& c = GetParam();
    TempDir dir;
    const std::string src = dir.File("src.wav");
    ASSERT_TRUE(MakeSource(src, c));
    const std::vector<int64_t> ref = ReferenceDecode(src, dir.File("ref.raw"));
    ASSERT_GT(ref.size(), 0u);

    // A small block length makes the conversion run through many reads.
    std::string dst = dir.File("out.wav");
    ASSERT_EQ(Convert(src, dst, 1000), 0);
    EXPECT_EQ(dst, dir.File("out.wav"));
    WaveContents out;
    ASSERT_TRUE(ReadWave(dst, out));
    EXPECT_EQ(out.tag, 1);
    EXPECT_EQ(out.rate, static_cast<uint32_t>(c.rate));
    EXPECT_EQ(out.claimedDataSize, out.data.size());

    const std::vector<int64_t> got = DecodeSamples(16, out.data);
    ASSERT_EQ(got.size(), ref.size());
    int64_t worst = 0;
    for (size_t i = 0; i < got.size(); ++i) worst = std::max<int64_t>(worst, std::llabs(got[i] - ref[i]));
    EXPECT_LE(worst, 1);
}

INSTANTIATE_TEST_SUITE_P(Codecs, PcmConverterCodecs,
                         ::testing::Values(CodecCase{"pcm_alaw", 44100, 2}, CodecCase{"pcm_mulaw", 22050, 1},
                                           CodecCase{"adpcm_ima_wav", 22050, 2}, CodecCase{"adpcm_ima_wav", 8000, 1},
                                           CodecCase{"adpcm_ms", 44100, 2}, CodecCase{"adpcm_ms", 11025, 1},
                                           CodecCase{"gsm_ms", 8000, 1}));

TEST(PcmConverter, ExtensibleKeepsSamplesAndNaturalWidth) {
    TempDir dir;
    struct Case {
        uint16_t bits;
        uint16_t subFormat;
        uint16_t outTag;
    };
    std::vector<int64_t> values;
    for (int i = 0; i < 3001; ++i) values.push_back((i * 7919) % 60000 - 30000);
    for (const Case& k : {Case{16, 1, 1}, Case{24, 1, 1}, Case{32, 1, 1}, Case{32, 3, 3}}) {
        SCOPED_TRACE(k.bits * 10 + k.subFormat);
        const WaveLayout layout = Layout(0xFFFE, 2, k.bits, ExtensibleFmtExtra(k.bits, 3, k.subFormat));
        std::vector<float> floats;
        std::vector<int64_t> scaled;
        for (int64_t v : values) {
            floats.push_back(static_cast<float>(v) / 32768.0f);
            scaled.push_back(v << (k.bits - 16));
        }
        Bytes data = k.subFormat == 3 ? EncodeFloats(floats) : EncodeSamples(k.bits, scaled);
        // An odd frame count, and a data chunk that is not a multiple of the read size.
        data.resize(data.size() / (2 * k.bits / 8) * (2 * k.bits / 8));
        const std::string src = dir.File("ext.wav");
        ASSERT_TRUE(WriteBytes(src, BuildWave(layout, data)));
        std::string dst = dir.File("out" + std::to_string(k.bits * 10 + k.subFormat) + ".wav");
        ASSERT_EQ(Convert(src, dst, 777), 0);
        WaveContents out;
        ASSERT_TRUE(ReadWave(dst, out));
        EXPECT_EQ(out.tag, k.outTag);
        EXPECT_EQ(out.bits, k.bits);
        EXPECT_TRUE(out.data == data);
    }
}

TEST(PcmConverter, TruncatedSourceConvertsWhatIsThere) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    TempDir dir;
    for (const CodecCase& c : {CodecCase{"adpcm_ima_wav", 22050, 2}, CodecCase{"gsm_ms", 8000, 1}}) {
        SCOPED_TRACE(c.codec);
        const std::string src = dir.File(std::string(c.codec) + ".wav");
        ASSERT_TRUE(MakeSource(src, c, 2.0));
        std::string full = dir.File(std::string(c.codec) + "_full.wav");
        ASSERT_EQ(Convert(src, full), 0);
        WaveContents whole;
        ASSERT_TRUE(ReadWave(full, whole));

        // Cut in the middle of a block: the header still claims the whole data.
        Bytes bytes = ReadBytes(src);
        WaveContents in;
        ASSERT_TRUE(ParseWave(bytes, in));
        const size_t dataStart = bytes.size() - in.data.size() - (in.padPresent ? 1 : 0);
        bytes.resize(dataStart + in.data.size() * 3 / 5 + in.blockAlign / 3);
        const std::string cut = dir.File(std::string(c.codec) + "_cut.wav");
        ASSERT_TRUE(WriteBytes(cut, bytes));
        std::string dst = dir.File(std::string(c.codec) + "_part.wav");
        ASSERT_EQ(Convert(cut, dst), 0);
        WaveContents part;
        ASSERT_TRUE(ReadWave(dst, part));
        EXPECT_NEAR(static_cast<double>(part.data.size()) / whole.data.size(), 0.6, 0.03);
        ASSERT_LE(part.data.size(), whole.data.size());
        // Every block before the cut decodes exactly as in the whole file.
        const size_t blockBytes = 2 * c.channels * 2048;
        const size_t common = part.data.size() > blockBytes ? part.data.size() - blockBytes : 0;
        EXPECT_TRUE(std::equal(part.data.begin(), part.data.begin() + common, whole.data.begin()));
    }
}

TEST(PcmConverter, ExistingDestinationGetsNumberedVariant) {
    TempDir dir;
    const std::string src = dir.File("alaw.wav");
    ASSERT_TRUE(WriteBytes(src, BuildWave(Layout(6, 1, 8, {0, 0}), Bytes(800, 0xD5))));  // A-law silence
    const std::string taken = dir.File("Song_pcm.wav");
    ASSERT_TRUE(WriteBytes(taken, Bytes{'k', 'e', 'e', 'p'}));
    std::string dst = taken;
    ASSERT_EQ(Convert(src, dst), 0);
    EXPECT_EQ(dst, dir.File("Song_pcm1.wav"));
    EXPECT_EQ(ReadBytes(taken), (Bytes{'k', 'e', 'e', 'p'}));
    WaveContents out;
    ASSERT_TRUE(ReadWave(dst, out));
    EXPECT_EQ(out.data.size(), 1600u);
    for (int64_t v : DecodeSamples(16, out.data)) ASSERT_LE(std::llabs(v), 8);
}

TEST(PcmConverter, FailuresLeaveNoFileBehind) {
    TempDir dir;
    struct Case {
        const char* name;
        Bytes file;
        int expected;  // 0 means any failure
    };
    const Bytes data(4096, 0x5A);
    std::vector<Case> cases = {
        {"unknown tag", BuildWave(Layout(0x1234, 1, 8, {0, 0}), data), -1},
        {"extensible with unknown subformat", BuildWave(Layout(0xFFFE, 2, 16, ExtensibleFmtExtra(16, 3, 0x99)), data),
         -1},
        {"extensible without its extension", BuildWave(Layout(0xFFFE, 2, 16, {0, 0}), data), 0},
        {"ima adpcm without block size", BuildWave(Layout(17, 1, 4, {2, 0, 0xF9, 0x01}, 0), data), 0},
        {"gsm with a bad block size", BuildWave(Layout(49, 1, 0, {2, 0, 0x40, 0x01}, 7), data), 0},
        {"ima adpcm with one-byte blocks", BuildWave(Layout(17, 2, 4, {2, 0, 0xF9, 0x01}, 1), data), 0},
        {"not a wave", Bytes(300, 'x'), kErrFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string src = dir.File("src.wav");
        ASSERT_TRUE(WriteBytes(src, c.file));
        std::string dst = dir.File("out.wav");
        const int rc = Convert(src, dst);
        EXPECT_TRUE(c.expected ? rc == c.expected : rc != 0) << rc;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
        EXPECT_FALSE(std::filesystem::exists(dst));
    }

    std::string dst = dir.File("out.wav");
    EXPECT_EQ(Convert(dir.File("missing.wav"), dst), kErrCannotOpen);
    EXPECT_FALSE(std::filesystem::exists(dst));

    // A cancel stops the conversion without a half-written destination.
    ASSERT_TRUE(WriteBytes(dir.File("mulaw.wav"), BuildWave(Layout(7, 1, 8, {0, 0}), Bytes(200000, 0xFF))));
    CancelFlag() = true;
    const int rc = Convert(dir.File("mulaw.wav"), dst);
    CancelFlag() = false;
    EXPECT_EQ(rc, -1);
    EXPECT_FALSE(std::filesystem::exists(dst));
}

}  // namespace
