// restova-cli record OUT [--seconds N] [--vox] [--hires] [--device NAME] [--source IN.wav] [--fast]
// Records the line input into OUT, with a level meter and the time on a
// terminal, until N seconds of input have come in, the virtual card's source
// has ended, or Ctrl-C; what was recorded is kept. Past the size limit the
// take goes on in "_part" files.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "SoundSupport.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/AudioDevice.h"
#include "devices/Player.h"
#include "devices/VirtualCard.h"

namespace {

struct RecordArgs {
    std::string out;
    std::optional<double> seconds;
    bool vox = false;
    bool hiRes = false;
    std::string device;
    std::string source;
    bool fast = false;
};

int Record(const RecordArgs& a) {
    CSettingsScope scope;
    AppSettings& settings = scope.Get();
    CAudioHost host(true);
    if (!ChooseDevice("record", host, settings, true, a.device, a.source, a.fast)) return 2;
    auto device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    const auto threshold = static_cast<int32_t>(std::pow(10.0, settings.VOXLevel / 20.0) * 8388607.0);
    player.SetupGate(a.vox, threshold, CPlayer::kVoxHoldMs);
    const WAVEFORMATEX format = MakeWaveFormat(kWaveFormatPcm, 2, a.hiRes ? 96000 : 44100, a.hiRes ? 24 : 16);
    if (!device->QueryCaptureFormat(format)) {
        Services().MessageBox(device->ErrorText(device->LastError()), kAppCaption, MsgIcon::Exclamation,
                              MsgButtons::Ok);
        ShowMessage(kMsgChooseOtherDevice, MsgIcon::Exclamation);
        return 1;
    }
    player.SetState(kPlayerRecording);
    if (!player.StartRecording(a.out, format, true)) return 1;
    const bool fromFile = device->InputDevice().virtualCard && !a.source.empty();
    const double limit = a.seconds.value_or(0);
    CTerminalMeter meter(stderr);
    while (!CancelFlag().load()) {
        Services().WaitMessages(CPlayer::kPositionPeriodMs);
        const double seconds = static_cast<double>(player.InputMs()) / 1000.0;
        meter.Draw(player.Meter().Left(), player.Meter().Right(), seconds, limit);
        if (limit > 0 && seconds >= limit) break;
        if (fromFile && device->InputDevice().virtualCard->SourceFinished()) break;
    }
    player.StopRecording();
    meter.Finish();
    // Ctrl-C is how a take ends: what came in is kept.
    CancelFlag().store(false);
    std::printf("recorded %.1f s into %s\n", static_cast<double>(player.TakeBytes()) / format.nAvgBytesPerSec,
                a.out.c_str());
    for (const std::string& part : player.TakeParts()) std::printf("  part: %s\n", part.c_str());
    if (device->DroppedFrames() > 0) {
        std::printf("  lost: %llu frames\n", static_cast<unsigned long long>(device->DroppedFrames()));
    }
    return 0;
}

}  // namespace

CommandRun DeclareRecord(CLI::App& sub) {
    auto a = std::make_shared<RecordArgs>();
    sub.add_option("OUT", a->out, "the wave to record into")->required();
    sub.add_option("--seconds", a->seconds, "stop after N seconds of input")
        ->check(CLI::PositiveNumber)
        ->type_name("N");
    sub.add_flag("--vox", a->vox, "write only while there is sound (and 3 s after it)");
    sub.add_flag("--hires", a->hiRes, "record 24-bit at 96 kHz");
    sub.add_option("--device", a->device, "the capture device (see restova-cli devices)")->type_name("NAME");
    sub.add_option("--source", a->source, "the virtual card records from this wave")->type_name("IN.wav");
    sub.add_flag("--fast", a->fast, "the virtual card records as fast as it is read");
    return [a] { return Record(*a); };
}
