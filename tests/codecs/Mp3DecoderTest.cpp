// MP3 files made by lame from waves of known length; the lengths are checked
// against what the mpg123 program decodes from the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "audiofile/WaveFile.h"
#include "codecs/Mp3Decoder.h"
#include "base/HeadlessServices.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

struct Mp3Case {
    const char* name;
    int rate;
    int channels;
    double seconds;
    const char* lameOptions;
};

class Mp3DecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("ffmpeg") || !HaveProgram("lame")) GTEST_SKIP() << "ffmpeg or lame missing";
    }

    // A sine of the given length, encoded by lame with options.
    std::string MakeMp3(const Mp3Case& c) {
        const std::string wav = m_dir.File(std::string(c.name) + "_src.wav");
        const std::string mp3 = m_dir.File(std::string(c.name) + ".mp3");
        if (RunShell("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=frequency=1000:sample_rate=" +
                     std::to_string(c.rate) + ":duration=" + std::to_string(c.seconds) + " -ac " +
                     std::to_string(c.channels) + " -c:a pcm_s16le '" + wav + "'") != 0 ||
            RunShell("lame --quiet " + std::string(c.lameOptions) + " '" + wav + "' '" + mp3 + "'") != 0) {
            return {};
        }
        return mp3;
    }

    // Data bytes of what the mpg123 program decodes, or -1 without the program.
    int64_t ReferenceBytes(const std::string& mp3) {
        if (!HaveProgram("mpg123")) return -1;
        const std::string wav = mp3 + ".ref.wav";
        if (RunShell("mpg123 -q -w '" + wav + "' '" + mp3 + "'") != 0) return -1;
        WaveContents ref;
        if (!ReadWave(wav, ref)) return -1;
        return static_cast<int64_t>(ref.data.size());
    }

    TempDir m_dir;
};

const Mp3Case kCases[] = {
    {"cbr_stereo", 44100, 2, 1.5, "-b 128"},
    {"vbr_mono_tagged", 22050, 1, 2.25, "-V 5 -m m --add-id3v2 --tt Title --ta Artist --pad-id3v2-size 3000"},
    {"vbr_no_header", 48000, 2, 0.9, "-V 2 -t"},
};

// Length from the headers and from decoding agree with each other and with mpg123, also for
// VBR files with and without their Xing header and behind a padded ID3 tag.
TEST_F(Mp3DecoderTest, InfoAndDecodedLengthAgree) {
    for (const Mp3Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string mp3 = MakeMp3(c);
        ASSERT_FALSE(mp3.empty());
        WaveFileInfo info;
        ASSERT_EQ(CMp3Decoder::GetInfo(mp3, info), 0);
        EXPECT_EQ(info.rate, static_cast<uint32_t>(c.rate));
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_NEAR(info.duration, c.seconds, 2 * 1152.0 / c.rate);
        const double slack = 1152.0 * 2 * c.channels;  // one frame
        const int64_t ref = ReferenceBytes(mp3);
        if (ref >= 0) {
            EXPECT_NEAR(static_cast<double>(info.dataBytes), static_cast<double>(ref), slack);
        }

        // Decoding with a progress window open reports up to the end.
        CHeadlessServices services;
        SetServices(&services);
        services.ProgressOpen(0, 100, "decoding");
        const std::string wav = m_dir.File(std::string(c.name) + ".wav");
        const int rc = CMp3Decoder::DecodeMp3File(mp3, wav);
        SetServices(nullptr);
        ASSERT_GE(rc, 0);
        EXPECT_GE(services.ProgressPos(), 95);
        WaveContents out;
        ASSERT_TRUE(ReadWave(wav, out));
        EXPECT_EQ(out.channels, c.channels);
        EXPECT_EQ(out.rate, static_cast<uint32_t>(c.rate));
        EXPECT_EQ(out.claimedDataSize, out.data.size());
        EXPECT_NEAR(static_cast<double>(out.data.size()), static_cast<double>(info.dataBytes), slack);

        // The sine survives: full scale / 8 (3 dB less per channel in stereo) at 1 kHz.
        const double amplitude = c.channels == 2 ? 4096 / std::sqrt(2.0) : 4096;
        const std::vector<int64_t> s = DecodeSamples(16, out.data);
        double sum = 0;
        for (size_t i = s.size() / 4; i < s.size() * 3 / 4; ++i) sum += static_cast<double>(s[i]) * s[i];
        EXPECT_NEAR(std::sqrt(sum / (s.size() / 2)), amplitude / std::sqrt(2.0), amplitude * 0.1);
    }
}

TEST_F(Mp3DecoderTest, DamagedFilesAndCancelFailCleanly) {
    const std::string mp3 = MakeMp3(kCases[0]);
    ASSERT_FALSE(mp3.empty());
    const Bytes good = ReadBytes(mp3);
    WaveFileInfo whole;
    ASSERT_EQ(CMp3Decoder::GetInfo(mp3, whole), 0);

    // Cut in the middle of a frame: what is there still decodes.
    const std::string half = m_dir.File("half.mp3");
    ASSERT_TRUE(WriteBytes(half, Bytes(good.begin(), good.begin() + good.size() / 2 + 77)));
    WaveFileInfo info;
    ASSERT_EQ(CMp3Decoder::GetInfo(half, info), 0);
    EXPECT_NEAR(info.duration, whole.duration / 2, 0.1);
    EXPECT_GE(CMp3Decoder::DecodeMp3File(half, m_dir.File("half.wav")), 0);

    // Nothing decodable: a failure and no output file.
    Bytes garbage(20000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    Bytes hugeTag = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};  // claims 256 MB, has 500 bytes
    hugeTag.resize(510, 0);
    hugeTag.insert(hugeTag.end(), good.begin(), good.begin() + 2000);
    const Bytes wave = BuildWave(WaveLayout{}, Bytes(4000, 0));
    const std::pair<const char*, Bytes> bad[] = {{"empty", {}},
                                                 {"garbage", garbage},
                                                 {"first bytes only", Bytes(good.begin(), good.begin() + 40)},
                                                 {"huge id3 tag", hugeTag},
                                                 {"a wave", wave}};
    for (const auto& [name, bytes] : bad) {
        SCOPED_TRACE(name);
        const std::string path = m_dir.File("bad.mp3");
        const std::string wav = m_dir.File("bad.wav");
        ASSERT_TRUE(WriteBytes(path, bytes));
        WaveFileInfo bi;
        EXPECT_NE(CMp3Decoder::GetInfo(path, bi), 0);
        EXPECT_LT(CMp3Decoder::DecodeMp3File(path, wav), 0);
        EXPECT_FALSE(std::filesystem::exists(wav));
    }
    WaveFileInfo mi;
    EXPECT_NE(CMp3Decoder::GetInfo(m_dir.Path().string(), mi), 0);

    // A cancel leaves no half-decoded wave either.
    CancelFlag() = true;
    const int rc = CMp3Decoder::DecodeMp3File(mp3, m_dir.File("cancelled.wav"));
    CancelFlag() = false;
    EXPECT_LT(rc, 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("cancelled.wav")));
}

}  // namespace
