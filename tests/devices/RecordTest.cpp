#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceFixture.h"
#include "base/StringTable.h"
#include "devices/Recorder.h"
#include "support/CliHarness.h"

namespace {

class RecordTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        settings.UseVOX = 0;
        host.VirtualCard().SetSource(dir.File("line-in.wav"));
    }

    // Writes the line input's source and returns its data.
    Bytes Source(const std::vector<int64_t>& samples, const std::string& name = "line-in.wav") {
        EXPECT_TRUE(WriteWave(dir.File(name), 2, 44100, 16, samples));
        return WaveData(dir.File(name));
    }

    // Records until the whole source came in, then stops.
    void RecordAll(CRecorder& recorder) {
        ASSERT_TRUE(recorder.Record());
        ASSERT_TRUE(PumpUntil([&] { return host.VirtualCard().SourceFinished(); }));
        recorder.Stop();
    }

    std::vector<std::string> Bin1() const { return FilesUnder(settings.Bin1Path); }
};

std::vector<int64_t> Tone(double seconds, int amp = 12000) {
    std::vector<int64_t> s;
    AppendTone(s, 44100, seconds, amp);
    return s;
}

}  // namespace

// Takes are named after the record speed or the tape, always numbered, never over an earlier take;
// what comes in is written as it came, on both back-ends.
TEST_F(RecordTest, TakesAreNumberedAndHoldTheInput) {
    const Bytes data = Source(Tone(1.3));
    struct Case {
        bool wdm;
        int speed;
        bool tape;
        const char* name;
    } cases[] = {{true, 45, false, "UnNamed 45RPM Record1.wav"},
                 {false, 45, false, "UnNamed 45RPM Record2.wav"},
                 {true, 78, false, "UnNamed 78RPM Record1.wav"},
                 {false, 33, true, "UnNamed Tape1.wav"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = MakeDevice(c.wdm);
        CPlayer player(*device);
        CRecorder recorder(player, settings);
        recorder.SetSpeeds(33, c.speed, c.tape);
        EXPECT_EQ(recorder.TimeText(), "Record Time: 0.00");
        RecordAll(recorder);
        EXPECT_EQ(player.State(), kPlayerStopped);
        EXPECT_EQ(recorder.TakePath(), dir.File("Bin1/") + c.name);
        EXPECT_TRUE(WaveData(recorder.TakePath()) == data);
        for (int i = 0; i < CRecorder::kTicksPerText; ++i) recorder.OnTimer();
        EXPECT_EQ(recorder.TimeText(), "Waiting -   Time: 00:01");
    }
    EXPECT_TRUE(services.Messages().empty());
}

// With the gate on, only sound and the 3 seconds after it are written: the long pause between the two
// pieces shrinks to the hold, the silence before the first piece is left out.
TEST_F(RecordTest, VoxWritesTheSoundAndItsHoldOnly) {
    std::vector<int64_t> s;
    AppendTone(s, 44100, 1.0, 0);
    AppendTone(s, 44100, 1.0, 12000);
    AppendTone(s, 44100, 6.0, 0);
    AppendTone(s, 44100, 1.0, 9000);
    AppendTone(s, 44100, 1.0, 0);
    Source(s);
    const Bytes first = EncodeSamples(16, Tone(1.0, 12000));
    const Bytes second = EncodeSamples(16, Tone(1.0, 9000));
    settings.UseVOX = 1;
    settings.VOXLevel = -40;
    for (bool wdm : {true, false}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        auto device = MakeDevice(wdm);
        CPlayer player(*device);
        CRecorder recorder(player, settings);
        RecordAll(recorder);
        const Bytes take = WaveData(recorder.TakePath());
        // Sound, 3 s of hold, sound, and the last second (inside the hold): 6 s, give or take the
        // buffer in which the gate opened or closed.
        const double seconds = static_cast<double>(take.size()) / 176400;
        EXPECT_GT(seconds, 5.9);
        EXPECT_LT(seconds, 6.5);
        EXPECT_NE(std::search(take.begin(), take.end(), first.begin(), first.end()), take.end());
        EXPECT_NE(std::search(take.begin(), take.end(), second.begin(), second.end()), take.end());
        std::filesystem::remove(recorder.TakePath());
    }
}

// Past the size limit a take goes on in files named after the current one; joined, the parts are the
// input. HiRes takes are 96 kHz, 24-bit, 6-byte frames.
TEST_F(RecordTest, ContinuationPartsJoinLosslessly) {
    const Bytes data = Source(Tone(1.0));
    auto device = MakeDevice(false);
    CPlayer player(*device);
    player.SetPartLimit(50000);
    CRecorder recorder(player, settings);
    recorder.SetSpeeds(33, 33, false);
    RecordAll(recorder);
    const std::string base = dir.File("Bin1/UnNamed 33RPM Record1");
    const std::vector<std::string> files = recorder.TakeFiles();
    ASSERT_GE(files.size(), 3u);
    Bytes joined;
    std::string expected = base + ".wav";
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i], expected);
        expected = expected.substr(0, expected.size() - 4) + "_part" + std::to_string(i + 2) + ".wav";
        const Bytes part = WaveData(files[i]);
        if (i + 1 < files.size()) {
            EXPECT_GT(part.size(), 50000u);
        }
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(files[2], base + "_part2_part3.wav");
    EXPECT_TRUE(joined == data);

    settings.HiResRecording = 1;
    player.SetPartLimit(CWaveFile::kDefaultPartLimit);
    CRecorder hiRes(player, settings);
    RecordAll(hiRes);
    WaveContents w;
    ASSERT_TRUE(ReadWave(hiRes.TakePath(), w));
    EXPECT_EQ(w.rate, 96000u);
    EXPECT_EQ(w.bits, 24);
    EXPECT_EQ(w.blockAlign, 6);
    EXPECT_EQ(w.bytesPerSecond, 576000u);
    EXPECT_EQ(w.data.size(), data.size() / 4 * 6);
}

// Restart throws the take away and records a new one in its place; pause and continue keep writing
// into the same take.
TEST_F(RecordTest, RestartDeletesTheTake) {
    Source(Tone(2.0));
    auto device = MakeDevice(true);
    CPlayer player(*device);
    CRecorder recorder(player, settings);
    recorder.SetSpeeds(33, 45, false);
    RecordAll(recorder);
    ASSERT_TRUE(recorder.HasTake());
    const std::vector<std::string> before = Bin1();

    const Bytes fresh = Source(Tone(0.4, 3000), "second.wav");
    host.VirtualCard().SetSource(dir.File("second.wav"));
    ASSERT_TRUE(recorder.Restart());
    ASSERT_TRUE(PumpUntil([&] { return host.VirtualCard().SourceFinished(); }));
    recorder.Pause();
    EXPECT_EQ(player.State(), kPlayerCapturing);
    ASSERT_TRUE(recorder.Record());
    recorder.Stop();
    EXPECT_EQ(Bin1(), before);
    EXPECT_TRUE(WaveData(recorder.TakePath()) == fresh);
    recorder.Close();
    EXPECT_EQ(Bin1(), before);
}

// A meter check that is closed without recording leaves nothing in Bin1.
TEST_F(RecordTest, AMeterCheckLeavesNoTake) {
    Source(Tone(0.4));
    auto device = MakeDevice(true);
    CPlayer player(*device);
    CRecorder recorder(player, settings);
    recorder.SetSpeeds(33, 33, false);
    ASSERT_TRUE(recorder.Monitor());
    recorder.Stop();
    recorder.Close();
    EXPECT_TRUE(Bin1().empty());
}

// The mixer setting names the program; one that cannot start says which.
TEST_F(RecordTest, MixerRunsTheSettingOrSaysWhy) {
    auto device = MakeDevice(true);
    CPlayer player(*device);
    CRecorder recorder(player, settings);
    settings.RecordMixer = "sleep 30";
    EXPECT_TRUE(recorder.OpenMixer());
    recorder.CloseMixer();
    settings.RecordMixer = "no-such-mixer-program --tab";
    EXPECT_FALSE(recorder.OpenMixer());
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "ERROR: Could not run the specified file no-such-mixer-program");
}
