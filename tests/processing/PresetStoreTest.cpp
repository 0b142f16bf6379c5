// Preset files on disk: their exact text, what is kept and what is refused,
// the list of names, and the Save As flow of the filters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "processing/Filter.h"
#include "processing/PresetCombo.h"
#include "shell/AppSettings.h"
#include "shell/HeadlessServices.h"
#include "shell/StringTable.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

class CPresetTestFilter : public CFilter {
public:
    CPresetTestFilter() { SetIdentity(0, "TestFilter", "Test Filter"); }
    bool Prepare(CWaveFile&, CWaveFile&) override { return true; }
    bool Finish(CWaveFile&, CWaveFile&) override { return true; }
    bool Process(CWaveFile&, CWaveFile&) override { return true; }
    // A filter whose own save writes part of its file and then fails.
    bool SavePreset(const std::string& name) override {
        if (!failSave) return CFilter::SavePreset(name);
        WritePresetValue(name, "Partial", "1");
        return false;
    }
    bool failSave = false;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const CPresetStore::Params kSample = {1, -2, 3, 0, 2147483647, -2147483647 - 1, 7, 8, 9, 10, -11};

class PresetTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.PresetPath = dir.Path().string();
        SetSettings(&settings);
        SetServices(&services);
        fs::create_directory(Folder());
    }
    void TearDown() override {
        SetServices(nullptr);
        SetSettings(nullptr);
    }
    fs::path Folder() const { return dir.Path() / "TestFilter"; }
    fs::path File(const std::string& name) const { return Folder() / (name + ".pst"); }
    void WritePreset(const std::string& name, const std::string& set) {
        WriteBytes(File(name), "[TestFilter]\nSet=" + set + "\n");
    }

    TempDir dir;
    AppSettings settings;
    CHeadlessServices services;
    CPresetTestFilter filter;
};

TEST_F(PresetTest, SavedFileHasTheExactTextAndLoadsBack) {
    EXPECT_EQ(filter.PresetFile("Warm"), (Folder() / "Warm.pst").string());
    filter.SetParams(kSample);
    ASSERT_TRUE(filter.SavePreset("Warm"));
    EXPECT_EQ(ReadBytes(File("Warm")), "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");

    CPresetTestFilter other;
    EXPECT_FALSE(other.ParamsChanged());
    ASSERT_EQ(other.LoadPreset("Warm"), 0);
    EXPECT_EQ(other.GetParams(), kSample);
    EXPECT_TRUE(other.ParamsChanged());
    EXPECT_EQ(other.CurrentPreset(), "Warm");
}

TEST_F(PresetTest, SavingKeepsTheOtherSectionsAndLinesOfTheFile) {
    const std::string before =
        "; shared file\r\n[Other_1]\r\nSet=5,5,5,5,5,5,5,5,5,5,5\r\n\r\n[testfilter]\r\nSet=0,0,0,0,0,0,0,0,0,0,0\r\n"
        "Extra=keep me\r\n[Other_2]\r\nSet=6\r\n";
    WriteBytes(File("Shared"), before);
    filter.SetParams(kSample);
    ASSERT_TRUE(filter.SavePreset("Shared"));
    std::string expected = before;
    expected.replace(expected.find("Set=0,0,0,0,0,0,0,0,0,0,0"), 25,
                     "Set=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11");
    EXPECT_EQ(ReadBytes(File("Shared")), expected);
}

TEST_F(PresetTest, LoadRefusesWhatIsNotElevenNumbersAndKeepsTheParameters) {
    const CPresetStore::Params counted = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    struct Case {
        const char* set;
        bool loads;
    };
    const Case cases[] = {
        {"1,2,3,4,5,6,7,8,9,10,11", true},
        {" 1, 2,+3, 4,5,6,7,8,9,10,11", true},      // blanks before a number and a plus sign, as "%d" reads them
        {"1,2,3,4,5,6,7,8,9,10,11,12,junk", true},  // the rest after the eleventh number is ignored
        {"1,2,3,4,56", false},                      // 10 characters
        {"1,2,3,4,5,6", false},                     // 11 characters, 6 numbers
        {"1,2,3,4,5,6,7,8,9,10", false},            // ten numbers: no mix of old and new settings
        {"1,2,3,4,5,6,7,8,9,10,", false},
        {"1 ,2,3,4,5,6,7,8,9,10,11", false},  // the comma must follow the number at once
        {"1,2,3,4,5,6,7,8,9,x,11", false},
        {"1,2,3,4,5,6,7,8,9,10,2147483648", false},  // out of range is not a number
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        WritePreset("P", c.set);
        filter.SetParams(kSample);
        filter.SetCurrentPreset("before");
        EXPECT_EQ(filter.LoadPreset("P"), c.loads ? 0 : 1);
        EXPECT_EQ(filter.GetParams(), c.loads ? counted : kSample);
        EXPECT_EQ(filter.CurrentPreset(), c.loads ? "P" : "before");
    }
    // Negative numbers read back as written.
    WritePreset("N", "-1,-2,-3,-4,-5,-6,-7,-8,-9,-10,-2147483648");
    ASSERT_EQ(filter.LoadPreset("N"), 0);
    EXPECT_EQ(filter.GetParams()[10], -2147483647 - 1);
}

TEST_F(PresetTest, LoadFailsForMissingFilesSectionsAndNamesOutsideTheFolder) {
    filter.SetParams(kSample);
    EXPECT_EQ(filter.LoadPreset("Absent"), 1);
    WriteBytes(File("OtherOnly"), "[Impulse]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    EXPECT_EQ(filter.LoadPreset("OtherOnly"), 1);
    EXPECT_EQ(filter.LoadPreset(""), 1);
    // A name with a slash never reaches a file outside the filter's folder.
    WriteBytes(dir.Path() / "Escape.pst", "[TestFilter]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    EXPECT_EQ(filter.LoadPreset("../Escape"), 1);
    EXPECT_FALSE(filter.SavePreset("../Escape2"));
    EXPECT_FALSE(fs::exists(dir.Path() / "Escape2.pst"));
    EXPECT_FALSE(filter.DeletePreset("../Escape"));
    EXPECT_TRUE(fs::exists(dir.Path() / "Escape.pst"));
    EXPECT_EQ(filter.GetParams(), kSample);
    EXPECT_FALSE(filter.ParamsChanged() && filter.CurrentPreset() != "");
}

TEST_F(PresetTest, ListShowsPresetFilesOnlyWithoutHiddenOnes) {
    for (const char* name : {"b.pst", "A.pst", "v1.2.pst", "_@mf_hidden.pst", "notes.txt", "upper.PST", ".pst"}) {
        WriteBytes(Folder() / name, "");
    }
    fs::create_directory(Folder() / "folder.pst");
    CPresetCombo combo;
    combo.AddString("stale");
    combo.SetCurSel(0);
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"A", "b", "v1.2"}));
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetEditText(), "");

    CPresetCombo sorted(true);
    WriteBytes(Folder() / "a2.pst", "");
    filter.FillPresetList(sorted);
    EXPECT_EQ(sorted.Names(), (std::vector<std::string>{"A", "a2", "b", "v1.2"}));

    // A filter without its folder lists nothing, and one without a section leaves the combo alone.
    filter.SetPresetFolder("Missing");
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.GetCount(), 0);
    combo.AddString("kept");
    filter.SetPresetSection("");
    filter.FillPresetList(combo);
    EXPECT_EQ(combo.Names(), std::vector<std::string>{"kept"});
}

TEST_F(PresetTest, ChildFolderFollowsItsCompositeAndWritingIntoAMissingFolderStoresNothing) {
    filter.SetParams(kSample);
    filter.SetPresetFolder("Composite");
    EXPECT_FALSE(filter.SavePreset("Default"));  // no such folder: nothing stored, nothing created
    EXPECT_FALSE(fs::exists(dir.Path() / "Composite"));

    fs::create_directory(dir.Path() / "Composite");
    ASSERT_TRUE(filter.SavePreset("Default"));
    EXPECT_EQ(ReadBytes(dir.Path() / "Composite" / "Default.pst"),
              "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");
    filter.ResetPresetFolder();
    EXPECT_EQ(filter.PresetFolder(), Folder().string());
}

TEST_F(PresetTest, DefaultIsSelectedOrAddedBeforeItIsLoadedOrSaved) {
    WritePreset("Default", "4,4,4,4,4,4,4,4,4,4,4");
    CPresetCombo combo;
    combo.AddString("Other");
    combo.SetCurSel(0);
    EXPECT_EQ(filter.LoadDefaultPreset(combo), 0);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"Other", "Default"}));
    EXPECT_EQ(combo.GetSelectedText(), "Default");
    EXPECT_EQ(filter.GetParams()[10], 4);

    combo.SetCurSel(0);
    filter.SetParams(kSample);
    EXPECT_TRUE(filter.SaveDefaultPreset(combo));
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetSelectedText(), "Default");
    EXPECT_EQ(ReadBytes(File("Default")), "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");

    combo.SetCurSel(-1);
    EXPECT_EQ(filter.OnPresetSelected(combo), 1);
}

// --- Save As ---------------------------------------------------------------

TEST_F(PresetTest, SaveAsAsksWithTheCurrentNameAndEndsOnCancelOrAnEmptyName) {
    CPresetCombo combo;
    filter.SetCurrentPreset("Warm");
    services.QueueTextCancel();
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.TextRequests().size(), 1u);
    EXPECT_EQ(services.TextRequests()[0].caption, "Preset Name");
    EXPECT_EQ(services.TextRequests()[0].prompt, "Enter a name for this preset");
    EXPECT_EQ(services.TextRequests()[0].initial, "Warm");
    EXPECT_EQ(combo.GetEditText(), "Warm");
    EXPECT_TRUE(services.Messages().empty());

    services.QueueText("");
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "Please enter a name to save these settings with.");
    EXPECT_EQ(combo.FocusRequests(), 1);
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_TRUE(fs::is_empty(Folder()));
}

TEST_F(PresetTest, NameBoxRefusesForbiddenCharactersAndAsksAgain) {
    const std::string refused = LoadString(356);
    ASSERT_EQ(refused,
              "ERROR: Invalid character in the preset name. The following characters are not allowed in preset "
              "names: double quotes \",  Semicolon  :, star *,  forward slash /\\ and a backslash \\. ");
    CPresetCombo combo;
    for (const char* bad : {"a:b", "a*b", "a\\b", "a\"b", "a/b"}) services.QueueText(bad);
    services.QueueText("fine; name?");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    ASSERT_EQ(services.Messages().size(), 5u);
    for (const auto& shown : services.Messages()) EXPECT_EQ(shown.text, refused);
    EXPECT_EQ(services.TextRequests().size(), 6u);
    // Each new ask starts from what was typed.
    EXPECT_EQ(services.TextRequests()[1].initial, "a:b");
    EXPECT_EQ(combo.Names(), std::vector<std::string>{"fine; name?"});
    EXPECT_TRUE(fs::exists(File("fine; name?")));
}

TEST_F(PresetTest, NamesAreCutToWhatTheNameBoxAndTheFileSystemTake) {
    CPresetCombo combo;
    services.QueueText(std::string(130, 'n'));
    // Two-byte characters: 120 of them fill the bytes a file name may have;
    // the cut falls between characters, never inside one.
    std::string accents;
    for (int i = 0; i < 130; ++i) accents += "\xC3\xA9";
    services.QueueText("x" + accents);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    ASSERT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetString(0), std::string(128, 'n'));
    EXPECT_EQ(combo.GetString(1), "x" + accents.substr(0, 238));
    EXPECT_TRUE(fs::exists(File(std::string(128, 'n'))));
    EXPECT_TRUE(fs::exists(File("x" + accents.substr(0, 238))));
}

TEST_F(PresetTest, SaveAsANewNameAddsAndSelectsItWithoutAsking) {
    CPresetCombo combo;
    combo.AddString("Default");
    filter.SetParams(kSample);
    services.QueueText("Bright");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"Default", "Bright"}));
    EXPECT_EQ(combo.GetSelectedText(), "Bright");
    EXPECT_EQ(filter.CurrentPreset(), "Bright");
    EXPECT_TRUE(services.Messages().empty());
    EXPECT_EQ(ReadBytes(File("Bright")), "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");
}

TEST_F(PresetTest, OverwritingAnotherNameAsksFirstAndStartsAFreshFile) {
    const std::string old = "[Other_1]\nSet=5,5,5,5,5,5,5,5,5,5,5\n[TestFilter]\nSet=0,0,0,0,0,0,0,0,0,0,0\n";
    WriteBytes(File("Warm"), old);
    CPresetCombo combo;
    filter.FillPresetList(combo);
    filter.SetParams(kSample);

    services.QueueText("Warm");
    services.QueueAnswer(MsgAnswer::No);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.Messages().size(), 1u);
    const auto& asked = services.Messages()[0];
    EXPECT_EQ(asked.text, "The preset \"Warm \" already exists. Do you want to overwrite it?");
    EXPECT_EQ(asked.caption, "Setting Exists");
    EXPECT_EQ(asked.icon, MsgIcon::Question);
    EXPECT_EQ(asked.buttons, MsgButtons::YesNo);
    EXPECT_EQ(ReadBytes(File("Warm")), old);

    services.QueueText("Warm");
    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    // The old file went first, so the other filter's section went with it.
    EXPECT_EQ(ReadBytes(File("Warm")), "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");
    EXPECT_EQ(combo.Names(), std::vector<std::string>{"Warm"});
    EXPECT_EQ(combo.GetSelectedText(), "Warm");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
}

TEST_F(PresetTest, DefaultIsOverwrittenInPlaceWithoutAsking) {
    const std::string old = "[Other_1]\nSet=5\n[TestFilter]\nSet=0,0,0,0,0,0,0,0,0,0,0\n";
    WriteBytes(File("Default"), old);
    CPresetCombo combo;
    filter.FillPresetList(combo);
    filter.SetParams(kSample);
    services.QueueText("Default");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    EXPECT_TRUE(services.Messages().empty());
    EXPECT_EQ(ReadBytes(File("Default")),
              "[Other_1]\nSet=5\n[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n");
}

TEST_F(PresetTest, FailedSaveLeavesNoNewEntryAndKeepsTheOldFile) {
    CPresetCombo combo;
    combo.AddString("Default");
    combo.SetCurSel(0);
    filter.SetPresetFolder("Missing");
    services.QueueText("Lost");
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_TRUE(services.Messages().empty());  // silently
    EXPECT_EQ(combo.Names(), std::vector<std::string>{"Default"});
    EXPECT_EQ(combo.GetSelectedText(), "Default");

    // An overwrite whose write fails puts the old file back, nothing else left behind.
    filter.ResetPresetFolder();
    const std::string old = "[TestFilter]\nSet=0,0,0,0,0,0,0,0,0,0,0\n";
    WriteBytes(File("Warm"), old);
    combo.AddString("Warm");
    filter.failSave = true;
    services.QueueText("Warm");
    services.QueueAnswer(MsgAnswer::Yes);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_EQ(ReadBytes(File("Warm")), old);
    EXPECT_EQ(combo.Names(), (std::vector<std::string>{"Default", "Warm"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
}

}  // namespace
