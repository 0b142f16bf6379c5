// A preview heard through the sound device is what processing writes: the
// player takes the runner's blocks through either back-end, on a virtual card
// that plays as fast as it is fed.
#include <gtest/gtest.h>

#include <random>

#include "devices/AudioDevice.h"
#include "devices/Player.h"
#include "devices/VirtualCard.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/Impulse.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

TEST_F(ProcessingTest, StreamedPreviewIsTheFilesOutput) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> noise(-900000, 900000);
    std::vector<int32_t> samples(2 * 70000);
    for (auto& s : samples) s = noise(rng);
    // Clicks for the impulse filter to remove.
    for (size_t i = 1000; i < samples.size(); i += 9000) samples[i] = 8000000;
    const std::string song = dir.File("song.wav");
    ASSERT_TRUE(WriteInternal(song, 1, 2, 44100, 16, samples));

    CAudioHost host(false);
    CVirtualCard& card = host.VirtualCard();
    card.SetPace(0);
    card.SetSink(dir.File("heard.wav"));
    CImpulse impulse;
    CGainChange gain;
    gain.SetParams({2, 700, 0});
    for (bool wdm : {true, false}) {
        for (CFilter* filter : {static_cast<CFilter*>(&impulse), static_cast<CFilter*>(&gain)}) {
            SCOPED_TRACE(::testing::Message() << (wdm ? "WDM " : "MME ") << filter->GetInternalName());
            settings.UseWDM = wdm;
            auto device = CreateAudioDevice(settings, host);
            CPlayer player(*device);
            player.SetLoop(false);
            CWaveFile source(1024, 4096);
            ASSERT_EQ(source.OpenRead(song), kFileOk);
            CFilterRunner runner;
            runner.SetSource(&source);
            const uint32_t start = 4 * 1234, end = 4 * 61000;
            runner.SetPlayer(&player);
            ASSERT_TRUE(runner.RunFilter(start, end, filter, nullptr, true));
            EXPECT_EQ(player.State(), kPlayerStopped);
            runner.SetPlayer(nullptr);
            ASSERT_TRUE(runner.RunFilter(start, end, filter, nullptr, false));
            WaveContents heard, written;
            ASSERT_TRUE(ReadWave(dir.File("heard.wav"), heard));
            ASSERT_TRUE(ReadWave(runner.LastOutputName(), written));
            EXPECT_EQ(heard.data.size(), written.data.size());
            EXPECT_TRUE(heard.data == written.data);
            source.Session().DiscardSession(false);
        }
    }
}
