// Sessions on disk: opening, steps, the stream, recovery, commit and discard.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "audiofile/EditQueue.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/SessionArchive.h"
#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

namespace fs = std::filesystem;

// Distinct bytes per file, so a stream byte tells where it came from.
Bytes Pattern(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 7 + seed * 31 + i / 251) % 253);
    return b;
}

// Stereo 16-bit samples of one constant magnitude, with a louder first left sample.
Bytes Level(size_t bytes, int16_t level, int16_t first) {
    Bytes b(bytes);
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int16_t v = i == 0 ? first : level;
        b[i] = static_cast<uint8_t>(v & 0xFF);
        b[i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    return b;
}

class EditQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&m_services);
        CancelFlag().store(false);
        fs::create_directories(TmpDir());
        m_song = m_dir.File("Song.wav");
        m_songBytes = Pattern(40000, 1);
        ASSERT_TRUE(WriteBytes(m_song, BuildWave(WaveLayout{}, m_songBytes)));
    }
    void TearDown() override {
        CancelFlag().store(false);
        SetServices(nullptr);
    }

    std::string TmpDir() const { return (m_dir.Path() / "tmp").string(); }
    std::string StepFile(int n, const Bytes& data) const {
        std::string path = FileInTempDir(TmpDir(), "dctmp" + std::to_string(n) + ".wav");
        EXPECT_TRUE(WriteBytes(path, BuildWave(WaveLayout{}, data)));
        return path;
    }
    int Open(CEditQueue& q) {
        q.SetTempPath(TmpDir());
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
    size_t Shown(const std::string& part) const {
        return std::count_if(m_services.Messages().begin(), m_services.Messages().end(),
                             [&](const auto& m) { return m.text.find(part) != std::string::npos; });
    }

    // Four steps of every adding kind; expected is the stream they make.
    void AddFourSteps(CEditQueue& q, Bytes& expected) {
        expected = m_songBytes;
        const Bytes f = Pattern(8000, 2);
        ASSERT_EQ(q.AddFilterStep(StepFile(1, f), 4000, 12000, "Clean", 0), 0);
        std::copy(f.begin(), f.end(), expected.begin() + 4000);

        const Bytes r = Pattern(2000, 3);
        ASSERT_EQ(q.AddResizeStep(StepFile(2, r), 20000, 24000, "Pitch", 0), 0);
        expected.erase(expected.begin() + 20000, expected.begin() + 24000);
        expected.insert(expected.begin() + 20000, r.begin(), r.end());

        const Bytes p = Pattern(1200, 4);  // the range [1, 1003) becomes [0, 1000)
        ASSERT_EQ(q.AddReplaceStep(StepFile(3, p), 1, 1003), 0);
        std::copy(p.begin(), p.begin() + 1000, expected.begin());

        ASSERT_EQ(q.AddCutStep(30000, 34000), 4);
        expected.erase(expected.begin() + 30000, expected.begin() + 34000);
    }

    TempDir m_dir;
    CHeadlessServices m_services;
    WAVEFORMATEX m_fmt = MakeWaveFormat(1, 2, 44100, 16);
    std::string m_song;
    Bytes m_songBytes;
};

TEST_F(EditQueueTest, FreshSessionIsOneSongStepSavedBesideTheSong) {
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    EXPECT_TRUE(q.IsValid());
    ASSERT_EQ(q.Steps().size(), 1u);
    EXPECT_EQ(q.Steps()[0].type, kStepOriginal);
    EXPECT_EQ(q.StreamLength(), 40000u);
    EXPECT_EQ(ReadAll(q, 4096), m_songBytes);

    // The session file as laid out: identifier, path, format, one step after its class record.
    Bytes want;
    auto u16 = [&](uint16_t v) { want.push_back(v & 0xFF), want.push_back(v >> 8); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    auto str = [&](const std::string& s) {
        want.push_back(static_cast<uint8_t>(s.size())), want.insert(want.end(), s.begin(), s.end());
    };
    auto fmt = [&] { u16(18), u32(176400), u16(4), u16(2), u32(44100), u16(16), u16(1); };
    str("{0B5976BC-2C27-4f04-9D26-362AD54A1139}");
    str(m_song);
    fmt();
    u16(1), u16(0xFFFF), u16(0), u16(8);
    for (char ch : std::string("CQueEdit")) want.push_back(static_cast<uint8_t>(ch));
    str(m_song), str(""), u32(44), u32(0), u32(40000), u32(40000), u32(0), fmt(), u32(5);
    EXPECT_EQ(ReadBytes(m_dir.File("Song.ses")), want);
    EXPECT_TRUE(fs::exists(m_dir.File("Song.pkf")));

    // A song without an extension keeps its session in "<name>.ses".
    const std::string bare = m_dir.File("Take");
    ASSERT_TRUE(WriteBytes(bare, BuildWave(WaveLayout{}, Pattern(400, 9))));
    CEditQueue q2;
    ASSERT_EQ(q2.OpenSession(bare, m_fmt, 400), 0);
    EXPECT_EQ(q2.SessionPath(), m_dir.File("Take.ses"));
    EXPECT_TRUE(fs::exists(m_dir.File("Take.ses")));
}

TEST_F(EditQueueTest, StepsShapeTheStreamAndSurviveReopening) {
    Bytes expected;
    {
        CEditQueue q;
        ASSERT_EQ(Open(q), 0);
        DividerBlock block;
        block.records[0].position = 8000;
        block.SetName(0, "One");
        block.SetStatusDone(0, true);
        q.SetDividers(block, 1);
        AddFourSteps(q, expected);
        EXPECT_EQ(q.StreamLength(), expected.size());
        EXPECT_EQ(ReadAll(q, 777), expected);
        EXPECT_EQ(ReadAll(q, 1 << 20), expected);

        // Seeking: absolute, relative and from the end.
        Bytes part(100);
        EXPECT_EQ(q.SeekStream(12345, 0), 12345);
        ASSERT_EQ(q.ReadStream(part.data(), 100), 100);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.begin() + 12345));
        EXPECT_EQ(q.SeekStream(-200, 1), 12245);
        EXPECT_EQ(q.SeekStream(100, 2), static_cast<int64_t>(expected.size()) - 100);
        ASSERT_EQ(q.ReadStream(part.data(), 1000), 100);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.end() - 100));
        EXPECT_EQ(q.ReadStream(part.data(), 10), 0);

        // Ranges that do not fit the stream are refused and change nothing.
        EXPECT_EQ(q.AddCutStep(100, static_cast<uint32_t>(expected.size()) + 1), -1);
        EXPECT_EQ(q.AddFilterStep(StepFile(9, Pattern(100, 5)), 0, 200, "short file", 0), -1);
        EXPECT_EQ(q.Steps().size(), 5u);
    }

    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    ASSERT_EQ(q.Steps().size(), 5u);
    EXPECT_EQ(q.Steps()[2].label, "Pitch");
    EXPECT_EQ(q.CurrentStep(), 4);
    EXPECT_EQ(ReadAll(q, 4096), expected);
    EXPECT_TRUE(m_services.Messages().empty());
    // Every step carries the dividers in force before it, through the session file.
    DividerBlock got;
    uint32_t count = 0;
    q.GetDividers(got, count);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(got.Name(0), "One");
    EXPECT_TRUE(got.StatusDone(0));
    q.CloseSegments();

    // A wave in session mode reads the same stream.
    CWaveFile wave;
    wave.SetSessionMode(true);
    ASSERT_EQ(wave.OpenRead(m_song, 0), 0);
    EXPECT_EQ(wave.DataLength(), expected.size());
    Bytes viaWave(expected.size());
    EXPECT_EQ(wave.Read(viaWave.data(), static_cast<int64_t>(viaWave.size())), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(viaWave, expected);
    wave.Close();
}

TEST_F(EditQueueTest, SessionFileOfAnotherIdentifierIsIgnored) {
    Bytes foreign = {38};
    const std::string other = "{11111111-2C27-4f04-9D26-362AD54A1139}";
    foreign.insert(foreign.end(), other.begin(), other.end());
    foreign.resize(200, 0);
    ASSERT_TRUE(WriteBytes(m_dir.File("Song.ses"), foreign));
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    EXPECT_EQ(q.Steps().size(), 1u);
    EXPECT_TRUE(m_services.Messages().empty());
    // The fresh session replaced it.
    CSessionArchive::Contents c;
    Bytes now = ReadBytes(m_dir.File("Song.ses"));
    EXPECT_EQ(CSessionArchive::Read(now.data(), now.size(), c), CSessionArchive::kOk);
}

TEST_F(EditQueueTest, DamagedSessionsAskAndRecoverOrStartAfresh) {
    struct Case {
        const char* name;
        bool shortFile;  // else missing
        MsgAnswer answer;
        size_t stepsAfter;
    };
    const Case cases[] = {
        {"missing, Yes", false, MsgAnswer::Yes, 2},
        {"missing, No", false, MsgAnswer::No, 1},
        {"short, Yes", true, MsgAnswer::Yes, 2},
        {"short, Cancel", true, MsgAnswer::Cancel, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string second;
        {
            CEditQueue q;
            ASSERT_EQ(Open(q), 0);
            ASSERT_EQ(q.AddFilterStep(StepFile(1, Pattern(8000, 2)), 0, 8000, "", 0), 0);
            second = StepFile(2, Pattern(8000, 3));
            ASSERT_EQ(q.AddFilterStep(second, 8000, 16000, "", 0), 0);
            ASSERT_EQ(q.AddCutStep(0, 4), 3);
        }
        if (c.shortFile) {
            ASSERT_TRUE(WriteBytes(second, BuildWave(WaveLayout{}, Pattern(7996, 3))));
        } else {
            fs::remove(second);
        }
        m_services.ClearMessages();
        m_services.QueueAnswer(c.answer);
        CEditQueue q;
        ASSERT_EQ(Open(q), 0);
        EXPECT_EQ(Shown("session file associated with the wave file is corrupt"), 1u);
        EXPECT_EQ(m_services.Messages()[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(q.Steps().size(), c.stepsAfter);
        Bytes expected = m_songBytes;
        if (c.stepsAfter == 2) {
            const Bytes f = Pattern(8000, 2);
            std::copy(f.begin(), f.end(), expected.begin());
        }
        EXPECT_EQ(ReadAll(q, 4096), expected);

        // What was decided is what is on disk now.
        CEditQueue again;
        m_services.ClearMessages();
        ASSERT_EQ(Open(again), 0);
        EXPECT_TRUE(m_services.Messages().empty());
        EXPECT_EQ(again.Steps().size(), c.stepsAfter);
        again.DiscardSession(false);
    }
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

    ASSERT_TRUE(q.CommitSession(m_song));
    EXPECT_FALSE(m_services.ProgressIsOpen());
    WaveContents song;
    ASSERT_TRUE(ReadWave(m_song, song));
    EXPECT_EQ(song.data, expected);
    // The old audio lives on under the backup name, which the steps now read.
    EXPECT_EQ(q.Steps()[0].fileName, m_dir.File("Song1.wav"));
    EXPECT_EQ(ReadAll(q, 4096), expected);
    DividerBlock got;
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(m_song, got, count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(got.Name(0), "Intro");
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(m_song, m_dir.File("Song.pkf")));

    // Committing again needs no second backup: no step reads the song's file now.
    ASSERT_TRUE(q.CommitSession(m_song));
    ASSERT_TRUE(ReadWave(m_song, song));
    EXPECT_EQ(song.data, expected);

    q.DiscardSession(false);
    EXPECT_FALSE(q.IsValid());
    EXPECT_EQ(FilesUnder(m_dir.Path()), (std::vector<std::string>{"Song.pkf", "Song.wav"}));
}

TEST_F(EditQueueTest, CommitIntoAnotherPathReplacesItAndKeepsTheSong) {
    const std::string target = m_dir.File("Out.wav");
    ASSERT_TRUE(WriteBytes(target, BuildWave(WaveLayout{}, Pattern(64, 8))));
    ASSERT_TRUE(WriteBytes(m_dir.File("Out.pkf"), Bytes(10, 1)));
    Bytes expected;
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    AddFourSteps(q, expected);

    ASSERT_TRUE(q.CommitSession(target));
    WaveContents out, song;
    ASSERT_TRUE(ReadWave(target, out));
    EXPECT_EQ(out.data, expected);
    ASSERT_TRUE(ReadWave(m_song, song));
    EXPECT_EQ(song.data, m_songBytes);
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(target, m_dir.File("Out.pkf")));
    EXPECT_EQ(q.Steps()[0].fileName, m_song);

    q.DiscardSession(false);
    EXPECT_EQ(FilesUnder(m_dir.Path()), (std::vector<std::string>{"Out.pkf", "Out.wav", "Song.pkf", "Song.wav"}));
}

TEST_F(EditQueueTest, CancelledCommitLeavesSongAndSessionUntouched) {
    Bytes expected;
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    AddFourSteps(q, expected);
    const Bytes songFile = ReadBytes(m_song);
    const Bytes session = ReadBytes(m_dir.File("Song.ses"));
    const auto before = FilesUnder(m_dir.Path());

    CancelFlag().store(true);
    EXPECT_FALSE(q.CommitSession(m_song));
    CancelFlag().store(false);
    EXPECT_EQ(ReadBytes(m_song), songFile);
    EXPECT_EQ(ReadBytes(m_dir.File("Song.ses")), session);
    EXPECT_EQ(FilesUnder(m_dir.Path()), before);
    EXPECT_EQ(ReadAll(q, 4096), expected);
    EXPECT_FALSE(m_services.ProgressIsOpen());
}

TEST_F(EditQueueTest, StreamPeaksFollowTheSegments) {
    ASSERT_TRUE(WriteBytes(m_song, BuildWave(WaveLayout{}, Level(40000, 100, 100))));
    CEditQueue q;
    ASSERT_EQ(Open(q), 0);
    ASSERT_EQ(q.AddFilterStep(StepFile(1, Level(8000, 50, -20000)), 4000, 12000, "", 0), 0);

    EXPECT_EQ(q.StreamPeak(0, 40000), 20000u << 8);
    EXPECT_EQ(q.StreamPeak(0, 3264), 100u << 8);  // four whole groups before the step
    EXPECT_EQ(q.StreamPeak(500, 500), 0u);

    ASSERT_TRUE(q.SeekPeaks(4000));
    uint16_t values[4] = {};
    ASSERT_EQ(q.ReadPeaks(values, 4), 4u);
    EXPECT_EQ(values[0], 20000);
    EXPECT_EQ(values[1], 50);
    ASSERT_TRUE(q.SeekPeaks(0));
    ASSERT_EQ(q.ReadPeaks(values, 2), 2u);
    EXPECT_EQ(values[0], 100);
    EXPECT_FALSE(q.SeekPeaks(40000));
}

}  // namespace
