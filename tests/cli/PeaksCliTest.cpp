// restova-cli peaks and dividers, run as a user would run them.
#include <gtest/gtest.h>

#include <filesystem>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/HeadlessServices.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

DividerBlock TwoDividers() {
    DividerBlock b{};
    b.records[0].position = 0;
    b.SetName(0, "Side A");
    b.records[1].position = 88200;  // 0.5 s of 44.1 kHz stereo 16-bit
    b.SetName(1, "Second Song");
    b.SetStatusDone(0, true);
    b.SetStatusDone(2, true);
    return b;
}

class PeaksCliTest : public ::testing::Test {
protected:
    void SetUp() override { SetServices(&m_services); }
    void TearDown() override { SetServices(nullptr); }

    // A stereo song with a left peak of 20000 and a right peak of 10000 (16-bit values).
    std::string MakeSong(const std::string& name) {
        std::vector<int64_t> s(2 * 44100);
        for (size_t i = 0; i < 44100; ++i) {
            s[2 * i] = (i % 100 == 0) ? 20000 : 1000;
            s[2 * i + 1] = (i % 100 == 0) ? -10000 : -1000;
        }
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(WriteWave(path, 2, 44100, 16, s));
        return path;
    }

    // Runs restova-cli --quiet with args; its home is a folder of its own, apart from the songs.
    CliRun RunCli(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--quiet"};
        all.insert(all.end(), args.begin(), args.end());
        return BuiltCli(m_home.Path()).Run(all);
    }

    CHeadlessServices m_services;
    TempDir m_dir;
    TempDir m_home;
};

}  // namespace

TEST_F(PeaksCliTest, PeaksBuildsTheFileAndKeepsItsDividers) {
    const std::string song = MakeSong("My Song.wav");
    CliRun r = RunCli({"peaks", song});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("max-peak: " + std::to_string(20000 * 256) + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("max-peak-dbfs: -4.29\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("min-peak: " + std::to_string(10000 * 256) + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rms: "), std::string::npos) << r.out;
    EXPECT_EQ(std::filesystem::file_size(PeakFileName(song)), CPeakFile::kHeaderBytes + 4u * (44100 / 204));

    // Dividers placed since survive the next rebuild.
    ASSERT_TRUE(CPeakFile::WriteDividers(song, TwoDividers(), 2));
    ASSERT_EQ(RunCli({"peaks", song}).status, 0);
    DividerBlock block{};
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(song, block, count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(block.Name(1), "Second Song");

    EXPECT_EQ(RunCli({"peaks", m_dir.File("missing.wav")}).status, 1);
    EXPECT_NE(RunCli({"peaks"}).status, 0);
}

// The dividers come from the peak file, or from the session when there is one (its step's
// dividers differ from the peak file's); reading them keeps the session and its step.
TEST_F(PeaksCliTest, DividersFromThePeakFileOrTheSession) {
    const std::string song = MakeSong("Session Song.wav");
    // No peak file: nothing to show, and how to make one.
    const CliRun missing = BuiltCli(m_home.Path()).Run({"dividers", song});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("'restova-cli peaks " + song + "' builds one, 'restova-cli index " + song),
              std::string::npos)
        << missing.err;
    ASSERT_EQ(RunCli({"peaks", song}).status, 0);
    DividerBlock songOwn{};
    songOwn.SetName(0, "From the peak file");
    ASSERT_TRUE(CPeakFile::WriteDividers(song, songOwn, 1));
    CliRun r = RunCli({"dividers", song});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 0 0.000 From the peak file\nclean: N\nenhance: N\nfinal: N\n");

    const std::string stepFile = MakeSong("step.wav");
    {
        CWaveFile wave;
        wave.SetSessionMode(true);
        ASSERT_EQ(wave.OpenRead(song), 0);
        ASSERT_EQ(wave.Session().AddFilterStep(stepFile, 0, 4000, "filter", 0), 0);
        wave.Session().SetDividers(TwoDividers(), 2);
        wave.Close();
        wave.Session().DiscardSession(true);
    }
    r = RunCli({"dividers", song});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "0 0 0.000 Side A\n"
              "1 88200 0.500 Second Song\n"
              "clean: Y\nenhance: N\nfinal: Y\n");
    EXPECT_TRUE(std::filesystem::exists(SessionFileName(song)));
    EXPECT_TRUE(std::filesystem::exists(stepFile));
}
