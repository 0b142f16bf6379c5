// The commands of restova-cli. Each lives in its own source file, declares its
// arguments and options once on its CLI11 subcommand, and returns what runs it
// once the command line is parsed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/StringTable.h"

namespace CLI {
class App;
}

// Runs a parsed command; returns the process exit status.
using CommandRun = std::function<int()>;

struct CliCommand {
    const char* name;
    const char* usage;    // arguments, e.g. "FILE..."
    const char* summary;  // one line for --help
    CommandRun (*declare)(CLI::App& sub);
};

// The table of commands, in the order --help lists them.
const std::vector<CliCommand>& CliCommands();

CommandRun DeclareInfo(CLI::App& sub);
CommandRun DeclareDemo(CLI::App& sub);
CommandRun DeclarePeaks(CLI::App& sub);
CommandRun DeclareDividers(CLI::App& sub);
CommandRun DeclareIndex(CLI::App& sub);
CommandRun DeclareDivider(CLI::App& sub);
CommandRun DeclareSession(CLI::App& sub);
CommandRun DeclareCommit(CLI::App& sub);
CommandRun DeclareFilter(CLI::App& sub);
CommandRun DeclareClean(CLI::App& sub);
CommandRun DeclareEnhance(CLI::App& sub);
CommandRun DeclareRiaa(CLI::App& sub);
CommandRun DeclareSpeed(CLI::App& sub);
CommandRun DeclareConvert(CLI::App& sub);
CommandRun DeclareTrim(CLI::App& sub);
CommandRun DeclareFade(CLI::App& sub);
CommandRun DeclareMaximize(CLI::App& sub);
CommandRun DeclareSplit(CLI::App& sub);
CommandRun DeclareCd(CLI::App& sub);
CommandRun DeclarePlaylist(CLI::App& sub);
CommandRun DeclarePresets(CLI::App& sub);
CommandRun DeclareRestore(CLI::App& sub);
CommandRun DeclareWorkflow(CLI::App& sub);
CommandRun DeclareBins(CLI::App& sub);
CommandRun DeclareImport(CLI::App& sub);
CommandRun DeclareWorklist(CLI::App& sub);
CommandRun DeclareDevices(CLI::App& sub);
CommandRun DeclarePlay(CLI::App& sub);
CommandRun DeclareRecord(CLI::App& sub);
CommandRun DeclareEncode(CLI::App& sub);
CommandRun DeclareDecode(CLI::App& sub);

// Prints the info block of one file on stdout (after a blank line when asked),
// or its error message; returns the file error code.
int PrintFileInfo(const std::string& path, bool blankLineFirst = false);

// What `clean` takes besides its files; unset values come from the preset.
struct CleanRequest {
    std::string in;
    std::string out;
    std::optional<int> scratch, crackle, hiss, hum;  // hum: 0 off, 1 60 Hz, 2 50 Hz
    std::optional<std::string> preset;
    bool bypass = false;
    bool keepResidue = false;
    bool replaceOut = false;  // replace an existing OUT without asking
};
int RunClean(const CleanRequest& r);
// Sets clean up as the Clean pane starts: the named preset (default "Default", else the pane's start
// values), then r's overrides. False (told) when a preset named in r cannot be loaded.
class CTaviClean;
bool SetUpClean(CTaviClean& clean, const CleanRequest& r);

// Sets pitch up to play ratio times faster (above 1 shortens the audio).
class CPitch;
void SetUpSpeed(CPitch& pitch, double ratio);

// Prints FILE's dividers and stage flags as `dividers` does; an exit status.
int PrintDividersOf(const std::string& path);
// Reads the dividers in force for path (its session's when it has one, else its peak file's) and its
// format. Failed is told; a missing or unreadable peak file is not.
enum class DividerRead { Read, NoPeakFile, Failed };
struct DividerBlock;
struct WAVEFORMATEX;
DividerRead ReadDividersOf(const std::string& path, DividerBlock& block, uint32_t& count, WAVEFORMATEX& fmt);

// Runs filter over the whole of IN as a session step (progress caption captionId) and writes the
// result into OUT; IN keeps its audio. An exit status.
class CFilter;
int RunFilterInto(const char* command, CFilter& filter, const std::string& in, const std::string& out, MsgId captionId);
