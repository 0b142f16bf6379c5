// Encoding finished songs: MP3 through our encoder library and through the
// lame program, WMA and FLAC through FFmpeg, each decoded back by the
// program's own readers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/HeadlessServices.h"
#include "base/Services.h"
#include "codecs/MediaEncoder.h"
#include "codecs/MediaReader.h"
#include "codecs/Mp3Encoder.h"
#include "codecs/Mp3Writer.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

constexpr uint32_t kRate = 44100;

// The RMS level in dB of the left channel of 16-bit stereo data, away from both ends.
double MiddleLevelDb(const Bytes& data) {
    const std::vector<int64_t> s = DecodeSamples(16, data);
    const size_t frames = s.size() / 2;
    double sum = 0;
    size_t n = 0;
    for (size_t i = frames / 4; i < frames * 3 / 4; ++i, ++n) sum += double(s[2 * i]) * double(s[2 * i]);
    return 10 * std::log10(sum / std::max<size_t>(n, 1));
}

std::string Probe(const std::string& file, const std::string& entries) {
    const std::string out = file + ".probe";
    RunShell("ffprobe -v error -show_entries " + entries + " -of default=nw=1 " + ShellQuote(file) + " > " +
             ShellQuote(out));
    return ReadText(out);
}

class EncodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&m_services);
        m_source = m_dir.File("song.wav");
        ASSERT_TRUE(WriteWave(m_source, 2, kRate, 16, SineWave(kFrames, 2, 1000.0 / kRate, 16384)));  // -6 dBFS
        m_options.encoderPath = (BuiltProgramFolder() / Mp3Options::kDefaultPath).string();
    }
    void TearDown() override {
        CancelFlag().store(false);
        SetServices(nullptr);
    }

    static constexpr size_t kFrames = kRate * 3 + 123;  // not a whole number of codec frames
    CHeadlessServices m_services;
    TempDir m_dir;
    std::string m_source;
    Mp3Options m_options;
    AudioTags m_tags{"Song \"One\"", "The Artist", "The Album", 7};
};

// Each coding decodes to the source's length (the encoder delay and padding removed) and keeps
// the tone's level within 0.5 dB.
TEST_F(EncodeTest, RoundTripsKeepLengthAndLevel) {
    const Bytes src = [&] {
        WaveContents w;
        ReadWave(m_source, w);
        return w.data;
    }();
    struct Case {
        const char* name;
        std::function<EncodeResult(const std::string&)> encode;
        size_t slackFrames;
    };
    const std::vector<Case> cases = {
        {"mp3", [&](const std::string& t) { return WriteMp3File(m_source, t, m_options, m_tags); }, 0},
        {"wma", [&](const std::string& t) { return CMediaEncoder::WriteWma(m_source, t, 1, 2, m_tags); }, 0},
        {"flac", [&](const std::string& t) { return CMediaEncoder::WriteFlac(m_source, t, m_tags); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string encoded = m_dir.File(std::string("song.") + c.name);
        const std::string decoded = m_dir.File(std::string("back_") + c.name + ".wav");
        ASSERT_EQ(c.encode(encoded), kEncodeOk);
        ASSERT_EQ(DecodeToWave(encoded, decoded), 0);
        WaveContents back;
        ASSERT_TRUE(ReadWave(decoded, back));
        EXPECT_EQ(back.channels, 2);
        EXPECT_NEAR(double(back.data.size() / 4), double(kFrames), double(c.slackFrames));
        EXPECT_NEAR(MiddleLevelDb(back.data), MiddleLevelDb(src), 0.5);
        if (HaveProgram("ffprobe")) {
            const std::string tags = Probe(encoded, "format_tags=title,artist,album,track");
            EXPECT_NE(tags.find("title=Song \"One\""), std::string::npos) << tags;
            EXPECT_NE(tags.find("artist=The Artist"), std::string::npos) << tags;
            EXPECT_NE(tags.find("album=The Album"), std::string::npos) << tags;
            EXPECT_NE(tags.find("track=7"), std::string::npos) << tags;
        }
    }
}

// The library and the lame program make files of the same bit rate and length.
TEST_F(EncodeTest, LibraryAndExternalEncoderAgree) {
    if (!HaveProgram("lame") || !HaveProgram("ffprobe")) GTEST_SKIP() << "lame or ffprobe missing";
    const std::string lib = m_dir.File("lib.mp3");
    const std::string ext = m_dir.File("ext file's \"name\".mp3");  // no shell may see this name
    ASSERT_EQ(WriteMp3File(m_source, lib, m_options, {}), kEncodeOk);
    Mp3Options external = m_options;
    external.useDll = false;
    external.encoderPath = "lame";
    external.extraOptions = "--quiet";
    ASSERT_EQ(WriteMp3File(m_source, ext, external, {}), kEncodeOk);
    const std::string entries = "stream=bit_rate,duration_ts,sample_rate,channels";
    EXPECT_EQ(Probe(lib, entries), Probe(ext, entries));
    EXPECT_NE(Probe(lib, entries).find("bit_rate=128000"), std::string::npos);
}

// The oggenc program gets the song under a name no shell could take apart and leaves an Ogg Vorbis
// file beside the target, named with ".ogg", of the song's length and level.
TEST_F(EncodeTest, OggencWritesVorbisOfTheSongsLengthAndLevel) {
    if (!HaveProgram("oggenc") || !HaveProgram("ffprobe")) GTEST_SKIP() << "oggenc or ffprobe missing";
    const std::string source = m_dir.File("it's \"a\" song.wav");
    std::filesystem::copy_file(m_source, source);
    Mp3Options o = m_options;
    o.useDll = false;
    o.encoderType = Mp3Options::kOggVorbis;
    o.encoderPath = "oggenc";
    o.extraOptions = "--quiet";
    ASSERT_EQ(WriteMp3File(source, m_dir.File("it's \"a\" song.mp3"), o, {}), kEncodeOk);
    const std::string ogg = m_dir.File("it's \"a\" song.ogg");
    EXPECT_NE(Probe(ogg, "stream=codec_name").find("codec_name=vorbis"), std::string::npos);
    const std::string back = m_dir.File("ogg back.wav");
    ASSERT_EQ(DecodeToWave(ogg, back), 0);
    WaveContents w, src;
    ASSERT_TRUE(ReadWave(back, w));
    ASSERT_TRUE(ReadWave(m_source, src));
    EXPECT_EQ(w.data.size(), src.data.size());
    EXPECT_NEAR(MiddleLevelDb(w.data), MiddleLevelDb(src.data), 0.5);
}

// A cancelled encoding leaves no file behind, whatever the coding.
TEST_F(EncodeTest, CancelLeavesNoFile) {
    const std::vector<std::pair<std::string, std::function<EncodeResult(const std::string&)>>> cases = {
        {"c.mp3", [&](const std::string& t) { return WriteMp3File(m_source, t, m_options, m_tags); }},
        {"c.wma", [&](const std::string& t) { return CMediaEncoder::WriteWmaAt(m_source, t, 128, m_tags); }},
        {"c.flac", [&](const std::string& t) { return CMediaEncoder::WriteFlac(m_source, t, m_tags); }},
    };
    for (const auto& [name, encode] : cases) {
        SCOPED_TRACE(name);
        CancelFlag().store(true);
        EXPECT_EQ(encode(m_dir.File(name)), kEncodeCancelled);
        CancelFlag().store(false);
        EXPECT_FALSE(std::filesystem::exists(m_dir.File(name)));
    }
}

// The library is refused with message 1470 when no candidate folder holds it.
TEST_F(EncodeTest, MissingLibraryIsTold) {
    Mp3Options o = m_options;
    o.encoderType = Mp3Options::kOggVorbis;  // no library of ours stands for it
    CMp3Encoder encoder(o);
    EXPECT_FALSE(encoder.LoadEncoderLibrary());
    ASSERT_FALSE(m_services.Messages().empty());
    EXPECT_NE(m_services.Messages().back().text.find("Could not load the LAME MP3 encoder"), std::string::npos);
    EXPECT_EQ(WriteMp3File(m_source, m_dir.File("none.mp3"), o, {}), kEncodeFailed);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("none.mp3")));
}

}  // namespace
