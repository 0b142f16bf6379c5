// The real PortAudio path, through a PulseAudio server with a null sink when
// one can be started here; skipped, with the reason, where it cannot.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceFixture.h"

namespace {

// Starts a server with a null sink unless one answers; the reason when there is none.
std::string PulseUnavailable() {
    if (!HaveProgram("pulseaudio") || !HaveProgram("pactl")) return "pulseaudio or pactl is not installed";
    if (RunShell("pactl info >/dev/null 2>&1") == 0) return "";
    RunShell(
        "pulseaudio --start --exit-idle-time=-1 -n --load=module-native-protocol-unix "
        "--load='module-null-sink sink_name=restova_null' >/dev/null 2>&1");
    if (RunShell("pactl info >/dev/null 2>&1") != 0) return "no PulseAudio server could be started";
    return "";
}

}  // namespace

// A wave plays to its end through PortAudio on both back-ends, and recording from the server brings
// sound in.
TEST_F(DeviceTest, PlaysAndRecordsThroughPortAudio) {
    const std::string reason = PulseUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    CAudioHost real(true);
    auto named = [&](bool capture) {
        const auto list = real.Devices(capture);
        return std::find_if(list.begin(), list.end(), [](const AudioEndpoint& e) { return e.name == "pulse"; }) !=
               list.end();
    };
    if (!named(false) || !named(true)) GTEST_SKIP() << "PortAudio lists no \"pulse\" device (ALSA's pulse plug-in)";

    std::vector<int64_t> tone;
    AppendTone(tone, 44100, 0.5, 10000);
    ASSERT_TRUE(WriteWave(dir.File("tone.wav"), 2, 44100, 16, tone));
    settings.GuidDevOut = settings.GuidDevIn = DeviceIdOf("pulse");
    settings.MMEPlayDev = settings.MMERecDev = 1;
    for (bool wdm : {true, false}) {
        SCOPED_TRACE(wdm ? "WDM" : "MME");
        settings.UseWDM = wdm;
        auto device = CreateAudioDevice(settings, real);
        CPlayer player(*device);
        ASSERT_TRUE(player.PlayFile(dir.File("tone.wav"), 0, 0));
        EXPECT_EQ(device->OutputDevice().name, "pulse");
        ASSERT_TRUE(PumpUntil([&] { return player.State() == kPlayerStopped; }));

        player.SetState(kPlayerRecording);
        ASSERT_TRUE(player.StartRecording(dir.File("in.wav"), MakeWaveFormat(1, 2, 44100, 16), true));
        ASSERT_TRUE(PumpUntil([&] { return player.InputMs() >= 300; }));
        player.StopRecording();
        EXPECT_GT(player.TakeBytes(), 0u);
    }
    EXPECT_TRUE(services.Messages().empty());
}
