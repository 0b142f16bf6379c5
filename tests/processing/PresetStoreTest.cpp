// Preset files on disk: their exact text, what is kept and what is refused,
// the list of names and the Save As flow of the filters; then the filter pane
// controller: which preset a pane starts with, its Save and Delete buttons, and
// closing (saving "Default", or only cancelling while a run uses the filter).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/StringTable.h"
#include "processing/FilterDlg.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/PresetCombo.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

// A filter that copies its input (calling onBlock first for every block).
class CPresetTestFilter : public CFilter {
public:
    CPresetTestFilter() { SetIdentity(0, "TestFilter", "Test Filter"); }
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
    // A filter whose own save writes part of its file and then fails.
    bool SavePreset(const std::string& name) override {
        if (!failSave) return CFilter::SavePreset(name);
        WritePresetValue(name, "Partial", "1");
        return false;
    }
    bool failSave = false;
};

void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const CPresetStore::Params kSample = {1, -2, 3, 0, 2147483647, -2147483647 - 1, 7, 8, 9, 10, -11};
const std::string kSampleFile = "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n";

// A pane with one "control" per parameter, showing the test's filter unless it makes its own.
class CTestPane : public CFilterDlg {
public:
    explicit CTestPane(CFilter* shown, FilterMaker make = {}, CFilterRunner* runner = nullptr)
        : CFilterDlg(std::move(make), runner) {
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
    std::string text = "[TestFilter]\nSet=" + std::to_string(value);
    for (int i = 1; i < 11; ++i) text += "," + std::to_string(value);
    return text + "\n";
}

CPresetStore::Params All(int value) {
    CPresetStore::Params p;
    p.fill(value);
    return p;
}

class PresetTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        Folder();
        filter.SetParams(kSample);
    }
    fs::path Root() const { return settings.PresetPath; }
    fs::path Folder() const { return PresetFolder("TestFilter"); }
    fs::path File(const std::string& name) const { return Folder() / (name + ".pst"); }
    size_t FilesInFolder() const { return std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()); }

    CPresetTestFilter filter;
    CPresetCombo combo;
};

TEST_F(PresetTest, FilesHaveTheExactTextAndSavingKeepsTheRestOfTheFile) {
    ASSERT_TRUE(filter.SavePreset("Warm"));
    EXPECT_EQ(ReadText(File("Warm")), kSampleFile);
    CPresetTestFilter other;
    ASSERT_EQ(other.LoadPreset("Warm"), 0);
    EXPECT_EQ(other.GetParams(), kSample);
    EXPECT_TRUE(other.ParamsChanged());
    EXPECT_EQ(other.CurrentPreset(), "Warm");

    const std::string shared =
        "; shared\r\n[Other_1]\r\nSet=5,5,5,5,5,5,5,5,5,5,5\r\n\r\n[testfilter]\r\nSet=0,0,0,0,0,0,0,0,0,0,0\r\n"
        "Extra=keep me\r\n[Other_2]\r\nSet=6\r\n";
    Put(File("Shared"), shared);
    ASSERT_TRUE(filter.SavePreset("Shared"));
    std::string expected = shared;
    expected.replace(expected.find("0,0,0,0,0,0,0,0,0,0,0"), 21, "1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11");
    EXPECT_EQ(ReadText(File("Shared")), expected);
}

TEST_F(PresetTest, LoadTakesElevenNumbersOrNothing) {
    const CPresetStore::Params counted = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const std::pair<const char*, bool> cases[] = {
        {" 1, 2,+3, 4,5,6,7,8,9,10,11", true},      // blanks and a plus sign before a number, as "%d" reads
        {"1,2,3,4,5,6,7,8,9,10,11,12,junk", true},  // what follows the eleventh number is ignored
        {"1,2,3,4,56", false},                      // 10 characters
        {"1,2,3,4,5,6", false},                     // longer, but six numbers
        {"1,2,3,4,5,6,7,8,9,10", false},            // ten: never a mix of old and new settings
        {"1 ,2,3,4,5,6,7,8,9,10,11", false},        // the comma must follow at once
        {"1,2,3,4,5,6,7,8,9,x,11", false},
        {"1,2,3,4,5,6,7,8,9,10,2147483648", false},  // out of range
    };
    for (const auto& [set, loads] : cases) {
        SCOPED_TRACE(set);
        Put(File("P"), std::string("[TestFilter]\nSet=") + set + "\n");
        filter.SetParams(kSample);
        filter.SetCurrentPreset("before");
        EXPECT_EQ(filter.LoadPreset("P"), loads ? 0 : 1);
        EXPECT_EQ(filter.GetParams(), loads ? counted : kSample);
        EXPECT_EQ(filter.CurrentPreset(), loads ? "P" : "before");
    }

    // Missing file or section; a name reaching outside the folder.
    Put(File("OtherOnly"), "[Impulse]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    Put(Root() / "Escape.pst", "[TestFilter]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    for (const char* name : {"Absent", "OtherOnly", "", "../Escape"}) EXPECT_EQ(filter.LoadPreset(name), 1) << name;
    EXPECT_FALSE(filter.SavePreset("../Escape"));
    EXPECT_FALSE(filter.DeletePreset("../Escape"));
    EXPECT_EQ(ReadText(Root() / "Escape.pst"), "[TestFilter]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    EXPECT_EQ(filter.GetParams(), kSample);
}

TEST_F(PresetTest, ListShowsPresetFilesOnlyWithoutHiddenOnes) {
    for (const char* name : {"b.pst", "A.pst", "v1.2.pst", "_@mf_hidden.pst", "notes.txt", "upper.PST", ".pst"}) {
        Put(Folder() / name, "");
    }
    fs::create_directory(Folder() / "folder.pst");
    combo.AddString("stale");
    combo.SetCurSel(0);
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"A", "b", "v1.2"}));
    EXPECT_EQ(combo.GetCurSel(), -1);

    CPresetCombo sorted(true);
    Put(Folder() / "a2.pst", "");
    filter.FillPresetList(sorted);
    EXPECT_EQ(sorted.Names(), (std::vector<std::string>{"A", "a2", "b", "v1.2"}));

    filter.SetPresetFolder("Missing");
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.GetCount(), 0);
}

// The user's presets come first; a name only the shipped folder holds is read from there, listed
// after the user's, shadowed by a save under its name and never deleted.
TEST_F(PresetTest, ShippedPresetsServeWhereTheUserHasNoneOfThatName) {
    const fs::path shipped = fs::path(settings.ShareFolder()) / "Presets" / "TestFilter";
    fs::create_directories(shipped);
    Put(shipped / "Default.pst", Text(1));
    Put(shipped / "Bright.pst", Text(2));
    Put(File("Default"), Text(3));
    Put(File("Mine"), Text(4));

    using Entry = CPresetStore::PresetEntry;
    EXPECT_EQ(CPresetStore::ListPresets("TestFilter"),
              (std::vector<Entry>{{"Default", false}, {"Mine", false}, {"Bright", true}}));
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"Default", "Mine", "Bright"}));
    ASSERT_EQ(filter.LoadPreset("Default"), 0);
    EXPECT_EQ(filter.GetParams(), All(3));
    ASSERT_EQ(filter.LoadPreset("Bright"), 0);
    EXPECT_EQ(filter.GetParams(), All(2));

    EXPECT_FALSE(filter.DeletePreset("Bright"));
    filter.SetParams(All(5));
    ASSERT_TRUE(filter.SavePreset("Bright"));
    EXPECT_EQ(ReadText((shipped / "Bright.pst").string()), Text(2));
    ASSERT_EQ(filter.LoadPreset("Bright"), 0);
    EXPECT_EQ(filter.GetParams(), All(5));
    EXPECT_TRUE(filter.DeletePreset("Bright"));  // the user's copy; the shipped one is read again
    ASSERT_EQ(filter.LoadPreset("Bright"), 0);
    EXPECT_EQ(filter.GetParams(), All(2));
}

TEST_F(PresetTest, NameBoxEndsOnCancelOrAnEmptyNameRefusesForbiddenCharactersAndCutsLongNames) {
    filter.SetCurrentPreset("Warm");
    services.QueueTextCancel();
    services.QueueText("");
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.TextRequests().size(), 2u);
    EXPECT_EQ(services.TextRequests()[0].initial, "Warm");
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "Please enter a name to save these settings with.");
    EXPECT_EQ(FilesInFolder(), 0u);

    services.ClearMessages();
    for (const char* bad : {"a:b", "a*b", "a\\b", "a\"b", "a/b"}) services.QueueText(bad);
    services.QueueText("fine; name?");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    ASSERT_EQ(services.Messages().size(), 5u);
    for (const auto& shown : services.Messages()) EXPECT_EQ(shown.text, LoadString(kMsgInvalidPresetChar));
    EXPECT_EQ(services.TextRequests()[3].initial, "a:b");  // asked again with what was typed
    EXPECT_TRUE(fs::exists(File("fine; name?")));

    // 128 characters, and no more bytes than a file name takes, cut between characters.
    std::string accents;
    for (int i = 0; i < 130; ++i) accents += "\xC3\xA9";
    services.QueueText(std::string(130, 'n'));
    services.QueueText("x" + accents);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_TRUE(fs::exists(File(std::string(128, 'n'))));
    EXPECT_TRUE(fs::exists(File("x" + accents.substr(0, 238))));
    EXPECT_EQ(combo.GetCount(), 3);
}

TEST_F(PresetTest, SaveAsAddsNewNamesAsksBeforeReplacingOthersNeverForDefault) {
    combo.AddString("Default");
    services.QueueText("Bright");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"Default", "Bright"}));
    EXPECT_EQ(filter.CurrentPreset(), "Bright");
    EXPECT_TRUE(services.Messages().empty());

    const std::string old = "[Other_1]\nSet=5\n[TestFilter]\nSet=0,0,0,0,0,0,0,0,0,0,0\n";
    Put(File("Bright"), old);
    services.QueueText("Bright");
    services.QueueAnswer(MsgAnswer::No);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.Messages().size(), 1u);
    const auto& asked = services.Messages()[0];
    EXPECT_EQ(asked.text, "The preset \"Bright \" already exists. Do you want to overwrite it?");
    EXPECT_EQ(asked.buttons, MsgButtons::YesNo);
    EXPECT_EQ(ReadText(File("Bright")), old);

    services.QueueText("Bright");
    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(ReadText(File("Bright")), kSampleFile);  // a fresh file: the other section went with the old one
    EXPECT_EQ(combo.GetCount(), 2);

    Put(File("Default"), old);
    services.QueueText("Default");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(services.Messages().size(), 2u);
    EXPECT_EQ(ReadText(File("Default")), "[Other_1]\nSet=5\n" + kSampleFile);
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(PresetTest, FailedSaveAsLeavesNoNewEntryAndKeepsTheOldFile) {
    combo.AddString("Default");
    combo.SetCurSel(0);
    filter.SetPresetFolder("Missing");
    services.QueueText("Lost");
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_TRUE(services.Messages().empty());
    EXPECT_EQ(combo.Names(), std::vector<std::string>{"Default"});
    EXPECT_EQ(combo.GetSelectedText(), "Default");

    filter.ResetPresetFolder();
    const std::string old = "[TestFilter]\nSet=0,0,0,0,0,0,0,0,0,0,0\n";
    Put(File("Warm"), old);
    combo.AddString("Warm");
    filter.failSave = true;
    services.QueueText("Warm");
    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_EQ(ReadText(File("Warm")), old);
    EXPECT_EQ(FilesInFolder(), 1u);
}

// --- the pane controller -------------------------------------------------------

TEST_F(PresetTest, PaneStartsWithTheLastPresetWhenListedElseDefault) {
    Put(File("Default"), Text(3));
    Put(File("Warm"), Text(7));
    {
        CTestPane pane(&filter);
        ASSERT_TRUE(pane.OnInitDialog());
        EXPECT_EQ(pane.PresetCombo().Names(), (std::vector<std::string>{"Default", "Warm"}));
        EXPECT_EQ(pane.controls, All(3));
        pane.OnPresetSelChange(1);
        EXPECT_EQ(pane.controls, All(7));
    }
    ASSERT_TRUE(profile.WriteProfileString("TestFilter", "LastPreset", "Warm"));
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

TEST_F(PresetTest, PaneMakesItsFilterAndFailsWithoutOne) {
    CTestPane pane(nullptr, [] { return std::make_unique<CGainChange>(); });
    ASSERT_TRUE(pane.OnInitDialog());
    ASSERT_NE(pane.GetFilter(), nullptr);
    EXPECT_EQ(pane.GetFilter()->GetType(), kFilterGainChange);
    EXPECT_TRUE(pane.OnClose());
    EXPECT_EQ(pane.GetFilter(), nullptr);

    CTestPane unknown(nullptr, [] { return std::unique_ptr<CFilter>(); });
    EXPECT_FALSE(unknown.OnInitDialog());
    EXPECT_EQ(unknown.GetFilter(), nullptr);
}

TEST_F(PresetTest, PaneSaveAppliesTheControlsFirstAndNothingWhenTheyAreInvalid) {
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

TEST_F(PresetTest, PaneDeleteAsksRemovesAndReloadsButRefusesDefaultAndUnknownNames) {
    Put(File("Default"), Text(3));
    Put(File("Warm"), Text(7));
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

    pane.OnPresetSelChange(1);
    services.QueueAnswer(MsgAnswer::No);
    pane.controls = All(5);  // unsaved changes survive a No
    EXPECT_EQ(pane.OnDelete(), 1);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, "Are you sure you want to delete the preset: Warm ?");
    EXPECT_EQ(pane.controls, All(5));

    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(pane.OnDelete(), 0);
    EXPECT_FALSE(fs::exists(File("Warm")));
    EXPECT_EQ(pane.PresetCombo().Names(), std::vector<std::string>{"Default"});
    EXPECT_EQ(filter.CurrentPreset(), "Default");
    EXPECT_EQ(pane.controls, All(3));
}

TEST_F(PresetTest, PaneClosingSavesDefaultOnlyWhenAutoSaveIsOnAndOnlyCancelsARunUsingTheFilter) {
    Put(File("Default"), Text(3));
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
    CTestPane again(&filter, {}, &runner);
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
