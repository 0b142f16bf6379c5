// Interoperation with other programs' WAV files, the information query, error
// boxes and moving files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

using WaveFileTools = ProcessingTest;  // services, a temporary folder, the cancel flag reset

struct Encoding {
    const char* soxArgs;  // sox output options
    const char* ffmpegCodec;
    uint16_t bits;
    bool isFloat;
};

const Encoding kEncodings[] = {{"-b 8 -e unsigned-integer", "pcm_u8", 8, false},
                               {"-b 16 -e signed-integer", "pcm_s16le", 16, false},
                               {"-b 24 -e signed-integer", "pcm_s24le", 24, false},
                               {"-b 32 -e signed-integer", "pcm_s32le", 32, false},
                               {"-b 32 -e floating-point", "pcm_f32le", 32, true}};

TEST_F(WaveFileTools, ReadsFilesWrittenBySoxAndFfmpeg) {
    if (!HaveProgram("sox") || !HaveProgram("ffmpeg")) GTEST_SKIP() << "sox or ffmpeg missing";
    // Their headers (extensible forms, extra chunks) are the point: each must read as the same
    // samples in the plain layout, whose conversions are tested on their own.
    for (const Encoding& e : kEncodings) {
        for (const std::string channels : {"1", "2"}) {
            const std::string sox = dir.File("sox.wav"), ff = dir.File("ff.wav"), plain = dir.File("plain.wav");
            ASSERT_EQ(RunShell("sox -n -r 44100 -c " + channels + " " + e.soxArgs + " " + sox +
                               " synth 0.3 sine 440 sine 1000 vol 0.9"),
                      0);
            ASSERT_EQ(RunShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=f=440:d=0.3 -ac " + channels +
                               " -c:a " + e.ffmpegCodec + " " + ff),
                      0);
            for (const std::string& wav : {sox, ff}) {
                SCOPED_TRACE(wav + " " + e.ffmpegCodec + " x" + channels);
                WaveContents parts;
                ASSERT_TRUE(ReadWave(wav, parts));
                WaveLayout layout;
                layout.tag = e.isFloat ? kWaveFormatFloat : kWaveFormatPcm;
                layout.channels = static_cast<uint16_t>(std::stoi(channels));
                layout.bits = e.bits;
                ASSERT_TRUE(WriteBytes(plain, BuildWave(layout, parts.data)));
                int rc = -1;
                const std::vector<int32_t> got = ReadInternal(wav, &rc, 1000);
                EXPECT_EQ(rc, kFileOk);
                EXPECT_GT(got.size(), 10000u);
                EXPECT_EQ(got, ReadInternal(plain));
                WaveFileInfo info;
                ASSERT_EQ(CWaveFile::FileInfo(wav, info, true), kFileOk);
                EXPECT_EQ(std::to_string(info.channels) + " " + std::to_string(info.bits) + " " + info.typeName,
                          channels + " " + std::to_string(e.bits) + (e.isFloat ? " IEEE Float" : " Linear PCM"));
            }
        }
    }
}

TEST_F(WaveFileTools, FileInfoDescribesEvenWhatCannotBeOpened) {
    // Plain waves and failures are the info command's tests. ADPCM cannot be opened but is
    // described; its duration comes from its byte rate, not from its 4 bits.
    WaveLayout adpcm;
    adpcm.tag = 2;
    adpcm.channels = 1;
    adpcm.rate = 22050;
    adpcm.bits = 4;
    adpcm.blockAlign = 256;
    adpcm.bytesPerSecond = 11155;
    adpcm.fmtExtra = Bytes(32, 0);  // 50-byte "fmt "
    ASSERT_TRUE(WriteBytes(dir.File("adpcm.wav"), BuildWave(adpcm, Bytes(11155 * 2, 0x11))));
    WaveFileInfo info;
    ASSERT_EQ(CWaveFile::FileInfo(dir.File("adpcm.wav"), info), kFileOk);
    EXPECT_EQ(info.typeName, "ADPCM");
    EXPECT_DOUBLE_EQ(info.duration, 2.0);
    EXPECT_TRUE(services.Messages().empty());
}

TEST_F(WaveFileTools, FileTypesGoByExtensionWhateverItsCase) {
    const std::pair<const char*, int> cases[] = {{"song", kTypeUnknown},   {"dir.wav/song", kTypeUnknown},
                                                 {"a.Wav", kTypeWav},      {"/x/a.b.WAV", kTypeWav},
                                                 {"a.mP3", kTypeMp3},      {"a.wma", kTypeWma},
                                                 {"a.aif", kTypeAiff},     {"a.AIFF", kTypeAiff},
                                                 {"a.wave", kTypeUnknown}, {"a.", kTypeUnknown}};
    for (const auto& [name, type] : cases) EXPECT_EQ(CWaveFile::FileTypeOf(name), type) << name;
}

// One mapped code and the fallback of codes without a text of their own.
TEST_F(WaveFileTools, ErrorCodesShowTheirTextWithAStopIcon) {
    const std::pair<int, int> codes[] = {{104, 116}, {107, 117}, {-5, 117}};
    for (const auto& [code, id] : codes) {
        services.ClearMessages();
        EXPECT_EQ(CWaveFile::ReportFileError(code, std::string("/x/song.wav")), code);
        ASSERT_EQ(services.Messages().size(), 1u) << code;
        EXPECT_NE(LoadString(MsgId(id)), "") << id;
        EXPECT_EQ(services.Messages()[0].text, FormatString(MsgId(id), "/x/song.wav")) << code;
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
