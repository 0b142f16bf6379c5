// The filter pane controller: which preset a pane starts with, the Save and
// Delete buttons, and closing (saving "Default", or only cancelling while a
// run uses the filter).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "processing/FilterDlg.h"
#include "processing/FilterRunner.h"
#include "processing/ProcessingFixture.h"
#include "support/CliHarness.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

class CDlgTestFilter : public CFilter {
public:
    CDlgTestFilter() { SetIdentity(0, "DlgTest", "Dlg Test"); }
    bool Prepare(CWaveFile&, CWaveFile&) override { return true; }
    bool Finish(CWaveFile&, CWaveFile&) override { return true; }
    bool Process(CWaveFile& source, CWaveFile& output) override {
        if (onBlock) onBlock();
        for (const int32_t* in = source.ReadCursor(); in < source.EndCursor(); ++in) {
            if (!output.PutSample(*in)) return false;
        }
        return true;
    }
    std::function<void()> onBlock;
};

// A pane with one "control" per parameter, showing the test's filter unless it makes its own.
class CTestPane : public CFilterDlg {
public:
    explicit CTestPane(CFilter* shown, int type = -1, CFilterRunner* runner = nullptr) : CFilterDlg(type, runner) {
        if (shown) SetShownFilter(shown);
    }
    bool ValidateControls() override { return valid; }
    void ApplyControls() override {
        ++applied;
        GetFilter()->SetParams(controls);
    }
    void LoadControls() override { controls = GetFilter()->GetParams(); }
    CPresetStore::Params controls{};
    bool valid = true;
    int applied = 0;
};

// The preset file text of a filter whose eleven values are all value.
std::string Text(int value) {
    std::string text = "[DlgTest]\nSet=" + std::to_string(value);
    for (int i = 1; i < 11; ++i) text += "," + std::to_string(value);
    return text + "\n";
}

CPresetStore::Params All(int value) {
    CPresetStore::Params p;
    p.fill(value);
    return p;
}

class FilterDlgTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        PresetFolder("DlgTest");
    }
    fs::path File(const std::string& name) const { return PresetFolder("DlgTest") / (name + ".pst"); }
    void WritePreset(const std::string& name, int value) { std::ofstream(File(name), std::ios::binary) << Text(value); }

    CDlgTestFilter filter;
};

TEST_F(FilterDlgTest, StartsWithTheLastPresetWhenListedElseDefault) {
    WritePreset("Default", 3);
    WritePreset("Warm", 7);
    {
        CTestPane pane(&filter);
        ASSERT_TRUE(pane.OnInitDialog());
        EXPECT_EQ(pane.PresetCombo().Names(), (std::vector<std::string>{"Default", "Warm"}));
        EXPECT_EQ(pane.controls, All(3));
        pane.OnPresetSelChange(1);
        EXPECT_EQ(pane.controls, All(7));
    }
    ASSERT_TRUE(profile.WriteProfileString("DlgTest", "LastPreset", "Warm"));
    ASSERT_TRUE(profile.WriteProfileString("Other", "LastPreset", "Default"));
    {
        CTestPane pane(&filter);
        ASSERT_TRUE(pane.OnInitDialog());
        EXPECT_EQ(pane.PresetCombo().GetEditText(), "Warm");
        EXPECT_EQ(pane.controls, All(7));
    }
    // Neither file there: "Default" is listed anyway and the parameters stay.
    fs::remove(File("Warm"));
    fs::remove(File("Default"));
    filter.SetParams(All(1));
    CTestPane pane(&filter);
    ASSERT_TRUE(pane.OnInitDialog());
    EXPECT_EQ(pane.PresetCombo().Names(), std::vector<std::string>{"Default"});
    EXPECT_EQ(pane.PresetCombo().GetSelectedText(), "Default");
    EXPECT_EQ(pane.controls, All(1));
}

TEST_F(FilterDlgTest, MakesItsFilterByTypeAndRefusesAnUnknownType) {
    {
        PresetFolder("GainChange");
        CTestPane pane(nullptr, kFilterGainChange);
        ASSERT_TRUE(pane.OnInitDialog());
        ASSERT_NE(pane.GetFilter(), nullptr);
        EXPECT_EQ(pane.GetFilter()->GetType(), kFilterGainChange);
        settings.AutoSaveDefaultPreset = 1;
        EXPECT_TRUE(pane.OnClose());
        EXPECT_EQ(pane.GetFilter(), nullptr);
    }
    EXPECT_TRUE(fs::exists(PresetFolder("GainChange") / "Default.pst"));

    CTestPane unknown(nullptr, 12345);
    EXPECT_FALSE(unknown.OnInitDialog());
    EXPECT_EQ(unknown.GetFilter(), nullptr);
    EXPECT_EQ(services.Messages().size(), 1u);
}

TEST_F(FilterDlgTest, SaveAppliesTheControlsFirstAndNothingWhenTheyAreInvalid) {
    CTestPane pane(&filter);
    ASSERT_TRUE(pane.OnInitDialog());
    pane.controls = All(9);
    pane.valid = false;
    EXPECT_EQ(pane.OnSave(), 1);
    EXPECT_EQ(pane.applied, 0);
    EXPECT_TRUE(services.TextRequests().empty());

    pane.valid = true;
    services.QueueText("Loud");
    EXPECT_EQ(pane.OnSave(), 0);
    EXPECT_EQ(ReadText(File("Loud")), Text(9));
    EXPECT_EQ(pane.PresetCombo().GetSelectedText(), "Loud");
}

TEST_F(FilterDlgTest, DeleteAsksRemovesAndReloadsButRefusesDefaultAndUnknownNames) {
    WritePreset("Default", 3);
    WritePreset("Warm", 7);
    CTestPane pane(&filter);
    ASSERT_TRUE(pane.OnInitDialog());
    const auto& shown = services.Messages();

    EXPECT_EQ(pane.OnDelete(), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The Default Settings cannot be deleted.");
    pane.PresetCombo().SetEditText("Ghost");
    EXPECT_EQ(pane.OnDelete(), 1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "The Preset  Ghost  was not found");
    EXPECT_EQ(shown[1].caption, "Delete Setting");

    pane.OnPresetSelChange(1);
    services.QueueAnswer(MsgAnswer::No);
    pane.controls = All(5);  // unsaved changes survive a No
    EXPECT_EQ(pane.OnDelete(), 1);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, "Are you sure you want to delete the preset: Warm ?");
    EXPECT_EQ(shown[2].caption, "Delete Preset");
    EXPECT_EQ(pane.controls, All(5));

    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(pane.OnDelete(), 0);
    EXPECT_FALSE(fs::exists(File("Warm")));
    EXPECT_EQ(pane.PresetCombo().Names(), std::vector<std::string>{"Default"});
    EXPECT_EQ(filter.CurrentPreset(), "Default");
    EXPECT_EQ(pane.controls, All(3));
}

TEST_F(FilterDlgTest, ClosingSavesDefaultOnlyWhenAutoSaveIsOnAndOnlyCancelsARunUsingTheFilter) {
    WritePreset("Default", 3);
    CTestPane pane(&filter);
    ASSERT_TRUE(pane.OnInitDialog());
    filter.SetParams(All(8));
    settings.AutoSaveDefaultPreset = 0;
    EXPECT_TRUE(pane.OnClose());
    EXPECT_EQ(ReadText(File("Default")), Text(3));

    // With auto-save on, closing while a run uses the filter only cancels the run (at its next block).
    settings.AutoSaveDefaultPreset = 1;
    const std::string song = dir.File("song.wav");
    ASSERT_TRUE(WriteWave(song, 1, 44100, 16, std::vector<int64_t>(3 * 4096, 1000)));
    CWaveFile source;
    ASSERT_EQ(source.OpenRead(song), 0);
    CFilterRunner runner;
    runner.SetSource(&source);
    CTestPane again(&filter, -1, &runner);
    ASSERT_TRUE(again.OnInitDialog());
    again.PresetCombo().SetCurSel(-1);
    filter.SetParams(All(8));
    int blocks = 0;
    bool closedDuringRun = true;
    filter.onBlock = [&] {
        if (++blocks == 1) closedDuringRun = again.OnClose();
        EXPECT_TRUE(CancelFlag().load());
    };
    EXPECT_FALSE(runner.RunFilter(0, 0, &filter, &again, false));
    EXPECT_FALSE(closedDuringRun);
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(again.GetFilter(), &filter);
    EXPECT_EQ(ReadText(File("Default")), Text(3));  // nothing saved by the refused close

    EXPECT_TRUE(again.OnClose());
    EXPECT_EQ(ReadText(File("Default")), Text(8));
    EXPECT_EQ(again.PresetCombo().GetSelectedText(), "Default");
    EXPECT_TRUE(services.Messages().empty());
}

}  // namespace
