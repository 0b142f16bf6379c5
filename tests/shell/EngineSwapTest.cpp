// A device choice makes the audio engine anew while the player is busy on the
// old one, as the Sound Card dialog and the record pane's input list do (a
// back-end change in the Preferences is checked with the other Preferences).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "devices/AudioDevice.h"
#include "devices/PlayDeviceDlg.h"
#include "devices/Player.h"
#include "devices/VirtualCard.h"
#include "shell/RestovaApp.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

bool WaitFor(const std::function<bool()>& done, CHeadlessServices& services) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        services.WaitMessages(5);
    }
    return true;
}

}  // namespace

// The player is stopped and moved before the old engine goes: the take it was recording is a whole
// wave, and the next playback sounds on the card chosen, with either back-end.
TEST(EngineSwapTest, AChoiceWhilePlayingAndRecordingMovesThePlayerToTheChosenCard) {
    for (int wdm : {1, 0}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        CHeadlessServices services;
        SetServices(&services);
        TempDir root;
        CSettingsStore store(root.File("Restova.ini"));
        CRestovaApp app(store, root.File("Restova"), root.File("share"));
        app.Settings().UseWDM = wdm;
        CAudioHost host(false);
        CVirtualCard& second = host.AddVirtualCard("Second card");
        std::vector<int64_t> tone(2 * 44100 * 2);
        for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int64_t>((i * 37) % 2000) - 1000;
        ASSERT_TRUE(WriteWave(root.File("song.wav"), 2, 44100, 16, tone));
        host.VirtualCard().SetSource(root.File("song.wav"));

        CPlayer player(app.CreateAudioEngine(host));
        app.SetPlayer(&player);
        ASSERT_TRUE(player.StartRecording(root.File("take.wav"), MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16), true));
        player.SetState(kPlayerRecording);
        ASSERT_TRUE(player.PlayFile(root.File("song.wav"), 0, 0));
        ASSERT_EQ(player.State(), kPlayerRecordingWhilePlaying);
        ASSERT_TRUE(WaitFor([&] { return player.TakeBytes() > 0; }, services));

        CPlayDeviceDlg dialog(app.Settings(), host);
        ASSERT_EQ(dialog.Names().back(), "Second card");
        dialog.Select(static_cast<int>(dialog.Names().size()) - 1);
        ASSERT_TRUE(dialog.Ok([&] { app.CreateAudioEngine(host); }));
        EXPECT_EQ(&player.Device(), app.AudioEngine());
        EXPECT_EQ(player.State(), kPlayerStopped);
        WaveContents take;
        ASSERT_TRUE(ReadWave(root.File("take.wav"), take));
        EXPECT_EQ(take.data.size(), player.TakeBytes());

        // The choice stands: a second OK changes nothing, and the new engine plays on the card.
        EXPECT_FALSE(CPlayDeviceDlg(app.Settings(), host).Ok([] { FAIL() << "nothing changed"; }));
        second.SetSink(root.File("heard.wav"));
        second.SetPace(0);
        ASSERT_TRUE(player.PlayFile(root.File("song.wav"), 0, 0));
        EXPECT_EQ(player.Device().OutputDevice().name, "Second card");
        ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }, services));
        WaveContents heard;
        ASSERT_TRUE(ReadWave(root.File("heard.wav"), heard));
        EXPECT_EQ(heard.data.size(), tone.size() * 2);
        app.SetPlayer(nullptr);
        SetServices(nullptr);
    }
}
