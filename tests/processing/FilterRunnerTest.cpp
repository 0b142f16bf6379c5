// The filter runner against real waves and sessions: what a filter sees of the
// audio around each block, how long the output is, what a run records, and how
// cancelling, previews and re-entrant presses behave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/ProcessingFixture.h"
#include "shell/StringTable.h"
#include "support/CliHarness.h"
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
        const int32_t* end = source.EndCursor();
        const int64_t count = end - in;
        const int64_t blockPos = source.DataCursor() / bps - count;
        const int64_t rangeStart = RunRangeStart() / bps;
        // In front of the range the history is the audio, unless the range starts too close
        // to the beginning for all of it (or the filter asked for silence).
        const bool silentFront = m_silent || rangeStart < m_history;
        for (int i = 1; i <= m_history; ++i) {
            const int64_t idx = blockPos - i;
            const int32_t want = idx < 0 || (idx < rangeStart && silentFront) ? 0 : m_audio[idx];
            Check(in[-i] == want, "history", blockPos, -i, in[-i], want);
        }
        for (int64_t i = 0; i < count; ++i) Check(in[i] == m_audio[blockPos + i], "block", blockPos, i, in[i], 0);
        for (int i = 0; i < m_lookahead; ++i) {
            const int64_t idx = blockPos + count + i;
            const int32_t want = idx < static_cast<int64_t>(m_audio.size()) ? m_audio[idx] : 0;
            Check(end[i] == want, "lookahead", blockPos, i, end[i], want);
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
    void Check(bool ok, const char* what, int64_t block, int64_t i, int32_t got, int32_t want) {
        if (!ok && faults++ == 0) {
            firstFault = std::string(what) + " at block " + std::to_string(block) + " offset " + std::to_string(i) +
                         ": " + std::to_string(got) + " != " + std::to_string(want);
        }
    }

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
        song = dir.File("song.wav");
        const std::vector<int32_t> audio = MakeSong(song, 1, channels, bits, samples);
        source = std::make_unique<CWaveFile>(block, 4096);
        EXPECT_EQ(source->OpenRead(song), kFileOk);
        runner.SetSource(source.get());
        return audio;
    }

    std::string song;
    std::unique_ptr<CWaveFile> source;
    CFilterRunner runner;
};

TEST_F(FilterRunnerTest, FilterSeesHistoryBlockAndLookaheadAndOutputMatchesRange) {
    struct Format {
        uint16_t tag, channels, bits;
    };
    const Format formats[] = {{1, 1, 16}, {1, 2, 16}, {1, 2, 24}, {1, 1, 8}, {3, 2, 32}};
    const uint32_t blocks[] = {64, 1000, 4096};
    const std::pair<int, int> neighbourhoods[] = {{16, 48}, {0, 100}, {64, 64}, {32, 0}};
    const size_t frames = 5003;
    int runs = 0;
    for (const Format& f : formats) {
        const std::string song = dir.File("song" + std::to_string(runs) + ".wav");
        std::vector<int32_t> signal = TestSignal(frames * f.channels, f.bits);
        const std::vector<int32_t> audio = MakeSong(song, f.tag, f.channels, f.bits, signal);
        ASSERT_EQ(audio.size(), frames * f.channels);
        const uint32_t frame = f.channels * ((f.bits + 7) / 8);
        const uint32_t length = frames * frame;
        // Whole, at 0, starting inside the history, in the middle (odd bytes), short, up to the end.
        const std::pair<uint32_t, uint32_t> ranges[] = {{0, 0},
                                                        {0, 1500 * frame},
                                                        {10 * frame, 2000 * frame},
                                                        {1234 * frame + 1, 3001 * frame + 3},
                                                        {700 * frame, 703 * frame},
                                                        {4000 * frame, length}};
        for (uint32_t block : blocks) {
            for (auto [h, k] : neighbourhoods) {
                for (auto [start, end] : ranges) {
                    SCOPED_TRACE(::testing::Message()
                                 << "format " << f.tag << "/" << f.channels << "/" << f.bits << " block " << block
                                 << " h " << h << " k " << k << " range " << start << ":" << end);
                    CWaveFile source(block, 4096);
                    ASSERT_EQ(source.OpenRead(song), kFileOk);
                    CFilterRunner runner;
                    runner.SetSource(&source);
                    CProbeFilter probe(h, k, audio);
                    ASSERT_TRUE(runner.RunFilter(start, end, &probe, nullptr, false));
                    EXPECT_EQ(probe.faults, 0) << probe.firstFault;

                    const uint32_t a = start - start % frame;
                    const uint32_t b = end == 0 ? length : end - end % frame;
                    const std::vector<int32_t> out = ReadInternal(runner.LastOutputName());
                    const std::vector<int32_t> want(audio.begin() + a / frame * f.channels,
                                                    audio.begin() + b / frame * f.channels);
                    EXPECT_EQ(out, want);

                    // The step replaces exactly the range.
                    const auto& steps = source.Session().Steps();
                    ASSERT_EQ(steps.size(), 2u);
                    EXPECT_EQ(steps[1].start, a);
                    EXPECT_EQ(steps[1].end, b);
                    EXPECT_EQ(steps[1].label, "Probe");
                    EXPECT_TRUE(runner.Produced());
                    source.Session().DiscardSession(false);
                    ++runs;
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

TEST_F(FilterRunnerTest, CancelMidRunDeletesTheOutputAndLeavesTheSession) {
    OpenSong(2, 16, TestSignal(2 * 50000, 16));
    CGainChange gain;
    gain.SetParams({2, 1000, 0});

    // A first, finished run gives the session a step to keep.
    ASSERT_TRUE(runner.RunFilter(0, 40000, &gain, nullptr, false));
    const std::string sessionBytes = ReadText(SessionFileName(song));
    ASSERT_FALSE(sessionBytes.empty());
    const auto filesBefore = TempFiles();

    // The Cancel button during a run, and a second press of Process during a run.
    for (bool viaPress : {false, true}) {
        SCOPED_TRACE(viaPress ? "second press" : "cancel button");
        services.onPump = [&](int n) {
            if (n % 3 != 0) return;
            if (viaPress) {
                EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
                EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunBusy);
            } else {
                CancelFlag().store(true);
            }
        };
        EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
        services.onPump = nullptr;
        EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunCancelled);
        EXPECT_FALSE(runner.IsBusy());
        EXPECT_EQ(TempFiles(), filesBefore);
        EXPECT_EQ(source->Session().Steps().size(), 2u);
        EXPECT_EQ(ReadText(SessionFileName(song)), sessionBytes);
        EXPECT_FALSE(services.ProgressIsOpen());
        CancelFlag().store(false);
    }
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
    EXPECT_EQ(services.Messages()[0].text, LoadString(308));
    EXPECT_EQ(source->Session().Steps().size(), 1u);
    settings.TempPath = dir.File("temp");

    // An output name that is taken: the user is asked, and No keeps the file as it was.
    const std::string taken = dir.File("taken.wav");
    WriteBytes(taken, Bytes(100, 7));
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        services.ClearMessages();
        services.QueueAnswer(answer);
        runner.SetRange(0, 0);
        const int result = runner.ExecuteFilter(taken, nullptr, false, gain, 3);
        ASSERT_EQ(services.Messages().size(), 1u);
        EXPECT_EQ(services.Messages()[0].text,
                  "The destination file alreadys exists, do you want to overwrite " + taken);
        EXPECT_EQ(services.Messages()[0].icon, MsgIcon::Question);
        if (answer == MsgAnswer::No) {
            EXPECT_EQ(result, CFilterRunner::kRunNotOverwritten);
            EXPECT_EQ(ReadBytes(taken), Bytes(100, 7));
        } else {
            EXPECT_EQ(result, CFilterRunner::kRunOk);
            EXPECT_EQ(ReadInternal(taken).size(), 2u * 5000);
        }
        ASSERT_EQ(source->Reopen(), kFileOk);
    }

    // A filter that stops the run: message 190, the half-written output goes.
    class CStopper : public CGainChange {
    public:
        bool Process(CWaveFile& s, CWaveFile& o) override { return ++calls < 3 && CGainChange::Process(s, o); }
        int calls = 0;
    } stopper;
    services.ClearMessages();
    CWaveFile small(512, 4096);
    ASSERT_EQ(small.OpenRead(song), kFileOk);
    runner.SetSource(&small);
    EXPECT_FALSE(runner.RunFilter(0, 0, &stopper, nullptr, false));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunStopped);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, LoadString(190));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(small.Session().Steps().size(), 1u);

    // A filter that emits fewer values than it consumed would make a step shorter than its range.
    class CShort : public CGainChange {
    public:
        bool Finish(CWaveFile&, CWaveFile&) override { return true; }
        bool Process(CWaveFile& s, CWaveFile& o) override {
            for (const int32_t* p = s.ReadCursor() + 1; p < s.EndCursor(); ++p) {
                if (!o.PutSample(*p)) return false;
            }
            return true;
        }
    } shorter;
    EXPECT_FALSE(runner.RunFilter(0, 0, &shorter, nullptr, false));
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunWrongLength);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(small.Session().Steps().size(), 1u);
    small.Session().DiscardSession(false);
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

TEST_F(FilterRunnerTest, PreviewPlaysWhatProcessingWritesAndLoopsUntilStopped) {
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
        EXPECT_EQ(player.State(), kPlayerStopped);
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
    }
    // Without the loop the preview plays one pass to its last, partial block and ends by itself.
    CFilePreviewPlayer once(dir.File("once.wav"));
    runner.SetPlayer(&once);
    EXPECT_TRUE(runner.RunFilter(start, start + 6 * 2000, &gain, nullptr, true));
    EXPECT_EQ(once.State(), kPlayerStopped);
    EXPECT_EQ(once.StreamLength(), 6u * 2000);
    EXPECT_EQ(ReadInternal(dir.File("once.wav")), firstPass);
    EXPECT_EQ(source->Session().Steps().size(), 1u);
    // One pass is what processing the range writes.
    ASSERT_TRUE(runner.RunFilter(start, start + 6 * 2000, &gain, nullptr, false));
    EXPECT_EQ(ReadInternal(runner.LastOutputName()), firstPass);
}

TEST_F(FilterRunnerTest, ProcessDuringAPreviewStopsItAndProcessesNothing) {
    OpenSong(2, 16, TestSignal(2 * 20000, 16));
    CFilePreviewPlayer player(dir.File("preview.wav"));
    player.SetLoop(true);
    runner.SetPlayer(&player);
    CGainChange gain;
    gain.SetParams({2, 1000, 0});

    bool pressed = false;
    services.onPump = [&](int n) {
        if (n != 30 || pressed) return;
        pressed = true;
        // Process pressed while the preview plays: it only stops the preview.
        EXPECT_EQ(player.State(), kPlayerPlaying);
        EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, false));
        EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunBusy);
        EXPECT_EQ(player.State(), kPlayerStopped);
    };
    EXPECT_FALSE(runner.RunFilter(0, 0, &gain, nullptr, true));
    services.onPump = nullptr;
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(runner.IsBusy());
    EXPECT_EQ(source->Session().Steps().size(), 1u);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_FALSE(runner.Produced());

    // The next press processes.
    EXPECT_TRUE(runner.RunFilter(0, 0, &gain, nullptr, false));
    EXPECT_EQ(source->Session().Steps().size(), 2u);
    EXPECT_TRUE(runner.Produced());
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
    EXPECT_TRUE(runner.RunFilterOnFile(56, song, "", 159, false));
    EXPECT_EQ(runner.Source(), nullptr);
    EXPECT_EQ(ReadInternal(song), std::vector<int32_t>(signal.size(), 0));
    EXPECT_FALSE(runner.RunFilterOnFile(15, song, "", 159, false));  // built only inside the composites
    EXPECT_EQ(services.Messages().back().text, LoadString(352));
}

}  // namespace
