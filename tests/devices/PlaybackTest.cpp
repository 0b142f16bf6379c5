#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "devices/DirectSoundDevice.h"
#include "devices/WaveDevice.h"

namespace {

struct Layout {
    uint16_t tag;
    uint16_t channels;
    uint16_t bits;
};

// The 16-bit stereo frames that are not silence (noise has next to none).
Bytes WithoutSilentFrames(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i + 4 <= data.size(); i += 4) {
        if (data[i] | data[i + 1] | data[i + 2] | data[i + 3])
            out.insert(out.end(), data.begin() + i, data.begin() + i + 4);
    }
    return out;
}

}  // namespace

// Both back-ends play exactly the bytes of the range, in every sample layout, and an end of 0
// plays to the end of the data.
TEST_F(DeviceTest, SinkHoldsThePlayedRangeSampleForSample) {
    const Layout layouts[] = {{1, 1, 8}, {1, 2, 16}, {1, 2, 24}, {1, 1, 32}, {3, 2, 32}};
    for (bool wdm : {true, false}) {
        for (const Layout& l : layouts) {
            SCOPED_TRACE(testing::Message() << (wdm ? "WDM " : "MME ") << l.bits << " bits, " << l.channels << " ch");
            const std::string source = dir.File("source.wav");
            ASSERT_TRUE(WriteNoiseWave(source, l.tag, l.channels, l.bits, 4 * 44100, l.bits));
            const Bytes data = WaveData(source);
            const uint32_t frame = l.channels * ((l.bits + 7) / 8);
            // A range past a whole 3-second ring, and one to the end.
            for (auto [from, to] : {std::pair<uint32_t, uint32_t>{3001 * frame, 170000 * frame}, {17 * frame, 0}}) {
                auto device = MakeDevice(wdm);
                CPlayer player(*device);
                ASSERT_TRUE(player.PlayFile(source, from, to));
                EXPECT_EQ(player.State(), kPlayerPlaying);
                ASSERT_TRUE(PumpUntil([&] { return player.State() == kPlayerStopped; }))
                    << from << " " << to << " played " << device->PlayedBytes() << " pos " << device->GetPosition();
                const uint32_t end = to == 0 ? static_cast<uint32_t>(data.size()) : to;
                EXPECT_TRUE(WaveData(dir.File("sink.wav")) == Bytes(data.begin() + from, data.begin() + end));
            }
        }
    }
    EXPECT_TRUE(services.Messages().empty());
}

// Pausing in the middle holds the output and resuming goes on from there: nothing is lost or doubled.
TEST_F(DeviceTest, PauseAndResumeLoseNothing) {
    const std::string source = dir.File("source.wav");
    ASSERT_TRUE(WriteNoiseWave(source, kWaveFormatPcm, 2, 16, 6 * 44100, 7));
    const Bytes data = WaveData(source);
    for (bool wdm : {true, false}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        auto device = MakeDevice(wdm);
        CPlayer player(*device);
        CVirtualCard& card = host.VirtualCard();
        // Paced, so that there is a middle to pause in; the card then also plays the silence of the pause.
        card.SetPace(20);
        const uint64_t before = card.FramesPlayed();
        ASSERT_TRUE(player.PlayFile(source, 0, 0));
        ASSERT_TRUE(PumpUntil([&] { return card.FramesPlayed() - before > 30000; }));
        player.PausePlayback();
        EXPECT_EQ(player.State(), kPlayerPaused);
        services.WaitMessages(20);
        const uint64_t held = card.FramesPlayed();
        services.WaitMessages(20);
        EXPECT_EQ(card.FramesPlayed(), held);
        EXPECT_LT(held - before, data.size() / 4);
        player.ResumePlayback();
        ASSERT_TRUE(PumpUntil([&] { return player.State() == kPlayerStopped; }));
        EXPECT_TRUE(WithoutSilentFrames(WaveData(dir.File("sink.wav"))) == data);
    }
}

// A stream is silent until its pre-roll is in (7 blocks WDM, 6 MME). A producer that falls behind
// makes the WDM ring stop rather than run dry; once fed again the stream goes on, and the sink holds
// every block once, in order.
TEST_F(DeviceTest, StreamPreRollsAndStarvingStopsWithoutLoss) {
    constexpr uint32_t kBlock = 4096;
    constexpr uint32_t kBlocks = 30;
    for (bool wdm : {true, false}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        auto device = MakeDevice(wdm);
        CPlayer player(*device);
        player.SetLoop(false);
        CWaveFile block(kBlock, kBlock);
        block.SetFormat(kWaveFormatPcm, 2, 44100, 16);
        ASSERT_TRUE(player.StartStream(block, block.Format(), kBlocks * kBlock * 2));
        const uint64_t before = host.VirtualCard().FramesPlayed();
        Bytes expected;
        auto feed = [&](uint32_t k) {
            int32_t* s = block.BlockStart();
            for (uint32_t i = 0; i < kBlock; ++i) s[i] = static_cast<int32_t>((k * kBlock + i) % 60000) * 128;
            Bytes bytes(kBlock * 2);
            block.BlockToBytes(bytes.data(), kBlock * 2);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
            ASSERT_TRUE(player.TakeBlock(block.BlockStart(), kBlock));
        };
        auto sounding = [&] {
            return wdm ? static_cast<CDirectSoundDevice&>(*device).IsSounding()
                       : static_cast<CWaveDevice&>(*device).IsSounding();
        };
        const uint32_t preRoll = wdm ? 7 : 6;
        for (uint32_t k = 0; k + 1 < preRoll; ++k) feed(k);
        EXPECT_FALSE(sounding());
        EXPECT_EQ(host.VirtualCard().FramesPlayed(), before);
        feed(preRoll - 1);
        ASSERT_TRUE(PumpUntil([&] { return host.VirtualCard().FramesPlayed() - before >= preRoll * kBlock / 2; }));
        if (wdm) {
            // Fed no more, the ring drains below a segment and stops; it does not end the playback.
            ASSERT_TRUE(PumpUntil([&] { return !sounding(); }));
            EXPECT_EQ(player.State(), kPlayerPlaying);
        }
        for (uint32_t k = preRoll; k < kBlocks; ++k) feed(k);
        ASSERT_TRUE(PumpUntil([&] { return player.State() == kPlayerStopped; }));
        EXPECT_EQ(player.PlayPosition(), expected.size());
        player.ForgetStream();
        EXPECT_TRUE(WaveData(dir.File("sink.wav")) == expected);
    }
}

// A device chosen in an earlier run that is gone now: the default card plays instead, after the
// no-driver message; while it is there it is used.
TEST_F(DeviceTest, RemovedDeviceFallsBackToTheDefault) {
    const std::string source = dir.File("source.wav");
    ASSERT_TRUE(WriteNoiseWave(source, kWaveFormatPcm, 2, 16, 44100 / 2, 3));
    const Bytes data = WaveData(source);
    for (bool wdm : {true, false}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        CVirtualCard& usb = host.AddVirtualCard("USB Audio CODEC");
        usb.SetPace(0);
        usb.SetSink(dir.File("usb.wav"));
        settings.GuidDevOut = DeviceIdOf("USB Audio CODEC");
        settings.MMEPlayDev = 2;  // the second device, 1-based
        for (bool removed : {false, true}) {
            if (removed) host.RemoveVirtualCard("USB Audio CODEC");
            std::filesystem::remove(dir.File("sink.wav"));
            services.ClearMessages();
            auto device = MakeDevice(wdm);
            CPlayer player(*device);
            ASSERT_TRUE(player.PlayFile(source, 0, 0));
            ASSERT_TRUE(PumpUntil([&] { return player.State() == kPlayerStopped; }));
            EXPECT_TRUE(WaveData(dir.File(removed ? "sink.wav" : "usb.wav")) == data);
            ASSERT_EQ(services.Messages().size(), removed ? 1u : 0u);
            if (removed) {
                EXPECT_EQ(services.Messages()[0].text, device->ErrorText(kDevNoDriver));
            }
        }
    }
    EXPECT_EQ(CDirectSoundDevice(host).ErrorText(kDevNoDriver),
              "DirectSound Error: No sound driver is available for use.");
}
