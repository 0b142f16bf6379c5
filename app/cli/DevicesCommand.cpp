// restova-cli devices [--output NAME] [--input NAME]
// Lists the sound devices the engine can use, playback and capture, in the
// order the sound system gives them (the virtual card is always there), and
// the ones chosen for the program; --output and --input choose another (a
// name as listed, or "Default device") the way the Sound Card dialog and the
// record pane do.
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "base/SettingsStore.h"
#include "devices/AudioHost.h"
#include "devices/DeviceChoice.h"

namespace {

struct DevicesArgs {
    std::string output;
    std::string input;
};

// Stores the entry named; false when there is none of that name.
bool Choose(CDeviceChoice& choice, const std::string& name) {
    const auto& names = choice.Names();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            choice.Store(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

int RunDevices(const DevicesArgs& a) {
    CSettingsScope settings;
    CAudioHost host(true);
    for (bool capture : {false, true}) {
        for (const AudioEndpoint& e : host.Devices(capture)) {
            std::printf("%s: %s\n", capture ? "capture" : "playback", e.name.c_str());
        }
    }
    CDeviceChoice output(settings.Get(), host, false);
    CDeviceChoice input(settings.Get(), host, true);
    for (auto [choice, name] : {std::pair{&output, &a.output}, std::pair{&input, &a.input}}) {
        if (name->empty()) continue;
        if (!Choose(*choice, *name)) {
            std::fprintf(stderr, "restova-cli devices: no device %s\n", name->c_str());
            return 2;
        }
    }
    if ((!a.output.empty() || !a.input.empty()) && !settings.Get().Save(Profile())) {
        std::fprintf(stderr, "restova-cli devices: cannot store the choice\n");
        return 1;
    }
    std::printf("chosen playback: %s\n", output.Names()[static_cast<size_t>(output.Selected())].c_str());
    std::printf("chosen capture: %s\n", input.Names()[static_cast<size_t>(input.Selected())].c_str());
    return 0;
}

}  // namespace

CommandRun DeclareDevices(CLI::App& sub) {
    auto a = std::make_shared<DevicesArgs>();
    sub.add_option("--output", a->output, "play through this device from now on")->type_name("NAME");
    sub.add_option("--input", a->input, "record from this device from now on")->type_name("NAME");
    return [a] { return RunDevices(*a); };
}
