// Interoperation with other programs' WAV files, the information query, error
// boxes and moving files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "shell/StringTable.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

class WaveFileTools : public ::testing::Test {
protected:
    void SetUp() override { SetServices(&services); }
    void TearDown() override { SetServices(nullptr); }
    CHeadlessServices services;
    TempDir dir;
};

struct Encoding {
    const char* soxArgs;  // sox output options
    const char* ffmpegCodec;
    const char* rawFormat;  // ffmpeg raw muxer of the same samples
    uint16_t bits;
    bool isFloat;
};

const Encoding kEncodings[] = {
    {"-b 8 -e unsigned-integer", "pcm_u8", "u8", 8, false},
    {"-b 16 -e signed-integer", "pcm_s16le", "s16le", 16, false},
    {"-b 24 -e signed-integer", "pcm_s24le", "s24le", 24, false},
    {"-b 32 -e signed-integer", "pcm_s32le", "s32le", 32, false},
    {"-b 32 -e floating-point", "pcm_f32le", "f32le", 32, true},
};

// What CWaveFile must make of the raw sample bytes of an encoding.
std::vector<int32_t> Expected(const Encoding& e, const Bytes& raw) {
    std::vector<int32_t> out;
    if (e.isFloat) {
        for (float f : DecodeFloats(raw)) out.push_back(static_cast<int32_t>(f * 8388607.0f));
        return out;
    }
    if (e.bits == 8) {
        for (uint8_t b : raw) out.push_back((b - 128) * 65536);
        return out;
    }
    for (int64_t v : DecodeSamples(e.bits, raw)) {
        out.push_back(static_cast<int32_t>(e.bits == 16 ? v * 256 : e.bits == 24 ? v : v >> 8));
    }
    return out;
}

TEST_F(WaveFileTools, ReadsFilesWrittenBySoxAndFfmpeg) {
    if (!HaveProgram("sox") || !HaveProgram("ffmpeg")) GTEST_SKIP() << "sox or ffmpeg missing";
    for (const Encoding& e : kEncodings) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << e.ffmpegCodec << " x" << channels);
            const std::string sox = dir.File("sox.wav"), ff = dir.File("ff.wav");
            const std::string soxRaw = dir.File("sox.raw"), ffRaw = dir.File("ff.raw");
            ASSERT_EQ(RunShell("sox -n -r 44100 -c " + std::to_string(channels) + " " + e.soxArgs + " " + sox +
                               " synth 0.3 sine 440 sine 1000 vol 0.9 && sox " + sox + " -t raw " + soxRaw),
                      0);
            ASSERT_EQ(RunShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=f=440:d=0.3 -ac " +
                               std::to_string(channels) + " -c:a " + e.ffmpegCodec + " " + ff +
                               " && ffmpeg -nostdin -loglevel error -y -i " + ff + " -c:a copy -f " + e.rawFormat +
                               " " + ffRaw),
                      0);
            for (const auto& [wav, raw] : {std::pair{sox, soxRaw}, std::pair{ff, ffRaw}}) {
                int rc = -1;
                const std::vector<int32_t> got = ReadInternal(wav, &rc, 1000);
                ASSERT_EQ(rc, kFileOk) << wav;
                const std::vector<int32_t> want = Expected(e, ReadBytes(raw));
                ASSERT_GT(want.size(), 10000u);
                EXPECT_EQ(got, want) << wav;
                WaveFileInfo info;
                ASSERT_EQ(CWaveFile::FileInfo(wav, info, true), kFileOk);
                EXPECT_EQ(info.channels, channels);
                EXPECT_EQ(info.bits, e.bits);
                EXPECT_EQ(info.typeName, e.isFloat ? "IEEE Float" : "Linear PCM");
            }
        }
    }
}

TEST_F(WaveFileTools, SoxReadsWhatWeWrite) {
    if (!HaveProgram("soxi") || !HaveProgram("sox")) GTEST_SKIP() << "sox missing";
    std::vector<int32_t> samples;
    for (int i = 0; i < 2 * 4411; ++i)
        samples.push_back((i * 7919) % 16777215 - 8388607);  // odd frame count; sox clips floats below -1
    for (const Encoding& e : kEncodings) {
        for (uint16_t channels : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << e.rawFormat << " x" << channels);
            const std::string path = dir.File("ours.wav"), raw = dir.File("ours.raw"), info = dir.File("soxi.txt");
            const std::vector<int32_t> part(samples.begin(), samples.begin() + 4411 * channels);
            ASSERT_TRUE(
                WriteInternal(path, e.isFloat ? kWaveFormatFloat : kWaveFormatPcm, channels, 22050, e.bits, part));
            ASSERT_EQ(RunShell("soxi -c " + path + " 2>/dev/null > " + info + " && soxi -r " + path + " >> " + info +
                               " && soxi -b " + path + " >> " + info + " && soxi -s " + path + " >> " + info +
                               " && sox " + path + " -t raw " + raw + " 2>/dev/null"),
                      0);
            std::ifstream in(info);
            int c = 0, r = 0, b = 0, s = 0;
            in >> c >> r >> b >> s;
            EXPECT_EQ(c, channels);
            EXPECT_EQ(r, 22050);
            EXPECT_EQ(b, e.bits);
            EXPECT_EQ(s, 4411);
            WaveContents ours;
            ASSERT_TRUE(ReadWave(path, ours));
            if (!e.isFloat) {
                EXPECT_EQ(ReadBytes(raw), ours.data);
                continue;
            }
            // sox passes floats through its own 32-bit integers: equal to within that precision.
            const std::vector<float> theirs = DecodeFloats(ReadBytes(raw)), mine = DecodeFloats(ours.data);
            ASSERT_EQ(theirs.size(), mine.size());
            for (size_t i = 0; i < mine.size(); ++i) ASSERT_NEAR(theirs[i], mine[i], 1e-6f) << i;
        }
    }
}

TEST_F(WaveFileTools, FileInfoDescribesEvenWhatCannotBeOpened) {
    ASSERT_TRUE(WriteWave(dir.File("a.WAV"), 2, 44100, 16, std::vector<int64_t>(44100 * 2, 0)));
    WaveFileInfo info;
    ASSERT_EQ(CWaveFile::FileInfo(dir.File("a.WAV"), info), kFileOk);
    EXPECT_EQ(info.dataBytes, 176400u);
    EXPECT_EQ(info.blockAlign, 4);
    EXPECT_DOUBLE_EQ(info.duration, 1.0);
    EXPECT_EQ(info.typeName, "Linear PCM");

    // ADPCM cannot be opened but is described; its duration comes from its byte rate.
    WaveLayout adpcm;
    adpcm.tag = 2;
    adpcm.channels = 1;
    adpcm.rate = 22050;
    adpcm.bits = 4;
    adpcm.blockAlign = 256;
    adpcm.bytesPerSecond = 11155;
    adpcm.fmtExtra = Bytes(32, 0);  // 50-byte "fmt "
    ASSERT_TRUE(WriteBytes(dir.File("adpcm.wav"), BuildWave(adpcm, Bytes(11155 * 2, 0x11))));
    CWaveFile wave;
    EXPECT_EQ(wave.OpenRead(dir.File("adpcm.wav")), kErrFormat);
    ASSERT_EQ(CWaveFile::FileInfo(dir.File("adpcm.wav"), info), kFileOk);
    EXPECT_EQ(info.typeName, "ADPCM");
    EXPECT_EQ(info.bits, 4);
    EXPECT_DOUBLE_EQ(info.duration, 2.0);
    adpcm.tag = 0x1234;
    ASSERT_TRUE(WriteBytes(dir.File("odd.wav"), BuildWave(adpcm, Bytes(10))));
    ASSERT_EQ(CWaveFile::FileInfo(dir.File("odd.wav"), info), kFileOk);
    EXPECT_EQ(info.typeName, "Unknown");
    EXPECT_TRUE(services.Messages().empty());

    // Failures: reported with the name unless quiet.
    EXPECT_EQ(CWaveFile::FileInfo(dir.File("missing.wav"), info, true), kErrCannotOpen);
    EXPECT_EQ(info.typeName, "Unknown");
    EXPECT_TRUE(services.Messages().empty());
    adpcm.channels = 3;
    ASSERT_TRUE(WriteBytes(dir.File("three.wav"), BuildWave(adpcm, Bytes(10))));
    EXPECT_EQ(CWaveFile::FileInfo(dir.File("three.wav"), info), kErrFormat);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, LoadString(116));
    EXPECT_EQ(services.Messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(CWaveFile::FileInfo(dir.File("notes.txt"), info, true), kErrBadType);
}

TEST_F(WaveFileTools, FileTypesGoByExtensionWhateverItsCase) {
    const std::pair<const char*, int> cases[] = {{"song", kTypeUnknown},   {"dir.wav/song", kTypeUnknown},
                                                 {"a.Wav", kTypeWav},      {"/x/a.b.WAV", kTypeWav},
                                                 {"a.mP3", kTypeMp3},      {"a.wma", kTypeWma},
                                                 {"a.aif", kTypeAiff},     {"a.AIFF", kTypeAiff},
                                                 {"a.wave", kTypeUnknown}, {"a.", kTypeUnknown}};
    for (const auto& [name, type] : cases) EXPECT_EQ(CWaveFile::FileTypeOf(name), type) << name;
}

TEST_F(WaveFileTools, EveryErrorCodeShowsItsTextWithAStopIcon) {
    const std::pair<int, int> codes[] = {{1, 32815}, {2, 32816}, {3, 32819},   {4, 32834}, {101, 9},   {102, 118},
                                         {103, 140}, {104, 116}, {105, 32786}, {106, 188}, {108, 190}, {110, 32927},
                                         {111, 436}, {112, 438}, {113, 123},   {107, 117}, {-5, 117}};
    for (const auto& [code, id] : codes) {
        services.ClearMessages();
        EXPECT_EQ(CWaveFile::ReportFileError(code, std::string("/x/song.wav")), code);
        ASSERT_EQ(services.Messages().size(), 1u) << code;
        EXPECT_FALSE(LoadString(id).empty()) << id;
        EXPECT_EQ(services.Messages()[0].text, FormatString(id, "/x/song.wav")) << code;
        EXPECT_EQ(services.Messages()[0].icon, MsgIcon::Stop);
    }
    services.ClearMessages();
    EXPECT_EQ(CWaveFile::ReportFileError(0), 0);
    EXPECT_EQ(CWaveFile::ReportFileError(1), 1);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text.find("%1"), std::string::npos);
}

TEST_F(WaveFileTools, RenameMovesWithoutReplacingAndAcrossFileSystems) {
    const std::string a = dir.File("a.wav"), b = dir.File("b.wav");
    ASSERT_TRUE(WriteBytes(a, Bytes(100, 1)));
    ASSERT_EQ(CWaveFile::RenameFile(a, b), 0);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(ReadBytes(b), Bytes(100, 1));

    // An existing destination stays as it is; so does the source.
    ASSERT_TRUE(WriteBytes(a, Bytes(5, 2)));
    EXPECT_EQ(CWaveFile::RenameFile(a, b), 1);
    EXPECT_EQ(ReadBytes(a), Bytes(5, 2));
    EXPECT_EQ(ReadBytes(b), Bytes(100, 1));
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].caption, "File R-Name Error");
    EXPECT_EQ(services.Messages()[0].icon, MsgIcon::Information);
    EXPECT_FALSE(services.Messages()[0].text.empty());
    EXPECT_EQ(CWaveFile::RenameFile(dir.File("none.wav"), dir.File("c.wav")), 1);

    // Another file system: copied, then the source removed.
    if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system";
    const std::string shm = "/dev/shm/restova-rename-" + std::to_string(getpid()) + ".wav";
    std::filesystem::remove(shm);
    ASSERT_EQ(CWaveFile::RenameFile(b, shm), 0);
    EXPECT_FALSE(std::filesystem::exists(b));
    EXPECT_EQ(ReadBytes(shm), Bytes(100, 1));
    ASSERT_TRUE(WriteBytes(b, Bytes(3, 3)));
    EXPECT_EQ(CWaveFile::RenameFile(b, shm), 1);  // no replacement across file systems either
    EXPECT_EQ(ReadBytes(shm), Bytes(100, 1));
    EXPECT_TRUE(std::filesystem::exists(b));
    std::filesystem::remove(shm);
}

}  // namespace
