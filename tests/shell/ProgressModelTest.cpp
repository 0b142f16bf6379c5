#include <gtest/gtest.h>

#include "base/Services.h"
#include "base/SettingsStore.h"
#include "shell/ProgressModel.h"
#include "support/TempDir.h"

TEST(ProgressModelTest, PercentTextCancelAndPlace) {
    TempDir root;
    CSettingsStore store(root.File("Restova.ini"));
    CProgressModel progress(store);
    progress.Open(200, 300);
    EXPECT_EQ(progress.Text(), "Please Wait...");
    const std::pair<int, int> steps[] = {{200, 0}, {259, 59}, {300, 100}, {150, 0}, {400, 100}};
    for (auto [pos, percent] : steps) {
        progress.SetPos(pos);
        EXPECT_EQ(progress.Percent(), percent) << pos;
    }
    EXPECT_EQ(progress.PercentText(), "100%");
    EXPECT_EQ(progress.BarPos(), 1000);
    progress.Open(0, 0);  // already open: only back to 0, and an empty range never divides by zero
    progress.SetPos(5);
    EXPECT_EQ(progress.Percent(), 0);

    CancelFlag().store(false);
    progress.OnCancel();
    EXPECT_TRUE(CancelFlag().load());
    CancelFlag().store(false);

    const ScreenRect main{100, 100, 700, 500}, desktop{0, 0, 1024, 768};
    progress.Place(main, 200, 100, desktop);  // nothing stored: across the main window, on its bottom edge
    EXPECT_EQ(std::pair(progress.Left(), progress.Top()), std::pair(300, 400));
    progress.Moved(2000, 50);
    progress.Close();
    progress.Place(main, 200, 100, desktop);  // the stored place, kept on the desktop
    EXPECT_EQ(std::pair(progress.Left(), progress.Top()), std::pair(824, 50));
    store.WriteProfileInt("Restova", CProgressModel::kTopKey, -1);
    progress.Place(main, 200, 100, desktop);  // negative: centred on the main window
    EXPECT_EQ(std::pair(progress.Left(), progress.Top()), std::pair(300, 250));
}
