// The Clean composite: the parameter, flag and preset mapping onto its four
// stages, exact length through the runner for many lengths and formats, where
// the residue comes from, and the meters (bypass is run by restova-cli clean).
// Then its pane: start values from the shipped preset, controls acting on the
// filter at once, Process through the runner, the meter timer and the bars.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "processing/AutoHum.h"
#include "processing/ContinuousNoise.h"
#include "processing/FilterRunner.h"
#include "processing/Impulse.h"
#include "processing/TaviClean.h"
#include "processing/TaviCleanDlg.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

constexpr uint32_t kRate = 44100;

using Params = CFilter::Params;

// Music-like tones with hiss, 60 Hz hum and sharp clicks, interleaved, on the 24-bit scale.
std::vector<int32_t> Damaged(size_t frames, int channels, unsigned seed = 3) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> hiss(0.0, 3e4);
    std::vector<int32_t> v(frames * channels);
    for (size_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double music = 1.5e6 * std::sin(2 * std::numbers::pi * 440 * t) * (0.6 + 0.4 * std::sin(3 * t)) +
                             8e5 * std::sin(2 * std::numbers::pi * 660 * t);
        const double hum = 2e5 * std::sin(2 * std::numbers::pi * 60 * t);
        for (int c = 0; c < channels; ++c) {
            double x = music + hum + hiss(rng);
            if (f % 9000 == 4500) x += 5e6;  // a click every ~0.2 s
            v[f * channels + c] = static_cast<int32_t>(x);
        }
    }
    return v;
}

class TaviCleanTest : public ProcessingTest {};

TEST_F(TaviCleanTest, ControlsFlagsAndPresetsMapOntoTheFourStages) {
    CTaviClean clean;
    clean.SetParams({1000, 1000, 35, 2, 0, 0, 0, 0, 0, 0, 0});
    // Scratch 1000: threshold 64000 on the 24-bit scale (p0 is threshold / 256).
    EXPECT_EQ(clean.ScratchStage().GetParams(), (Params{250, 7, 3, 0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(clean.CrackleStage().GetParams(), (Params{0, 13, 1, 0, 10, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(clean.HumStage().GetParams(), (Params{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(clean.HissStage().GetParams(), (Params{10, 10, 35, 4, 50, 12, 2, 1, 0, 0, 0}));

    // Crackle 995 rounds toward zero: (1000 - 995) / 10 + 10 = 10.
    clean.SetParams({5000, 995, -7, 1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(clean.CrackleStage().GetParams()[4], 10);
    // Values beyond the controls' ranges are held to them, never overflowing.
    EXPECT_EQ(clean.ScratchStage().GetParams()[0], 250);
    EXPECT_EQ(clean.HissStage().GetParams()[2], 0);
    // Only the click stages can leave a channel untouched.
    clean.SetChannelPass(1, 0);
    EXPECT_EQ(clean.ScratchStage().RightUntouched(), 1);
    EXPECT_EQ(clean.CrackleStage().RightUntouched(), 1);
    EXPECT_EQ(clean.HumStage().RightUntouched(), 0);
    EXPECT_EQ(clean.HissStage().RightUntouched(), 0);

    // A preset carries the four controls only, and the stages follow it.
    std::ofstream(PresetFolder("TaviClean") / "Strong.pst") << "[TaviClean]\nSet=900,800,60,2,5,5,5,5,5,5,5\n";
    ASSERT_EQ(clean.LoadPreset("Strong"), 0);
    EXPECT_EQ(clean.GetParams(), (Params{900, 800, 60, 2, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(clean.HumStage().GetParams()[0], 2);
    EXPECT_EQ(clean.HissStage().GetParams()[2], 60);
}

TEST_F(TaviCleanTest, OutputHasTheInputsLengthForAnyLengthAndFormat) {
    struct Format {
        uint16_t tag, channels, bits;
    };
    const Format formats[] = {{1, 2, 16}, {1, 1, 8}, {1, 2, 24}, {3, 2, 32}};
    const size_t lengths[] = {1, 4095, 4097, 70001};
    for (const Format& f : formats) {
        for (size_t frames : lengths) {
            const std::string path = dir.File("song.wav");
            std::vector<int32_t> samples = Damaged(frames, f.channels);
            if (f.bits == 8) {
                for (int32_t& s : samples) s = s / 65536 * 65536;
            }
            ASSERT_TRUE(WriteInternal(path, f.tag, f.channels, kRate, f.bits, samples));
            CTaviClean clean;
            clean.SetParams({500, 600, 20, 1, 0, 0, 0, 0, 0, 0, 0});
            // The runner itself refuses a run whose output length differs from the range.
            ASSERT_TRUE(RunIntoFile(clean, path, dir.File("out.wav")));
            ASSERT_EQ(ReadInternal(dir.File("out.wav")).size(), samples.size())
                << f.bits << "-bit " << f.channels << " ch, " << frames;
        }
    }
}

// With every control at 0 and hum off nothing is taken away: a steady two-tone comes back sample
// for sample, its onset at the start of the run included.
TEST_F(TaviCleanTest, AllControlsAtZeroGiveTheInputBack) {
    for (int channels : {1, 2}) {
        std::vector<int32_t> in = Tone(440.0, kRate, channels, 2048000);
        const std::vector<int32_t> second = Tone(1000.0, kRate, channels, 1536000);
        for (size_t i = 0; i < in.size(); ++i) in[i] += second[i];
        CTaviClean clean;
        clean.SetParams({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(FeedFilter(clean, in, channels), in) << channels;
        EXPECT_EQ(clean.GetTotals().crackle, 0) << channels;
    }
}

TEST_F(TaviCleanTest, KeepResidueReplacesOnlyTheHissStagesOutput) {
    const auto in = Damaged(3 * kRate, 2);
    const Params p{800, 700, 40, 1, 0, 0, 0, 0, 0, 0, 0};
    CTaviClean clean;
    clean.SetParams(p);
    const auto cleaned = FeedFilter(clean, in, 2);
    EXPECT_EQ(FeedFilter(clean, in, 2), cleaned);  // a second run of the same filter starts afresh
    clean.SetKeepResidue(1);
    const auto residue = FeedFilter(clean, in, 2);
    clean.SetKeepResidue(0);
    // The hiss stage at strength 0 passes on what the first three stages made.
    clean.SetParams({800, 700, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    const auto beforeHiss = FeedFilter(clean, in, 2);
    ASSERT_EQ(cleaned.size(), in.size());
    ASSERT_EQ(residue.size(), in.size());
    ASSERT_EQ(beforeHiss.size(), in.size());
    double clicksAndHum = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_LE(std::abs(int64_t{cleaned[i]} + residue[i] - beforeHiss[i]), 256) << i;
        clicksAndHum += std::fabs(double(beforeHiss[i]) - in[i]);
    }
    // ... and the first three stages did change the audio: their work is not in the residue.
    EXPECT_GT(clicksAndHum / in.size(), 1e4);
}

TEST_F(TaviCleanTest, MetersCountEventsResetOnReadingAndTotalsKeepThem) {
    CTaviClean clean;
    clean.SetParams({700, 600, 20, 1, 0, 0, 0, 0, 0, 0, 0});
    const auto in = Damaged(2 * kRate, 2);
    FeedFilter(clean, in, 2);
    const CTaviClean::Totals before = clean.GetTotals();
    EXPECT_GE(before.scratch, 5);  // ten clicks
    EXPECT_GT(before.hum, 0);
    EXPECT_LT(before.hissGain, 1.0);
    const CTaviClean::Meters m = clean.GetMeters();
    EXPECT_EQ(m.scratch, before.scratch);
    EXPECT_LE(m.hiss, 1000);
    EXPECT_EQ(clean.GetMeters().scratch, 0);
    EXPECT_EQ(clean.GetTotals().scratch, before.scratch);
}

// A second thread changes nothing in the file a run writes, nor in what the meters count: every
// stage sees the same samples in the same portions.
TEST_F(TaviCleanTest, TwoThreadsWriteTheSameFileAsOne) {
    // Mono without hum, stereo with it: the chain is cut in different places.
    for (const auto& [channels, hum] : {std::pair{1, 0}, std::pair{2, 1}}) {
        const std::string in = dir.File("in" + std::to_string(channels) + ".wav");
        ASSERT_TRUE(WriteInternal(in, 1, static_cast<uint16_t>(channels), kRate, 16, Damaged(3 * kRate, channels)));
        std::vector<std::vector<int32_t>> outs;
        std::vector<CTaviClean::Totals> totals;
        for (int threads : {1, 2}) {
            CFilterRunner::SetRunThreads(threads);
            CTaviClean clean;
            clean.SetParams({700, 600, 40, hum, 0, 0, 0, 0, 0, 0, 0});
            const std::string out = dir.File("out" + std::to_string(channels) + std::to_string(threads) + ".wav");
            ASSERT_TRUE(RunIntoFile(clean, in, out));
            outs.push_back(ReadInternal(out));
            totals.push_back(clean.GetTotals());
        }
        CFilterRunner::SetRunThreads(0);
        ASSERT_EQ(outs[0].size(), 3 * kRate * channels);
        EXPECT_TRUE(outs[0] == outs[1]) << channels << " channels";
        EXPECT_EQ(totals[0].scratch, totals[1].scratch);
        EXPECT_GT(totals[1].scratch, 0);
        EXPECT_EQ(totals[0].hissGain, totals[1].hissGain);
    }
}

// On two threads the output may be written from either, and whichever thread meets a full disk or
// a cancel, the run ends (no thread left waiting on the other) and the next one starts clean.
TEST_F(TaviCleanTest, ATwoThreadRunThatCannotWriteOrIsCancelledEndsAndTheNextSucceeds) {
    const std::string in = dir.File("in.wav");
    ASSERT_TRUE(WriteInternal(in, 1, 2, kRate, 16, Damaged(4 * kRate, 2)));
    CFilterRunner::SetRunThreads(2);
    CTaviClean clean;
    clean.SetParams({700, 600, 40, 1, 0, 0, 0, 0, 0, 0, 0});
    {
        DiskLimit full(150000);
        EXPECT_FALSE(RunIntoFile(clean, in, dir.File("full.wav")));
    }
    services.onPump = [at = services.Pumps() + 5](int n) {
        if (n == at) CancelFlag().store(true);
    };
    EXPECT_FALSE(RunIntoFile(clean, in, dir.File("cancelled.wav")));
    services.onPump = nullptr;
    CancelFlag().store(false);
    EXPECT_FALSE(std::filesystem::exists(dir.File("cancelled.wav")));

    ASSERT_TRUE(RunIntoFile(clean, in, dir.File("out.wav")));
    CFilterRunner::SetRunThreads(1);
    ASSERT_TRUE(RunIntoFile(clean, in, dir.File("one.wav")));
    CFilterRunner::SetRunThreads(0);
    EXPECT_TRUE(ReadInternal(dir.File("out.wav")) == ReadInternal(dir.File("one.wav")));
}

// The pane starts from the preset shipped with the program.
class TaviCleanDlgTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        std::filesystem::copy_file(SourceShare() / "Presets/TaviClean/Default.pst",
                                   PresetFolder("TaviClean") / "Default.pst");
    }

    CFilterRunner runner;
};

TEST_F(TaviCleanDlgTest, StartsFromTheShippedDefaultAndControlsActAtOnce) {
    CTaviCleanDlg pane(&runner);
    ASSERT_TRUE(pane.InitPane("/music/Side A.wav", 400));
    EXPECT_EQ(pane.Scratch(), 500);
    EXPECT_EQ(pane.Crackle(), 300);
    EXPECT_EQ(pane.Hiss(), 20);
    EXPECT_EQ(pane.HumChoice(), 0);
    EXPECT_EQ(pane.SongName(), "Side A");
    CTaviClean& clean = *static_cast<CTaviClean*>(pane.GetFilter());

    pane.OnSlider(CTaviCleanDlg::kScratch.id, 730);
    EXPECT_EQ(clean.GetParams()[0], 730);
    pane.OnSlider(CTaviCleanDlg::kHiss.id, 250);  // held to the slider's range
    EXPECT_EQ(clean.GetParams()[2], 100);
    pane.OnHumChoice(2);
    EXPECT_DOUBLE_EQ(clean.HumStage().Fundamental(), 50.0);
    pane.OnBypassButton(true);
    EXPECT_EQ(clean.HissStage().GetBypass(), 1);
    pane.OnKeepResidue(true);
    EXPECT_EQ(clean.HissStage().GetKeepResidue(), 1);
    // The largest value sits at the slider's left end.
    EXPECT_EQ(CTaviCleanDlg::SliderPosition(CTaviCleanDlg::kScratch, 1000), 0);

    // Picking a preset brings its values into the controls.
    std::ofstream(PresetFolder("TaviClean") / "Soft.pst") << "[TaviClean]\nSet=100,200,5,1,0,0,0,0,0,0,0\n";
    clean.FillPresetList(pane.PresetCombo());
    pane.OnPresetSelChange(pane.PresetCombo().FindStringExact("Soft"));
    EXPECT_EQ(pane.Scratch(), 100);
    EXPECT_EQ(pane.HumChoice(), 1);

    // The timer reads the meters at most every 95 ms.
    EXPECT_TRUE(pane.TimerRunning());
    EXPECT_TRUE(pane.OnTimer(1000));
    EXPECT_FALSE(pane.OnTimer(1094));
    EXPECT_TRUE(pane.OnTimer(1095));
    EXPECT_EQ(pane.Readings().hiss, 1000);  // nothing filtered yet: gain 1
}

TEST_F(TaviCleanDlgTest, ProcessCleansTheSongAsASessionStep) {
    const std::string song = dir.File("song.wav");
    std::vector<int64_t> samples(2 * 30000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int64_t>((i * 7919) % 2001) - 1000;
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, samples));
    CTaviCleanDlg pane(&runner);
    ASSERT_TRUE(pane.InitPane(song, 400));
    EXPECT_FALSE(pane.OnProcess());  // not cancelled
    EXPECT_EQ(runner.Caption(), "Cleaning ");
    EXPECT_TRUE(runner.Produced());
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunOk);

    // A preview with no player cannot start; the preview flag is down again afterwards.
    pane.OnPreview();
    EXPECT_EQ(runner.LastResult(), CFilterRunner::kRunNoPlayback);
    EXPECT_FALSE(pane.IsPreview());

    EXPECT_TRUE(pane.OnClosePane());
    EXPECT_FALSE(pane.TimerRunning());
    EXPECT_TRUE(CancelFlag().load());
    EXPECT_EQ(runner.Source(), nullptr);
}

TEST_F(TaviCleanDlgTest, ActivityBarsStayInsideTheLaneWhateverTheReadings) {
    CTaviClean::Meters m;
    m.scratch = -5;
    m.crackle = 80;
    m.hiss = -100000;
    m.hum = 5000;
    std::vector<int> heights;
    for (const CTaviCleanDlg::Bar& bar : CTaviCleanDlg::ActivityBars(m, 40, 2)) heights.push_back(bar.height);
    EXPECT_EQ(heights, (std::vector<int>{0, 40, 40, 40}));
    m.hiss = 400;
    EXPECT_EQ(CTaviCleanDlg::ActivityBars(m, 40, 2)[2].height, 16);  // (1000 - 400) x 40 / 1500
}

}  // namespace
