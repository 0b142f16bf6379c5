// The peak file a commit writes: the same bytes a build from the committed
// wave gives, for every sample format; a peak file that cannot be written
// keeps the song as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/HeadlessServices.h"
#include "base/StringTable.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

struct Shape {
    uint16_t channels;
    uint16_t bits;
    bool isFloat;
    uint32_t frames;  // of the song; the stream loses a cut and gains nothing
};

std::string Name(const testing::TestParamInfo<Shape>& info) {
    const Shape& s = info.param;
    return std::to_string(s.channels) + "ch" + std::to_string(s.bits) + (s.isFloat ? "float" : "bit") + "_" +
           std::to_string(s.frames);
}

// Noise over the whole range of the format, with the extremes in it (a float
// also goes beyond full scale, where peaks clamp).
bool WriteNoise(const std::string& path, const Shape& s, uint32_t frames, unsigned seed) {
    return WriteNoiseWave(path, s.isFloat ? kWaveFormatFloat : kWaveFormatPcm, s.channels, s.bits, frames, seed, 1.25f);
}

class CommitPeaksTest : public ::testing::TestWithParam<Shape> {
protected:
    void SetUp() override {
        SetServices(&m_services);
        CancelFlag().store(false);
        m_song = m_dir.File("Song.wav");
    }
    void TearDown() override { SetServices(nullptr); }

    // A session over a noise song with a filter pass, a cut (of an odd number of frames) and dividers.
    void OpenEdited(CEditQueue& q, const Shape& s) {
        ASSERT_TRUE(WriteNoise(m_song, s, s.frames, 1));
        CWaveFile probe;
        ASSERT_EQ(probe.OpenRead(m_song), kFileOk);
        const WAVEFORMATEX fmt = probe.Format();
        const uint32_t frame = fmt.nBlockAlign;
        probe.Close();
        q.SetTempPath(m_dir.Path().string());
        ASSERT_EQ(q.OpenSession(m_song, fmt, s.frames * frame), 0);
        const std::string filtered = m_dir.File("dctmp1.wav");
        ASSERT_TRUE(WriteNoise(filtered, s, s.frames / 2, 2));
        ASSERT_EQ(
            q.AddFilterStep(filtered, s.frames / 5 * frame, (s.frames / 5 + s.frames / 3) * frame, "Clean", 7 * frame),
            0);
        ASSERT_GE(q.AddCutStep(s.frames / 2 * frame, (s.frames / 2 + 333) * frame), 0);
        DividerBlock block{};
        block.records[0].position = 1000 * frame;
        block.SetName(0, "Side A");
        block.records[1].position = 9000 * frame;
        block.SetName(1, "Second song");
        block.SetStatusDone(0, true);
        q.SetDividers(block, 2);
    }

    TempDir m_dir;
    CHeadlessServices m_services;
    std::string m_song;
};

TEST_P(CommitPeaksTest, PeakFileIsWhatABuildOfTheCommittedWaveWrites) {
    const Shape s = GetParam();
    CEditQueue q;
    OpenEdited(q, s);
    DividerBlock dividers;
    uint32_t count = 0;
    q.GetDividers(dividers, count);
    const std::string out = m_dir.File("Out.wav");
    ASSERT_TRUE(q.CommitSession(out));

    const std::string ref = m_dir.File("Ref.wav");
    fs::copy_file(out, ref);
    CWaveFile wave;
    ASSERT_EQ(wave.OpenRead(ref), kFileOk);
    PeakResults results;
    ASSERT_EQ(CPeakFile::BuildPeakFile(wave, 0, 0, &dividers, count, results), 0);
    const Bytes built = ReadBytes(PeakFileName(ref));
    ASSERT_GT(built.size(), CPeakFile::kHeaderBytes);
    EXPECT_TRUE(ReadBytes(PeakFileName(out)) == built);
    EXPECT_TRUE(m_services.Messages().empty());
}

// 16-bit stereo crosses the copy's 256 KiB blocks inside a group, and its
// stream (the song less the 333-frame cut) ends on a group of exactly half and
// of one frame short of half (102 and 101 frames).
INSTANTIATE_TEST_SUITE_P(Formats, CommitPeaksTest,
                         testing::Values(Shape{2, 16, false, 204 * 690 + 102 + 333},
                                         Shape{2, 16, false, 204 * 690 + 101 + 333}, Shape{1, 16, false, 140001},
                                         Shape{1, 8, false, 30001}, Shape{2, 24, false, 30011},
                                         Shape{1, 32, false, 30013}, Shape{2, 32, true, 30017}),
                         Name);

using CommitPeaksFailureTest = CommitPeaksTest;

TEST_F(CommitPeaksFailureTest, PeakFileThatCannotBeWrittenKeepsSongAndSession) {
    const Shape s{2, 16, false, 20000};
    CEditQueue q;
    OpenEdited(q, s);
    const Bytes song = ReadBytes(m_song);
    // The commit's scratch wave is Song1000.wav; its peak file's name is taken by a folder.
    const std::string scratch = NumberedVariant(m_song, 1000);
    fs::create_directory(PeakFileName(scratch));

    EXPECT_FALSE(q.CommitSession(m_song));
    EXPECT_TRUE(ReadBytes(m_song) == song);
    EXPECT_FALSE(fs::exists(scratch));
    const FileFaults faults = q.TakeFaults();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].kind, FaultKind::kNoPeakFile);
    EXPECT_EQ(q.Steps().size(), 3u);

    // Once the name is free again the same session commits.
    fs::remove(PeakFileName(scratch));
    ASSERT_TRUE(q.CommitSession(m_song));
    EXPECT_FALSE(ReadBytes(m_song) == song);
    EXPECT_TRUE(fs::is_regular_file(PeakFileName(m_song)));
}

}  // namespace
