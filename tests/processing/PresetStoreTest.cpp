// Preset files on disk: their exact text, what is kept and what is refused,
// the list of names, and the Save As flow of the filters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "processing/PresetCombo.h"
#include "processing/ProcessingFixture.h"
#include "shell/StringTable.h"
#include "support/CliHarness.h"

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

void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const CPresetStore::Params kSample = {1, -2, 3, 0, 2147483647, -2147483647 - 1, 7, 8, 9, 10, -11};
const std::string kSampleFile = "[TestFilter]\nSet=1,-2,3,0,2147483647,-2147483648,7,8,9,10,-11\n";

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

TEST_F(PresetTest, ChildFolderFollowsItsCompositeAndAMissingFolderStoresNothing) {
    filter.SetPresetFolder("Composite");
    EXPECT_FALSE(filter.SavePreset("Default"));
    EXPECT_FALSE(fs::exists(Root() / "Composite"));
    fs::create_directory(Root() / "Composite");
    ASSERT_TRUE(filter.SavePreset("Default"));
    EXPECT_EQ(ReadText(Root() / "Composite" / "Default.pst"), kSampleFile);
    filter.ResetPresetFolder();
    EXPECT_EQ(filter.PresetFolder(), Folder().string());
}

TEST_F(PresetTest, NameBoxEndsOnCancelOrAnEmptyNameRefusesForbiddenCharactersAndCutsLongNames) {
    filter.SetCurrentPreset("Warm");
    services.QueueTextCancel();
    services.QueueText("");
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    EXPECT_EQ(filter.SavePresetAs(combo), 1);
    ASSERT_EQ(services.TextRequests().size(), 2u);
    EXPECT_EQ(services.TextRequests()[0].caption, "Preset Name");
    EXPECT_EQ(services.TextRequests()[0].prompt, "Enter a name for this preset");
    EXPECT_EQ(services.TextRequests()[0].initial, "Warm");
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "Please enter a name to save these settings with.");
    EXPECT_EQ(FilesInFolder(), 0u);

    services.ClearMessages();
    for (const char* bad : {"a:b", "a*b", "a\\b", "a\"b", "a/b"}) services.QueueText(bad);
    services.QueueText("fine; name?");
    EXPECT_EQ(filter.SavePresetAs(combo), 0);
    ASSERT_EQ(services.Messages().size(), 5u);
    for (const auto& shown : services.Messages()) EXPECT_EQ(shown.text, LoadString(356));
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
    EXPECT_EQ(asked.caption, "Setting Exists");
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

}  // namespace
