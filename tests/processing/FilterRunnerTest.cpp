// The filter runner against real waves and sessions: what a filter sees of the
// audio around each block, how long the output is, what a run records, and how
// cancelling, previews and re-entrant presses behave; and the gain change filter
// it runs: each envelope shape at its start, middle and end, and its flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "base/StringTable.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

// A filter that checks the history, block and lookahead it is handed against
// the whole source, and copies the block through.
class CProbeFilter : public CFilter {
public:
    CProbeFilter(int history, int lookahead, const std::vector<int32_t>& audio, bool silentHistory = false)
        : m_history(history), m_lookahead(lookahead), m_audio(audio), m_silent(silentHistory) {
        SetIdentity(900, "Probe", "Probe");
    }
    int GetHistory() const override { return m_history; }
    int GetLookahead() const override { return m_lookahead; }
    bool WantsSilentHistory() const override { return m_silent; }

    bool Prepare(CWaveFile&, CWaveFile&) override {
        blocks = 0;
        return true;
    }
    bool Finish(CWaveFile&, CWaveFile&) override { return true; }
    bool Process(CWaveFile& source, CWaveFile& output) override {
        const int64_t bps = source.BytesPerSample();
        const int32_t* in = source.ReadCursor();
        const int64_t count = source.EndCursor() - in;
        const int64_t blockPos = source.DataCursor() / bps - count;
        const int64_t rangeStart = RunRangeStart() / bps;
        // In front of the range the history is the audio, unless the range starts too close
        // to the beginning for all of it (or the filter asked for silence); past the end, silence.
        const bool silentFront = m_silent || rangeStart < m_history;
        for (int64_t i = -m_history; i < count + m_lookahead; ++i) {
            const int64_t at = blockPos + i;
            const bool silent =
                at < 0 || at >= static_cast<int64_t>(m_audio.size()) || (at < rangeStart && silentFront);
            const int32_t want = silent ? 0 : m_audio[at];
            if (in[i] != want && faults++ == 0) {
                firstFault = "value " + std::to_string(i) + " of the block at " + std::to_string(blockPos) + ": " +
                             std::to_string(in[i]) + " != " + std::to_string(want);
            }
        }
        ++blocks;
        for (int64_t i = 0; i < count; ++i) {
            if (!output.PutSample(in[i])) return false;
        }
        return true;
    }

    int blocks = 0;
    std::string firstFault;
    int faults = 0;

private:
    int m_history;
    int m_lookahead;
    const std::vector<int32_t>& m_audio;
    bool m_silent;
};

// Distinct, format-exact values: a ramp with a sign pattern, on the 16-bit grid.
std::vector<int32_t> TestSignal(size_t samples, int bits) {
    std::vector<int32_t> v(samples);
    const int32_t step = bits == 8 ? 65536 : bits == 16 ? 256 : 1;
    for (size_t i = 0; i < samples; ++i) {
        const int32_t magnitude = static_cast<int32_t>((i * 7919) % (bits == 8 ? 127 : 30000)) + 1;
        v[i] = (i % 3 == 1 ? -magnitude : magnitude) * step;
    }
    return v;
}

class FilterRunnerTest : public ProcessingTest {
protected:
    void TearDown() override {
        if (source) source->Session().DiscardSession(false);
        ProcessingTest::TearDown();
    }
    // A wave of internal samples; the samples as they read back.
    std::vector<int32_t> MakeSong(const std::string& path, uint16_t tag, uint16_t channels, uint16_t bits,
                                  const std::vector<int32_t>& samples) {
        EXPECT_TRUE(WriteInternal(path, tag, channels, 44100, bits, samples));
        return ReadInternal(path);
    }
    // song.wav of PCM samples, opened as the runner's source in blocks of `block` values; its samples.
    std::vector<int32_t> OpenSong(uint16_t channels, uint16_t bits, const std::vector<int32_t>& samples,
                                  uint32_t block = 1024) {
        song = dir.File("song" + std::to_string(++m_songs) + ".wav");
        const std::vector<int32_t> audio = MakeSong(song, 1, channels, bits, samples);
        source = std::make_unique<CWaveFile>(block, 4096);
        EXPECT_EQ(source->OpenRead(song), kFileOk);
        runner.SetSource(source.get());
        return audio;
    }

    // Runs filter over [start, end) (bytes) of a new 24-bit song of samples in blocks of 1000 values;
    // the output's samples.
    std::vector<int32_t> RunOver(CFilter& filter, uint16_t channels, const std::vector<int32_t>& samples,
                                 uint32_t start = 0, uint32_t end = 0) {
        OpenSong(channels, 24, samples, 1000);
        EXPECT_TRUE(runner.RunFilter(start, end, &filter, nullptr, false));
        std::vector<int32_t> out = ReadInternal(runner.LastOutputName());
        source->Session().DiscardSession(false);
        return out;
    }

    std::string song;
    std::unique_ptr<CWaveFile> source;
    CFilterRunner runner;
    int m_songs = 0;
};

TEST_F(FilterRunnerTest, FilterSeesHistoryBlockAndLookaheadAndOutputMatchesRange) {
    // Mono 8-bit, stereo 24-bit and float; blocks of 64 and 1000 values; no history, no
    // lookahead and both.
    const std::array<uint16_t, 3> formats[] = {{1, 1, 8}, {1, 2, 24}, {3, 2, 32}};
    const size_t frames = 5003;
    for (auto [tag, channels, bits] : formats) {
        const std::string path = dir.File("song" + std::to_string(bits) + ".wav");
        const std::vector<int32_t> audio = MakeSong(path, tag, channels, bits, TestSignal(frames * channels, bits));
        ASSERT_EQ(audio.size(), frames * channels);
        const uint32_t frame = channels * ((bits + 7) / 8), length = frames * frame;
        // Whole, at 0, starting inside the history, in the middle (odd bytes), short, up to the end.
        const std::pair<uint32_t, uint32_t> ranges[] = {{0, 0},
                                                        {0, 1500 * frame},
                                                        {10 * frame, 2000 * frame},
                                                        {1234 * frame + 1, 3001 * frame + 3},
                                                        {700 * frame, 703 * frame},
                                                        {4000 * frame, length}};
        for (uint32_t block : {64u, 1000u}) {
            for (auto [h, k] : {std::pair{0, 100}, {64, 0}, {16, 48}}) {
                for (auto [start, end] : ranges) {
                    SCOPED_TRACE(::testing::Message() << bits << " bits, block " << block << " h " << h << " k " << k
                                                      << " range " << start << ":" << end);
                    CWaveFile wave(block, 4096);
                    ASSERT_EQ(wave.OpenRead(path), kFileOk);
                    CFilterRunner run;
                    run.SetSource(&wave);
                    CProbeFilter probe(h, k, audio);
                    ASSERT_TRUE(run.RunFilter(start, end, &probe, nullptr, false));
                    EXPECT_EQ(probe.faults, 0) << probe.firstFault;
                    // The output and the recorded step cover exactly the range in whole frames.
                    const uint32_t a = start - start % frame, b = end == 0 ? length : end - end % frame;
                    EXPECT_EQ(ReadInternal(run.LastOutputName()),
                              std::vector<int32_t>(audio.begin() + a / frame * channels,
                                                   audio.begin() + b / frame * channels));
                    const auto& steps = wave.Session().Steps();
                    ASSERT_EQ(steps.size(), 2u);
                    EXPECT_EQ(steps[1].start, a);
                    EXPECT_EQ(steps[1].end, b);
                    wave.Session().DiscardSession(false);
                }
            }
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

// One song wave serves run after run (every preview and the final process): what an earlier run
// left in the buffers must never show up as the history of a later one.
TEST_F(FilterRunnerTest, HistoryIsRealAudioOrSilenceRunAfterRunOnOneSource) {
    const std::vector<int32_t> audio = OpenSong(2, 16, TestSignal(2 * 3000, 16));
    // The probe copies its input, so each recorded step leaves the audio as it was.
    struct Run {
        uint32_t start, end;
        bool silent;
    };
    for (Run r : {Run{4 * 1000, 4 * 2000, false}, Run{0, 4 * 500, false}, Run{4 * 40, 4 * 900, false},
                  Run{4 * 2000, 4 * 2500, true}, Run{4 * 1500, 4 * 2100, false}}) {
        SCOPED_TRACE(::testing::Message() << r.start << ":" << r.end << (r.silent ? " silent" : ""));
        CProbeFilter probe(128, 64, audio, r.silent);
        ASSERT_TRUE(runner.RunFilter(r.start, r.end, &probe, nullptr, false));
        EXPECT_GT(probe.blocks, 0);
        EXPECT_EQ(probe.faults, 0) << probe.firstFault;
    }
}

TEST_F(FilterRunnerTest, CancelOrAPressDuringARunOrPreviewDeletesTheOutputAndLeavesTheSession) {
    OpenSong(2, 16, TestSignal(2 * 50000, 16));
    CGainChange gain;
    gain.SetParams({2, 1000, 0});
    CFilePreviewPlayer player(dir.File("preview.wav"));
    player.SetLoop(true);

    // A first, finished run gives the session a step to keep.
    ASSERT_TRUE(runner.RunFilter(0, 40000, &gain, nullptr, false));
    const std::string sessionBytes = ReadText(SessionFileName(song));
    ASSERT_FALSE(sessionBytes.empty());
    const auto filesBefore = TempFiles();

    // The Cancel button during a run, a second press of Process during a run, and Process
    // pressed while a preview plays (which only stops the preview).
    for (int way : {0, 1, 2}) {  // cancel, press, press during a preview
        SCOPED_TRACE(way);
        const bool preview = way == 2;
        runner.SetPlayer(preview ? &player : nullptr);
        services.onPump = [&](int n) {
            if (n % 3 != 0) return;
            if (way == 0) {
                CancelFlag().store(true);
                return;
            }
            EXPECT_EQ(player.State(), preview ? kPlayerPlaying : kPlayerStopped);
            EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
            EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunBusy);
            EXPECT_EQ(player.State(), kPlayerStopped);
        };
        EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, preview));
        services.onPump = nullptr;
        EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunCancelled);
        EXPECT_FALSE(runner.IsBusy());
        EXPECT_EQ(TempFiles(), filesBefore);
        EXPECT_EQ(source->Session().Steps().size(), 2u);
        EXPECT_EQ(ReadText(SessionFileName(song)), sessionBytes);
        EXPECT_FALSE(services.ProgressIsOpen());
        CancelFlag().store(false);
    }
    runner.SetPlayer(nullptr);
}

TEST_F(FilterRunnerTest, ParameterChangesTakeEffectAtTheNextBlock) {
    const std::vector<int32_t> signal(30000, 4000000);
    OpenSong(1, 24, signal, 1000);
    CGainChange gain;
    gain.SetParams({2, 1000, 1000});
    services.onPump = [&](int n) {
        if (n == 7) gain.SetParams({2, 250, 250});
    };
    ASSERT_TRUE(runner.RunFilter(0, 0, &gain, nullptr, false));
    const std::vector<int32_t> out = ReadInternal(runner.LastOutputName());
    ASSERT_EQ(out.size(), signal.size());
    const size_t change = std::find(out.begin(), out.end(), 1000000) - out.begin();
    ASSERT_LT(change, out.size());
    EXPECT_GT(change, 0u);
    EXPECT_EQ(change % 1000, 0u) << "the change must fall on a block boundary";
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + change, [](int32_t v) { return v == 4000000; }));
    EXPECT_TRUE(std::all_of(out.begin() + change, out.end(), [](int32_t v) { return v == 1000000; }));
}

TEST_F(FilterRunnerTest, FailuresAreReportedAndRecordNothing) {
    CGainChange gain;
    // No source.
    EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunNoSource);
    ASSERT_FALSE(services.Messages().empty());
    EXPECT_EQ(services.Messages().back().text, "ERROR: Internal fault, filter exec ptr is null in RunFilter");

    OpenSong(2, 16, TestSignal(2 * 5000, 16), 4096);
    // A range the wrong way round is refused; an end of 0 means the end of the audio.
    EXPECT_FALSE(runner.RunFilter(4 * 3000, 4 * 1000, &gain, nullptr, false));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunBadRange);
    ASSERT_TRUE(runner.RunFilter(4 * 3000, 0, &gain, nullptr, false));
    ASSERT_EQ(source->Session().Steps().size(), 2u);
    EXPECT_EQ(source->Session().Steps()[1].start, 4u * 3000);
    EXPECT_EQ(source->Session().Steps()[1].end, 4u * 5000);
    source->Session().DiscardSession(false);

    // A preview with no player to play it.
    EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, true));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunNoPlayback);
    EXPECT_FALSE(services.ProgressIsOpen());

    // An unusable temporary folder: the output cannot be created.
    settings.TempPath = dir.File("no/such/folder");
    services.ClearMessages();
    EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunCannotCreate);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, LoadString(kMsgIncompatible));
    EXPECT_EQ(source->Session().Steps().size(), 1u);
    settings.TempPath = dir.File("temp");

    // An output name that is taken: the user is asked, and No keeps the file as it was.
    const std::string taken = dir.File("taken.wav");
    WriteBytes(taken, Bytes(100, 7));
    services.ClearMessages();
    services.QueueAnswer(MsgAnswer::No);
    runner.SetRange(0, 0);
    EXPECT_EQ(runner.ExecuteFilter(taken, nullptr, false, gain, 3), CFilterRunner::kRunNotOverwritten);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "The destination file alreadys exists, do you want to overwrite " + taken);
    EXPECT_EQ(ReadBytes(taken), Bytes(100, 7));
    ASSERT_EQ(source->Reopen(), kFileOk);
    services.QueueAnswer(MsgAnswer::Yes);
    runner.SetRange(0, 0);
    EXPECT_EQ(runner.ExecuteFilter(taken, nullptr, false, gain, 3), CFilterRunner::kRunOk);
    EXPECT_EQ(ReadInternal(taken).size(), 2u * 5000);
    ASSERT_EQ(source->Reopen(), kFileOk);

    // A filter that stops the run (message 190), and one that emits fewer values than it consumed
    // (its step would be shorter than its range): the half-written output goes.
    class CFaulty : public CGainChange {
    public:
        bool Process(CWaveFile& s, CWaveFile& o) override {
            if (stops) return ++calls < 3 && CGainChange::Process(s, o);
            for (const int32_t* p = s.ReadCursor() + 1; p < s.EndCursor(); ++p) {
                if (!o.PutSample(*p)) return false;
            }
            return true;
        }
        bool stops = true;
        int calls = 0;
    } faulty;
    CWaveFile small(512, 4096);
    ASSERT_EQ(small.OpenRead(song), kFileOk);
    runner.SetSource(&small);
    for (int result : {CFilterRunner::kRunStopped, CFilterRunner::kRunWrongLength}) {
        services.ClearMessages();
        faulty.stops = result == CFilterRunner::kRunStopped;
        EXPECT_FALSE(runner.RunFilter(0, 0, &faulty, nullptr, false));
        EXPECT_EQ(runner.LastResult(), result);
        EXPECT_TRUE(TempFiles().empty());
        EXPECT_EQ(small.Session().Steps().size(), 1u);
        if (faulty.stops) {
            EXPECT_EQ(services.Messages().back().text, LoadString(kMsgCannotWrite));
        }
    }
    small.Session().DiscardSession(false);
}

// --- the gain change filter ---------------------------------------------------

TEST_F(FilterRunnerTest, GainChangeShapesHaveTheirGainAtTheStartMiddleAndEndOfTheRange) {
    // Left +1e6 and right -1e6 over frames 1000..6500; the output at frames 0, 2750 and 5499 of the range.
    struct Case {
        CFilter::Params p;
        int32_t at[3];
    };
    const Case cases[] = {
        {{0, 0, 1000}, {45, 6737, 998183}},                          // rising exponential
        {{1, 1300, 100}, {1300000, 108085, 100054}},                 // falling exponential
        {{2, 0, 2000}, {0, 1000000, 1999636}},                       // straight line
        {{3, -30000, 0, 0, 0, -10, 5}, {31622, 523299, 1000313}},    // curve in dB through two control values
        {{4, 1000, 1000}, {0, 0, 0}},                                // silence
        {{2, 2000000000, 2000000000}, {8388607, 8388607, 8388607}},  // far past full scale: held, no overflow
    };
    std::vector<int32_t> input(2 * 7001);
    for (size_t i = 0; i < input.size(); ++i) input[i] = i % 2 ? -1000000 : 1000000;
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << k.p[0] << " " << k.p[1] << "->" << k.p[2]);
        CGainChange gain;
        gain.SetParams(k.p);
        const std::vector<int32_t> out = RunOver(gain, 2, input, 6 * 1000, 6 * 6500);
        ASSERT_EQ(out.size(), 2u * 5500);
        const size_t frames[] = {0, 2750, 5499};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(out[2 * frames[j]], k.at[j], 1) << "frame " << frames[j];
            EXPECT_NEAR(out[2 * frames[j] + 1], k.at[j] == 8388607 ? -8388608 : -k.at[j], 1) << "frame " << frames[j];
        }
    }
}

TEST_F(FilterRunnerTest, GainChangeHonoursTheEditedChannelsBypassAndUnknownShapes) {
    std::vector<int32_t> input(2 * 3000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<int32_t>((i * 2654435761u) % 16000001) - 8000000;
    CGainChange gain;
    gain.SetParams({2, 500, 500});
    // Only one channel selected for editing: the other is handed through.
    for (bool left : {true, false}) {
        runner.SetEditChannels(left, !left);
        const std::vector<int32_t> out = RunOver(gain, 2, input);
        ASSERT_EQ(out.size(), input.size());
        for (size_t i = 0; i < input.size(); ++i) {
            const bool edited = (i % 2 == 0) == left;
            ASSERT_EQ(out[i], edited ? input[i] / 2 : input[i]) << i;
        }
    }
    EXPECT_EQ(RunOver(gain, 1, input), input);  // a mono song's only channel is the left one
    runner.SetEditChannels(true, true);

    gain.SetBypass(1);
    EXPECT_EQ(RunOver(gain, 2, input), input);
    EXPECT_EQ(RunOver(gain, 1, input), input);

    // An unknown shape keeps the last gain of the one before.
    gain.SetBypass(0);
    const std::vector<int32_t> level(3000, 1000000);
    gain.SetParams({2, 700, 700});
    RunOver(gain, 1, level);
    gain.SetParams({9, 100, 100});
    EXPECT_EQ(RunOver(gain, 1, level), std::vector<int32_t>(level.size(), 700000));
}

// --- previews ------------------------------------------------------------------

// A file player that stands for the user pressing Stop once it has played enough.
class CStoppingPlayer : public CFilePreviewPlayer {
public:
    using CFilePreviewPlayer::CFilePreviewPlayer;
    bool TakeBlock(const int32_t* samples, size_t count) override {
        const bool ok = CFilePreviewPlayer::TakeBlock(samples, count);
        if (stopAfter > 0 && PlayPosition() >= stopAfter) CancelFlag().store(true);
        return ok;
    }
    uint64_t stopAfter = 0;
};

TEST_F(FilterRunnerTest, PreviewLoopsWhatProcessingWritesUntilStopped) {
    OpenSong(2, 24, std::vector<int32_t>(2 * 6000, 3000000));
    CGainChange gain;
    gain.SetParams({2, 1000, 0});
    const uint32_t start = 6 * 500;
    std::vector<int32_t> firstPass;
    for (uint32_t rangeFrames : {2000u, 300u}) {  // not a whole number of blocks; within one block
        SCOPED_TRACE(rangeFrames);
        CStoppingPlayer player(dir.File("loop.wav"));
        player.SetLoop(true);
        player.stopAfter = uint64_t{6} * rangeFrames * 3 + 6 * 100;
        runner.SetPlayer(&player);
        EXPECT_FALSE(runner.RunFilter(start, start + 6 * rangeFrames, &gain, nullptr, true));
        EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunCancelled);
        const std::vector<int32_t> played = ReadInternal(dir.File("loop.wav"));
        const size_t n = 2 * rangeFrames;
        ASSERT_GE(played.size(), 3 * n);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(played[n + i], played[i]) << i;
            ASSERT_EQ(played[2 * n + i], played[i]) << i;
        }
        EXPECT_EQ(played[0], 3000000);  // each pass starts at the full start value
        EXPECT_LT(std::abs(played[n - 1]), 3000000 / 100);
        if (firstPass.empty()) firstPass.assign(played.begin(), played.begin() + n);
        CancelFlag().store(false);
        runner.SetPlayer(nullptr);
    }
    // One pass is what processing the range writes; the previews recorded nothing.
    EXPECT_EQ(source->Session().Steps().size(), 1u);
    EXPECT_FALSE(runner.Produced());
    ASSERT_TRUE(runner.RunFilter(start, start + 6 * 2000, &gain, nullptr, false));
    EXPECT_EQ(ReadInternal(runner.LastOutputName()), firstPass);
}

TEST_F(FilterRunnerTest, FinishRunCommitsIntoTheSongOnlyAfterAProducedRun) {
    const std::vector<int32_t> signal(2 * 4000, 2000000);
    OpenSong(2, 24, signal, 4096);
    EXPECT_TRUE(runner.FinishRun());  // nothing produced: the song stays as it is
    EXPECT_EQ(ReadInternal(song), signal);

    CGainChange gain;
    gain.SetParams({2, 500, 500});
    ASSERT_TRUE(runner.RunFilter(0, 0, &gain, nullptr, false));
    EXPECT_TRUE(runner.FinishRun());
    EXPECT_EQ(ReadInternal(song), std::vector<int32_t>(signal.size(), 1000000));
    EXPECT_FALSE(runner.Produced());
    source->Close();
    source->Session().DiscardSession(false);

    // The same in one call, as the record equalisation step does it: a gain change that was never
    // given parameters silences the song.
    CGainChange silent;
    EXPECT_TRUE(runner.RunFilterOnFile(silent, song, "", kMsgRiaaCaption, false));
    EXPECT_EQ(runner.Source(), nullptr);
    EXPECT_EQ(ReadInternal(song), std::vector<int32_t>(signal.size(), 0));
}

}  // namespace
