// The Clean pane's logic: start values from the shipped preset, sliders and
// buttons acting on the filter at once, Process through the runner, the
// meter timer, the activity display's bars and closing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "enhance/AutoHum.h"
#include "processing/ContinuousNoise.h"
#include "processing/FilterRunner.h"
#include "processing/Impulse.h"
#include "processing/ProcessingFixture.h"
#include "processing/TaviClean.h"
#include "processing/TaviCleanDlg.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

using Bar = CTaviCleanDlg::Bar;

class TaviCleanDlgTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        // The pane starts from the preset shipped with the program.
        const auto root = fs::path(__FILE__).parent_path().parent_path().parent_path();
        fs::copy_file(root / "share/Presets/TaviClean/Default.pst", PresetFolder("TaviClean") / "Default.pst");
    }

    CFilterRunner runner;
};

TEST_F(TaviCleanDlgTest, StartsFromTheShippedDefaultAndControlsActAtOnce) {
    CTaviCleanDlg pane(&runner);
    ASSERT_TRUE(pane.InitPane("/music/Side A.wav", 400));
    EXPECT_EQ(pane.Scratch(), 500);
    EXPECT_EQ(pane.Crackle(), 600);
    EXPECT_EQ(pane.Hiss(), 20);
    EXPECT_EQ(pane.HumChoice(), 0);
    EXPECT_EQ(pane.SongName(), "Side A");
    CTaviClean& clean = *static_cast<CTaviClean*>(pane.GetFilter());
    EXPECT_EQ(clean.GetParams()[1], 600);

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
    EXPECT_EQ(clean.ScratchStage().GetKeepResidue(), 0);
    // The largest value sits at the slider's left end.
    EXPECT_EQ(CTaviCleanDlg::SliderPosition(CTaviCleanDlg::kScratch, 1000), 0);
    EXPECT_EQ(CTaviCleanDlg::SliderPosition(CTaviCleanDlg::kHiss, 0), 100);

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

TEST_F(TaviCleanDlgTest, ActivityBarsFollowTheReadingsAndStayInsideTheLane) {
    CTaviClean::Meters m;
    m.scratch = 3;
    m.crackle = 80;
    m.hiss = 400;
    m.hum = 500;
    const auto bars = CTaviCleanDlg::ActivityBars(m, 40, 1);
    EXPECT_EQ(bars[0], (Bar{3, 15, 15, 255}));
    EXPECT_EQ(bars[1], (Bar{40, 255, 255, 255}));  // height held to the lane, shade saturated
    EXPECT_EQ(bars[2], (Bar{16, 102, 255, 51}));   // (1000 - 400) x 40 / 1500
    EXPECT_EQ(bars[3], (Bar{20, 255, 128, 0}));
    EXPECT_EQ(CTaviCleanDlg::ActivityBars(m, 40, 2)[3], (Bar{20, 255, 0, 0}));  // 50 Hz hum shows red

    m.scratch = -5;
    m.hiss = -100000;
    m.hum = 5000;
    const auto wild = CTaviCleanDlg::ActivityBars(m, 40, 0);
    EXPECT_EQ(wild[0].height, 0);
    EXPECT_EQ(wild[2].height, 40);
    EXPECT_EQ(wild[3].height, 40);
}

}  // namespace
