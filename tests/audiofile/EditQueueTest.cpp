// Sessions on disk: opening, steps, the stream, recovery, commit and discard.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <tuple>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/SessionArchive.h"
#include "audiofile/WaveFile.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

// Stereo 16-bit samples of one level, with a louder first left sample.
Bytes Level(size_t bytes, int16_t level, int16_t first) {
    std::vector<int64_t> v(bytes / 2, level);
    v[0] = first;
    return EncodeSamples(16, v);
}

class EditQueueTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        m_song = dir.File("Song.wav");
        m_songBytes = PatternBytes(40000, 1);
        ASSERT_TRUE(WriteBytes(m_song, BuildWave(WaveLayout{}, m_songBytes)));
    }

    std::string StepFile(int n, const Bytes& data) const {
        std::string path = FileInTempDir(settings.TempPath, "dctmp" + std::to_string(n) + ".wav");
        EXPECT_TRUE(WriteBytes(path, BuildWave(WaveLayout{}, data)));
        return path;
    }
    int Open(CEditQueue& q) {
        q.SetTempPath(settings.TempPath);
        return q.OpenSession(m_song, m_fmt, static_cast<uint32_t>(m_songBytes.size()));
    }
    static Bytes ReadAll(CEditQueue& q, int64_t chunk) {
        Bytes out(q.StreamLength());
        q.SeekStream(0, 0);
        size_t done = 0;
        while (done < out.size()) {
            int64_t n = q.ReadStream(out.data() + done, std::min<int64_t>(chunk, out.size() - done));
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        out.resize(done);
        return out;
    }
    // Four steps of every adding kind; expected is the stream they make.
    void AddFourSteps(CEditQueue& q, Bytes& expected) {
        expected = m_songBytes;
        const Bytes f = PatternBytes(8000, 2);
        ASSERT_EQ(q.AddFilterStep(StepFile(1, f), 4000, 12000, "Clean", 0), 0);
        std::copy(f.begin(), f.end(), expected.begin() + 4000);

        const Bytes r = PatternBytes(2000, 3);
        ASSERT_EQ(q.AddResizeStep(StepFile(2, r), 20000, 24000, "Pitch", 0), 0);
        expected.erase(expected.begin() + 20000, expected.begin() + 24000);
        expected.insert(expected.begin() + 20000, r.begin(), r.end());

        const Bytes p = PatternBytes(1200, 4);  // the range [1, 1003) becomes [0, 1000)
        ASSERT_EQ(q.AddReplaceStep(StepFile(3, p), 1, 1003), 0);
        std::copy(p.begin(), p.begin() + 1000, expected.begin());

        ASSERT_EQ(q.AddCutStep(30000, 34000), 4);
        expected.erase(expected.begin() + 30000, expected.begin() + 34000);
    }

    WAVEFORMATEX m_fmt = MakeWaveFormat(1, 2, 44100, 16);
    std::string m_song;
    Bytes m_songBytes;
};

TEST_F(EditQueueTest, FreshSessionIsOneSongStepSavedBesideTheSongEvenOverAForeignFile) {
    // A session file under another identifier is not ours: replaced without a question.
    const std::string other = "{11111111-2C27-4f04-9D26-362AD54A1139}";
    Bytes foreign(200, 0);
    foreign[0] = static_cast<uint8_t>(other.size());
    std::copy(other.begin(), other.end(), foreign.begin() + 1);
    ASSERT_TRUE(WriteBytes(dir.File("Song.ses"), foreign));
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    EXPECT_TRUE(services.Messages().empty());
    EXPECT_EQ(ReadAll(q, 4096), m_songBytes);
    EXPECT_TRUE(fs::exists(dir.File("Song.pkf")));

    const Bytes ses = ReadBytes(dir.File("Song.ses"));
    CSessionArchive::Contents c;
    ASSERT_EQ(CSessionArchive::Read(ses.data(), ses.size(), c), CSessionArchive::kOk);
    EXPECT_EQ(c.songPath, m_song);
    ASSERT_EQ(c.steps.size(), 1u);
    const CQueEdit& s = c.steps[0];
    EXPECT_EQ(std::tuple(s.type, s.fileName, s.start, s.end, s.newEnd, s.dataOffset),
              std::tuple(kStepOriginal, m_song, 0u, 40000u, 40000u, 44u));
}

TEST_F(EditQueueTest, StepsShapeTheStreamAndSurviveReopening) {
    Bytes expected;
    {
        CEditQueue q;
        ASSERT_EQ(Open(q), 0);
        DividerBlock block;
        block.records[0].position = 8000;
        block.SetName(0, "One");
        q.SetDividers(block, 1);
        AddFourSteps(q, expected);
        EXPECT_EQ(ReadAll(q, 777), expected);

        // Seeking relative to the end; reads stop there.
        Bytes part(100);
        EXPECT_EQ(q.SeekStream(12345, 0), 12345);
        EXPECT_EQ(q.SeekStream(-200, 1), 12145);
        EXPECT_EQ(q.SeekStream(100, 2), std::ssize(expected) - 100);
        ASSERT_EQ(q.ReadStream(part.data(), 1000), 100);
        EXPECT_EQ(part, Bytes(expected.end() - 100, expected.end()));
        EXPECT_EQ(q.ReadStream(part.data(), 10), 0);

        // Ranges that do not fit the stream are refused and change nothing.
        EXPECT_EQ(q.AddCutStep(100, static_cast<uint32_t>(expected.size()) + 1), -1);
        EXPECT_EQ(q.AddFilterStep(StepFile(9, PatternBytes(100, 5)), 0, 200, "short file", 0), -1);
        EXPECT_EQ(q.Steps().size(), 5u);
    }

    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    ASSERT_EQ(q.Steps().size(), 5u);
    EXPECT_EQ(q.Steps()[2].label, "Pitch");
    EXPECT_EQ(ReadAll(q, 1 << 20), expected);
    EXPECT_TRUE(services.Messages().empty());
    // Every step carries the dividers in force before it, through the session file.
    DividerBlock got;
    uint32_t count = 0;
    q.GetDividers(got, count);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(got.Name(0), "One");
}

TEST_F(EditQueueTest, DamagedSessionsAskAndRecoverOrStartAfresh) {
    struct Case {
        bool shortFile;  // else missing
        bool decided;    // else nobody decides
        bool recover;
        size_t stepsAfter;
    };
    for (Case c : {Case{false, true, true, 2}, Case{false, true, false, 1}, Case{true, true, false, 1},
                   Case{true, false, false, 4}}) {
        SCOPED_TRACE(::testing::Message() << c.shortFile << c.decided << c.recover);
        std::string second;
        {
            CEditQueue q;
            ASSERT_EQ(Open(q), 0);
            ASSERT_EQ(q.AddFilterStep(StepFile(1, PatternBytes(8000, 2)), 0, 8000, "", 0), 0);
            second = StepFile(2, PatternBytes(8000, 3));
            ASSERT_EQ(q.AddFilterStep(second, 8000, 16000, "", 0), 0);
            ASSERT_EQ(q.AddCutStep(0, 4), 3);
        }
        if (c.shortFile) {
            ASSERT_TRUE(WriteBytes(second, BuildWave(WaveLayout{}, PatternBytes(7996, 3))));
        } else {
            fs::remove(second);
        }
        const Bytes session = ReadBytes(dir.File("Song.ses"));
        std::vector<std::string> asked;
        CEditQueue q;
        if (c.decided) {
            q.SetRecoveryDecision([&](const std::string& song) {
                asked.push_back(song);
                return c.recover;
            });
        }
        if (!c.decided) {
            // Left alone: the open fails and says so, and the session stays for a caller that decides.
            EXPECT_EQ(Open(q), -1);
            const FileFaults faults = q.TakeFaults();
            ASSERT_EQ(faults.size(), 1u);
            EXPECT_EQ(faults[0].kind, FaultKind::kSessionDamaged);
            EXPECT_EQ(ReadBytes(dir.File("Song.ses")), session);
            fs::remove(dir.File("Song.ses"));
            continue;
        }
        ASSERT_EQ(Open(q), 0);
        EXPECT_EQ(asked, std::vector<std::string>{m_song});
        Bytes expected = m_songBytes;
        if (c.stepsAfter == 2) {
            const Bytes f = PatternBytes(8000, 2);
            std::copy(f.begin(), f.end(), expected.begin());
        }
        EXPECT_EQ(ReadAll(q, 4096), expected);

        // What was decided is what is on disk now.
        CEditQueue again;
        ASSERT_EQ(Open(again), 0);
        EXPECT_TRUE(again.TakeFaults().empty());
        EXPECT_EQ(again.Steps().size(), c.stepsAfter);
        again.DiscardSession(false);
    }
    EXPECT_TRUE(services.Messages().empty());
}

TEST_F(EditQueueTest, CommitIntoTheSongThenDiscardLeavesOnlyTheSong) {
    Bytes expected;
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    DividerBlock block;
    block.records[0].position = 400;
    block.SetName(0, "Intro");
    q.SetDividers(block, 1);
    AddFourSteps(q, expected);

    // Twice: the second needs no backup, since no step reads the song's file any more.
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(q.CommitSession(m_song));
        EXPECT_EQ(WaveData(m_song), expected);
        // The old audio lives on under the backup name, which the steps now read.
        EXPECT_EQ(q.Steps()[0].fileName, dir.File("Song1.wav"));
        EXPECT_EQ(ReadAll(q, 4096), expected);
    }
    EXPECT_FALSE(services.ProgressIsOpen());
    DividerBlock got;
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(m_song, got, count));
    EXPECT_EQ(got.Name(0), "Intro");
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(m_song, dir.File("Song.pkf")));

    q.DiscardSession(false);
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"Song.pkf", "Song.wav"}));
}

TEST_F(EditQueueTest, CancelledCommitLeavesSongAndSessionUntouched) {
    Bytes expected;
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    AddFourSteps(q, expected);
    const Bytes songFile = ReadBytes(m_song), session = ReadBytes(dir.File("Song.ses"));
    const auto before = FilesUnder(dir.Path());

    // Cancelled as the last block is copied, the latest moment a cancel is heard.
    std::vector<int> heard;
    EXPECT_FALSE(q.CommitSession(m_song, [&](JobPhase phase, int percent) {
        EXPECT_EQ(phase, JobPhase::kCopying);
        heard.push_back(percent);
        return percent < 100;
    }));
    EXPECT_EQ(heard, (std::vector<int>{0, 100}));
    EXPECT_EQ(ReadBytes(m_song), songFile);
    EXPECT_EQ(ReadBytes(dir.File("Song.ses")), session);
    EXPECT_EQ(FilesUnder(dir.Path()), before);
    EXPECT_EQ(ReadAll(q, 4096), expected);
    EXPECT_FALSE(services.ProgressIsOpen());
}

TEST_F(EditQueueTest, StreamPeaksFollowTheSegments) {
    ASSERT_TRUE(WriteBytes(m_song, BuildWave(WaveLayout{}, Level(40000, 100, 100))));
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    ASSERT_EQ(q.AddFilterStep(StepFile(1, Level(8000, 50, -20000)), 4000, 12000, "", 0), 0);

    EXPECT_EQ(q.StreamPeak(0, 40000), 20000u << 8);
    EXPECT_EQ(q.StreamPeak(0, 3264), 100u << 8);  // four whole groups before the step
    EXPECT_EQ(q.StreamPeak(500, 500), 0u);

    uint16_t values[2] = {};
    ASSERT_TRUE(q.SeekPeaks(4000));
    ASSERT_EQ(q.ReadPeaks(values, 2), 2u);
    EXPECT_EQ(std::vector<uint16_t>(values, values + 2), (std::vector<uint16_t>{20000, 50}));
    ASSERT_TRUE(q.SeekPeaks(0));
    ASSERT_EQ(q.ReadPeaks(values, 1), 1u);
    EXPECT_EQ(values[0], 100);
    EXPECT_FALSE(q.SeekPeaks(40000));
}

}  // namespace
