// restova-cli: the restoration engine without a window, for scripts,
// headless machines and black-box tests.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/HeadlessServices.h"
#include "base/Services.h"

namespace {

void OnInterrupt(int) {
    CancelFlag().store(true);
}

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: restova-cli [--yes|--no] [--quiet] COMMAND [ARGS...]\n\n"
                 "Options:\n"
                 "  --yes      answer Yes to every question\n"
                 "  --no       answer No to every question\n"
                 "  --quiet    print no messages and no progress bar\n"
                 "  --help     show this help\n\n"
                 "Commands:\n");
    for (const auto& c : CliCommands()) {
        std::string head = std::string(c.name) + " " + c.usage;
        std::fprintf(out, "  %-28s %s\n", head.c_str(), c.summary);
    }
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"info", "FILE...", "print the format and length of audio files", CmdInfo},
        {"demo", "[DIR]", "synthesise a demo recording in DIR and restore it", CmdDemo},
        {"peaks", "FILE", "build the peak file of a wave and print its levels", CmdPeaks},
        {"dividers", "FILE", "print the track dividers and stage flags of a wave", CmdDividers},
        {"index", "FILE", "place track dividers in the silences between the songs of a wave", CmdIndex},
        {"divider", "FILE add SECONDS [NAME] | delete INDEX | rename INDEX NAME | move INDEX +1|-1",
         "add, delete, rename or move one track divider of a wave", CmdDivider},
        {"session", "FILE", "print the steps of a wave's session", CmdSession},
        {"commit", "FILE", "write a wave's session back into it and remove the session", CmdCommit},
        {"filter", "TYPE IN OUT [--params P,...] [--preset NAME] [--range A:B] [--preview-to WAV]",
         "run filter TYPE over IN (or a byte range of it) and write the result into OUT", CmdFilter},
        {"clean",
         "IN OUT [--scratch N] [--crackle N] [--hiss N] [--hum off|60|50] [--preset NAME] [--bypass] "
         "[--keep-residue]",
         "run the Clean stage (clicks, crackle, hum, hiss) over IN and write the result into OUT", CmdClean},
        {"riaa", "IN OUT", "apply the RIAA playback equalisation to IN and write the result into OUT", CmdRiaa},
        {"speed", "IN OUT --record 33|45|78 --turntable 33|45|78 | --ratio R",
         "correct the turntable speed of IN and write the result into OUT", CmdSpeed},
        {"convert", "IN OUT [--rate 44100] [--bits 16]", "convert IN to another sample rate and resolution",
         CmdConvert},
        {"enhance", "IN OUT [--exciter N --level N --bass N --mids N --treble N] [--preset NAME]",
         "run the Enhance stage (dynamics, valve, tone) over IN and write the result into OUT", CmdEnhance},
        {"trim", "FILE --start MS | --end MS [--commit]",
         "cut MS milliseconds off the start or the end of FILE as a session step", CmdTrim},
        {"fade", "FILE --in MS | --out MS [--commit]", "fade FILE in or out over MS milliseconds as a session step",
         CmdFade},
        {"maximize", "FILE [--commit]", "raise FILE to full scale as a session step; prints its peak and gain",
         CmdMaximize},
        {"split", "FILE DIR [--naming 0|1|2|3] [--cd-align] [--keep]",
         "split FILE at its track dividers into one wave per track in DIR", CmdSplit},
    };
    return commands;
}

int main(int argc, char** argv) {
    CHeadlessServices services;
    services.SetEcho(stderr);
    if (isatty(STDERR_FILENO)) services.SetProgressBar(stderr);
    services.SetDocumentOpener("xdg-open");
    SetServices(&services);

    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string opt = argv[i];
        if (opt == "--yes") {
            services.SetPolicy(CHeadlessServices::Policy::Yes);
        } else if (opt == "--no") {
            services.SetPolicy(CHeadlessServices::Policy::No);
        } else if (opt == "--quiet") {
            services.SetEcho(nullptr);
            services.SetProgressBar(nullptr);
        } else if (opt == "--help" || opt == "-h") {
            PrintHelp(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "restova-cli: unknown option %s\n", opt.c_str());
            PrintHelp(stderr);
            return 2;
        }
    }
    if (i >= argc) {
        PrintHelp(stderr);
        return 2;
    }
    std::string name = argv[i++];
    std::vector<std::string> args(argv + i, argv + argc);
    for (const auto& c : CliCommands()) {
        if (name == c.name) {
            int rc = c.run(args);
            SetServices(nullptr);
            if (CancelFlag().load()) {
                std::fprintf(stderr, "restova-cli: cancelled\n");
                return 130;
            }
            return rc;
        }
    }
    std::fprintf(stderr, "restova-cli: unknown command %s\n", name.c_str());
    PrintHelp(stderr);
    return 2;
}
