// restova-cli devices
// Lists the sound devices the engine can use, playback and capture, in the
// order the sound system gives them; the virtual card is always there.
#include <cstdio>

#include "CliArgs.h"
#include "Commands.h"
#include "devices/AudioHost.h"

CommandRun DeclareDevices(CLI::App&) {
    return [] {
        CAudioHost host(true);
        for (bool capture : {false, true}) {
            for (const AudioEndpoint& e : host.Devices(capture)) {
                std::printf("%s: %s\n", capture ? "capture" : "playback", e.name.c_str());
            }
        }
        return 0;
    };
}
