#include <gtest/gtest.h>

#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "shell/RestovaApp.h"
#include "support/TempDir.h"

namespace {

// One start of the program against a store, program folder and share folder
// inside a test folder, with its messages recorded.
class RestovaAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&services);
        WriteText(share.File("Presets/Impulse/Light.pst"), "[Impulse]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
        WriteText(share.File("Presets/.gitkeep"), "");
    }
    void TearDown() override { SetServices(nullptr); }

    std::vector<int> ShownIds() const {
        std::vector<int> ids;
        for (const auto& m : services.Messages()) {
            for (int id : {386, 387, 411}) {
                if (m.text == LoadString(MsgId(id))) ids.push_back(id);
            }
        }
        return ids;
    }

    TempDir root;
    TempDir share;
    std::string home = root.File("Restova");
    CSettingsStore store{root.File("config/Parlowe/Restova.ini")};
    CHeadlessServices services;
};

}  // namespace

TEST_F(RestovaAppTest, FirstStartInstallsFoldersThenOpensTheGuideOnce) {
    CRestovaApp app(store, home, share.Path());
    app.InitInstance();
    for (const char* folder : {"Bin1_My_Song_Files", "Bin2_Working_On", "Bin3_Ready_For_CD", "Temp", "Presets"}) {
        EXPECT_TRUE(std::filesystem::is_directory(home + "/" + folder)) << folder;
    }
    EXPECT_EQ(ReadText(home + "/Presets/Impulse/Light.pst"), "[Impulse]\nSet=1,2,3,4,5,6,7,8,9,10,11\n");
    EXPECT_FALSE(std::filesystem::exists(home + "/Presets/.gitkeep"));
    EXPECT_TRUE(services.Messages().empty());
    EXPECT_EQ(store.GetProfileInt("Restova", "FirstTime", -1), -1);  // not yet: only the main window marks it
    ASSERT_TRUE(app.OnMainWindowInit());
    EXPECT_EQ(store.GetProfileInt("Restova", "FirstTime", 0), 1);  // written before the guide opens
    EXPECT_TRUE(services.OpenedDocuments().empty());
    EXPECT_TRUE(app.OnFirstRunTimer());
    EXPECT_EQ(services.OpenedDocuments(), std::vector<std::string>{share.File("Restova Getting Started Guide.pdf")});
    EXPECT_TRUE(app.OnMainWindowClosed());

    // Second start: no installation, no guide, bins checked as they are.
    std::filesystem::remove_all(home + "/Bin3_Ready_For_CD");
    std::filesystem::remove_all(home + "/Presets/Impulse");
    CRestovaApp again(store, home, share.Path());
    again.InitInstance();
    EXPECT_FALSE(std::filesystem::exists(home + "/Bin3_Ready_For_CD"));
    EXPECT_FALSE(std::filesystem::exists(home + "/Presets/Impulse"));
    EXPECT_EQ(ShownIds(), std::vector<int>{411});
    EXPECT_EQ(services.Messages()[0].caption, kAppCaption);
    EXPECT_FALSE(again.OnMainWindowInit());
    EXPECT_EQ(services.OpenedDocuments().size(), 1u);
}

TEST_F(RestovaAppTest, FirstStartWarnsOnlyAboutBinsItCouldNotMake) {
    // Bin2 lies under a plain file, so it cannot be created; Bin1 and Bin3 can.
    WriteText(root.File("plain"), "x");
    store.WriteProfileString("Restova", "Bin2Path", root.File("plain/Bin2"));
    // A user's preset of the same name is not replaced by the shipped one.
    WriteText(home + "/Presets/Impulse/Light.pst", "mine");
    CRestovaApp app(store, home, share.Path());
    app.InitInstance();
    EXPECT_EQ(ShownIds(), std::vector<int>{387});
    EXPECT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ReadText(home + "/Presets/Impulse/Light.pst"), "mine");
}

TEST_F(RestovaAppTest, LaterStartsReportEveryMissingBinInOrderAndCreateNothing) {
    store.WriteProfileInt("Restova", "FirstTime", 1);
    CRestovaApp app(store, home, share.Path());
    app.InitInstance();
    EXPECT_EQ(ShownIds(), (std::vector<int>{386, 387, 411}));
    EXPECT_FALSE(std::filesystem::exists(home));
    EXPECT_FALSE(app.OnMainWindowInit());
    EXPECT_TRUE(services.OpenedDocuments().empty());
}
