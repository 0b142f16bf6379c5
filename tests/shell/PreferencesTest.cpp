// The Preferences dialog's model through the main window: what OK does to the
// settings, the store (only when the window closes) and the sound engine, which a
// back-end change makes anew with the player moved onto it.
#include <gtest/gtest.h>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "shell/Preferences.h"
#include "shell/RestovaApp.h"
#include "shell/ShellDlg.h"
#include "support/TempDir.h"

namespace {

// Each item the tree shows, the key it lands in, and the stored value for ticked and for cleared.
struct ItemCase {
    int number;
    const char* key;
    int ticked, cleared;
};
constexpr ItemCase kItems[] = {
    {CPreferences::kItemAutoCddb, "AutoCDDB", 1, 0},         {CPreferences::kItemUseWdm, "UseWDM", 1, 0},
    {CPreferences::kItemReInitOnPlay, "ReInitOnPlay", 1, 0}, {CPreferences::kItemLoopPreviews, "LoopPreview", 1, 0},
    {CPreferences::kItemHiRes, "HiResRecording", 1, 0},      {CPreferences::kItemHighVox, "VOXLevel", -45, -55},
    {CPreferences::kItemChime, "UseSounds", 1, 0},           {CPreferences::kItemAdaptiveHum, "AdaptiveHum", 1, 0},
};

}  // namespace

TEST(PreferencesTest, OkReachesSettingsEngineAndStoreAtClose) {
    CHeadlessServices services;
    SetServices(&services);
    TempDir root;
    CSettingsStore store(root.File("Restova.ini"));
    store.WriteProfileInt(kSectionRestova, "FirstTime", 1);
    store.WriteProfileInt(kSectionRestova, "VOXLevel", -60);
    store.WriteProfileInt(kSectionRestova, "UseWDM", 0);  // so that ticking it is a change too
    CAudioHost host(false);
    for (bool tick : {true, false}) {
        SCOPED_TRACE(tick ? "ticked" : "cleared");
        CRestovaApp app(store, root.File("Restova"), root.File("share"));
        app.InitInstance();
        CPlayer player(app.CreateAudioEngine(host));
        app.SetPlayer(&player);
        CSongList songs;
        CShellDlg shell(app.Settings(), store, songs);
        shell.SetPlayer(&player);
        shell.SetEngineRecreator([&] { app.CreateAudioEngine(host); });

        CPreferences prefs = shell.OpenPreferences();
        ASSERT_EQ(prefs.Items().size(), std::size(kItems));
        for (size_t i = 0; i < prefs.Items().size(); ++i) EXPECT_EQ(prefs.Items()[i].number, kItems[i].number);
        // -60 is below the high level, so its box starts cleared.
        if (tick) {
            EXPECT_FALSE(prefs.Items()[5].checked);
        }
        for (const ItemCase& item : kItems) EXPECT_TRUE(prefs.SetChecked(item.number, tick));
        for (int hidden : {2, 5, 6, 8}) EXPECT_FALSE(prefs.SetChecked(hidden, tick));
        prefs.SetPath(CPreferences::kBin2, root.File(tick ? "b2-ticked" : "b2-cleared"));
        shell.ApplyPreferences(prefs);

        EXPECT_EQ(player.Loop(), tick);
        EXPECT_EQ(player.Device().IsWdm(), tick);
        EXPECT_EQ(&player.Device(), app.AudioEngine());
        EXPECT_EQ(player.Device().ReInitOnPlay(), tick);
        app.SetPlayer(nullptr);
        EXPECT_EQ(store.GetProfileString(kSectionRestova, "Bin2Path"), tick ? "" : root.File("b2-ticked"));
        ASSERT_TRUE(app.OnMainWindowClosed());
        for (const ItemCase& item : kItems) {
            EXPECT_EQ(store.GetProfileInt(kSectionRestova, item.key, 99), tick ? item.ticked : item.cleared)
                << item.key;
        }
        EXPECT_EQ(store.GetProfileString(kSectionRestova, "Bin2Path"), root.File(tick ? "b2-ticked" : "b2-cleared"));
    }
    SetServices(nullptr);
}
