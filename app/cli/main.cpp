// restova-cli: the restoration engine without a window, for scripts,
// headless machines and black-box tests.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "base/HeadlessServices.h"
#include "base/Services.h"
#include "cd/Mp3RipSink.h"
#include "codecs/Codecs.h"

namespace {

void OnInterrupt(int) {
    CancelFlag().store(true);
    Interrupted().store(true);
}

// The deepest command the parser entered (app itself when none).
const CLI::App* Innermost(const CLI::App& app) {
    const CLI::App* at = &app;
    while (!at->get_subcommands().empty()) at = at->get_subcommands().front();
    return at;
}

std::string PathOf(const CLI::App* sub) {
    std::string path;
    for (; sub->get_parent() != nullptr; sub = sub->get_parent()) path = " " + sub->get_name() + path;
    return path.empty() ? path : path.substr(1);
}

// `help [COMMAND [SUBCOMMAND]]`: the help of the program or of one command, on stdout.
int PrintHelpOf(const CLI::App& app, const std::vector<std::string>& topic) {
    const CLI::App* at = &app;
    std::string prefix = "restova-cli";
    for (const std::string& word : topic) {
        const CLI::App* next = nullptr;
        for (const CLI::App* sub : at->get_subcommands({})) {
            if (sub->get_name() == word) next = sub;
        }
        if (next == nullptr) {
            std::fprintf(stderr, "restova-cli help: no command %s\n", word.c_str());
            return 2;
        }
        if (at != &app) prefix += " " + at->get_name();
        at = next;
    }
    std::fputs(at == &app ? app.help().c_str() : at->help(prefix).c_str(), stdout);
    return 0;
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"info", "FILE...", "print the format and length of audio files", DeclareInfo},
        {"demo", "[DIR]", "synthesise a demo recording in DIR and restore it", DeclareDemo},
        {"restore",
         "IN... [--to DIR] [--record 33|45|78 --turntable 33|45|78] [--riaa] [--clean-preset P] "
         "[--enhance-preset P] [--no-enhance] [--index] [--split] [--mp3|--flac] [--jobs N]",
         "the whole road for each recording: speed, RIAA, Clean, Enhance, index, maximise, split", DeclareRestore},
        {"peaks", "FILE", "build the peak file of a wave and print its levels", DeclarePeaks},
        {"dividers", "FILE", "print the track dividers and stage flags of a wave", DeclareDividers},
        {"index", "FILE", "place track dividers in the silences between the songs of a wave", DeclareIndex},
        {"divider", "FILE add SECONDS [NAME] | delete INDEX | rename INDEX NAME | move INDEX +1|-1",
         "add, delete, rename or move one track divider of a wave", DeclareDivider},
        {"session", "FILE", "print the steps of a wave's session", DeclareSession},
        {"commit", "FILE", "write a wave's session back into it and remove the session", DeclareCommit},
        {"presets", "[STAGE]", "list the presets the stages can load, the user's own first", DeclarePresets},
        {"filter", "TYPE IN OUT [--params P,...] [--preset NAME] [--range A:B] [--preview-to WAV]",
         "run filter TYPE over IN (or a byte range of it) and write the result into OUT", DeclareFilter},
        {"clean",
         "IN OUT | IN... --to DIR [--jobs N] [--scratch N] [--crackle N] [--hiss N] [--hum off|60|50] [--preset NAME] [--bypass] "
         "[--keep-residue]",
         "run the Clean stage (clicks, crackle, hum, hiss) over IN and write the result into OUT", DeclareClean},
        {"riaa", "IN OUT", "apply the RIAA playback equalisation to IN and write the result into OUT", DeclareRiaa},
        {"speed", "IN OUT --record 33|45|78 --turntable 33|45|78 | --ratio R",
         "correct the turntable speed of IN and write the result into OUT", DeclareSpeed},
        {"convert", "IN OUT | IN... --to DIR [--jobs N] [--rate 44100] [--bits 16]", "convert IN to another sample rate and resolution",
         DeclareConvert},
        {"enhance", "IN OUT | IN... --to DIR [--jobs N] [--exciter N --level N --bass N --mids N --treble N] [--preset NAME]",
         "run the Enhance stage (dynamics, valve, tone) over IN and write the result into OUT", DeclareEnhance},
        {"trim", "FILE --start MS | --end MS [--commit]",
         "cut MS milliseconds off the start or the end of FILE as a session step", DeclareTrim},
        {"fade", "FILE --in MS | --out MS [--commit]", "fade FILE in or out over MS milliseconds as a session step",
         DeclareFade},
        {"maximize", "FILE [--commit]", "raise FILE to full scale as a session step; prints its peak and gain",
         DeclareMaximize},
        {"split", "FILE DIR [--naming 0|1|2|3] [--cd-align] [--keep]",
         "split FILE at its track dividers into one wave per track in DIR", DeclareSplit},
        {"cd", "list | tracks | titles | rip | burn ...",
         "list CD drives and images, read, title and rip their tracks, or write songs to a CD or image", DeclareCd},
        {"playlist", "show | import FILE | save", "print, import into or write the CD playlist of Bin3",
         DeclarePlaylist},
        {"bins", "", "print the three bins and how many songs each holds", DeclareBins},
        {"import", "FILE...", "bring WAV, compressed WAV and MP3 files into Bin1 as waves", DeclareImport},
        {"worklist", "list | add NAME... | delete NAME | rename OLD NEW | send NAME...",
         "list, fill, rename and empty the worklist (Bin2), or send its songs on to Bin3", DeclareWorklist},
        {"workflow", "[--answers A,...] [--image-writer OUT.cue] EVENT...",
         "drive the program's stages without a window, one button or pane action at a time", DeclareWorkflow},
        {"devices", "[--output NAME] [--input NAME]", "list the sound devices for playback and capture, or choose them",
         DeclareDevices},
        {"play", "FILE [--from S] [--to S] [--device NAME] [--sink OUT.wav] [--fast]",
         "play a wave, or a part of it, with a level meter", DeclarePlay},
        {"record", "OUT [--seconds N] [--vox] [--hires] [--device NAME] [--source IN.wav] [--fast]",
         "record the line input into OUT with a level meter", DeclareRecord},
        {"encode",
         "IN OUT [--format mp3|wma|flac] [--bitrate N] [--vbr] [--external] [--title T --artist A --album B --track N]",
         "encode the wave IN as an MP3, WMA or FLAC file OUT, with tags", DeclareEncode},
        {"decode", "IN OUT.wav", "decode an MP3, WMA or other compressed file into a new wave", DeclareDecode},
    };
    return commands;
}

int main(int argc, char** argv) {
    CHeadlessServices services;
    services.SetEcho(stderr);
    if (isatty(STDERR_FILENO)) services.SetProgressBar(stderr);
    services.SetDocumentOpener("xdg-open");
    SetServices(&services);
    CCodecs codecs;  // MP3, compressed waves and what FFmpeg reads, wherever a wave is read
    InstallMp3Ripping();

    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    CLI::App app("The restoration engine of Restova without its window.", "restova-cli");
    auto formatter = std::make_shared<CCliFormatter>();
    app.formatter(formatter);
    formatter->SetSynopsis(&app, "[--yes|--no] [--quiet] COMMAND [ARGS...]");
    formatter->label("Positionals", "Arguments");
    app.footer("Run 'restova-cli help COMMAND' for the arguments and options of one command.");
    // The global options may also follow the command's own.
    app.fallthrough();
    app.require_subcommand(1);
    bool yes = false;
    bool no = false;
    bool quiet = false;
    CLI::Option* yesFlag = app.add_flag("--yes", yes, "answer Yes to every question");
    app.add_flag("--no", no, "answer No to every question")->excludes(yesFlag);
    app.add_flag("--quiet", quiet, "print no messages and no progress bar");
    app.set_version_flag("--version", "restova-cli " RESTOVA_VERSION, "print the version and exit");
    app.set_help_flag("-h,--help", "show this help");

    std::vector<std::pair<const CLI::App*, CommandRun>> runs;
    for (const CliCommand& c : CliCommands()) {
        CLI::App* sub = app.add_subcommand(c.name, c.summary);
        sub->group("Commands");
        sub->footer("");
        formatter->SetSynopsis(sub, c.usage);
        runs.emplace_back(sub, c.declare(*sub));
    }
    std::vector<std::string> topic;
    CLI::App* help = app.add_subcommand("help", "show the help of restova-cli or of one command");
    help->group("Commands");
    help->add_option("COMMAND", topic, "the command to explain");
    formatter->SetSynopsis(help, "[COMMAND]");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        const CLI::App* at = Innermost(app);
        if (at == &app) {
            const bool noCommand = e.get_name() == "RequiredError" && app.get_subcommands().empty();
            std::fprintf(stderr, "restova-cli: %s\n\n%s", noCommand ? "no command given" : e.what(),
                         app.help().c_str());
            return 2;
        }
        const std::string command = PathOf(at);
        std::fprintf(stderr, "restova-cli %s: %s\n%s", command.c_str(), e.what(),
                     formatter->make_usage(at, "restova-cli " + command).c_str());
        return 2;
    }

    if (yes) services.SetPolicy(CHeadlessServices::Policy::Yes);
    if (no) services.SetPolicy(CHeadlessServices::Policy::No);
    SetConsentPolicy(yes ? ConsentPolicy::Yes : (no ? ConsentPolicy::No : ConsentPolicy::Ask));
    if (quiet) {
        services.SetEcho(nullptr);
        services.SetProgressBar(nullptr);
    }
    int rc = 0;
    if (help->parsed()) {
        rc = PrintHelpOf(app, topic);
    } else {
        SweepTemporaryFolder();
        for (const auto& [sub, run] : runs) {
            if (sub->parsed()) rc = run();
        }
    }
    SetServices(nullptr);
    if (CancelFlag().load() || Interrupted().load()) {
        std::fprintf(stderr, "restova-cli: cancelled\n");
        return 130;
    }
    return rc;
}
