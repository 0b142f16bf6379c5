// restova-cli play FILE [--from S] [--to S] [--device NAME] [--sink OUT.wav] [--fast]
// Plays a wave, or seconds [from, to) of it, through the sound engine the
// settings choose, with a level meter and the time on a terminal. Ctrl-C
// stops it.
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "SoundSupport.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "devices/AudioDevice.h"
#include "devices/Player.h"

namespace {

struct PlayArgs {
    std::string file;
    double from = 0;
    double to = 0;
    std::string device;
    std::string sink;
    bool fast = false;
};

int Play(const PlayArgs& a) {
    CSettingsScope scope;
    AppSettings& settings = scope.Get();
    CAudioHost host(true);
    if (!ChooseDevice("play", host, settings, false, a.device, a.sink, a.fast)) return 2;
    WaveFileInfo info;
    if (CWaveFile::FileInfo(a.file, info) != kFileOk) return 1;
    const double bytesPerSecond = static_cast<double>(info.rate) * info.blockAlign;
    auto bytesAt = [&](double seconds) {
        const double at = std::min(seconds * info.rate, static_cast<double>(info.dataBytes / info.blockAlign));
        return static_cast<uint32_t>(at) * info.blockAlign;
    };
    const uint32_t from = bytesAt(a.from);
    const uint32_t to = a.to > 0 ? bytesAt(a.to) : 0;
    if (to != 0 && to <= from) return UsageError("play", "--to must lie after --from");

    auto device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    double seconds = a.from;
    player.SetPositionHook([&](uint32_t position) { seconds = position / bytesPerSecond; });
    if (!player.PlayFile(a.file, from, to)) return 1;
    const double total = (to != 0 ? to : info.dataBytes) / bytesPerSecond;
    CTerminalMeter meter(stderr);
    while (player.State() != kPlayerStopped && !CancelFlag().load()) {
        Services().WaitMessages(CPlayer::kPositionPeriodMs);
        player.OnTimer();
        meter.Draw(player.Meter().Left(), player.Meter().Right(), seconds, total);
    }
    player.StopPlayback();
    meter.Finish();
    // Ctrl-C is how a listener stops: not a failure.
    CancelFlag().store(false);
    return 0;
}

}  // namespace

CommandRun DeclarePlay(CLI::App& sub) {
    auto a = std::make_shared<PlayArgs>();
    sub.add_option("FILE", a->file, "the wave to play")->required();
    sub.add_option("--from", a->from, "start S seconds into the wave")->check(CLI::NonNegativeNumber)->type_name("S");
    sub.add_option("--to", a->to, "stop S seconds into the wave")->check(CLI::PositiveNumber)->type_name("S");
    sub.add_option("--device", a->device, "the playback device (see restova-cli devices)")->type_name("NAME");
    sub.add_option("--sink", a->sink, "the virtual card plays into this wave")->type_name("OUT.wav");
    sub.add_flag("--fast", a->fast, "the virtual card plays as fast as it can");
    return [a] { return Play(*a); };
}
