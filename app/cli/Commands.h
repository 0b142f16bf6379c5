// The commands of restova-cli. Each lives in its own source file and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "base/StringTable.h"

struct CliCommand {
    const char* name;
    const char* usage;    // arguments, e.g. "FILE..."
    const char* summary;  // one line for --help
    int (*run)(const std::vector<std::string>& args);
};

// The table of commands, in the order --help lists them.
const std::vector<CliCommand>& CliCommands();

int CmdInfo(const std::vector<std::string>& args);
int CmdDemo(const std::vector<std::string>& args);

// Prints the info block of one file on stdout (after a blank line when asked),
// or its error message; returns the file error code.
int PrintFileInfo(const std::string& path, bool blankLineFirst = false);
int CmdPeaks(const std::vector<std::string>& args);
int CmdDividers(const std::vector<std::string>& args);
int CmdIndex(const std::vector<std::string>& args);
int CmdDivider(const std::vector<std::string>& args);
int CmdSession(const std::vector<std::string>& args);
int CmdCommit(const std::vector<std::string>& args);
int CmdFilter(const std::vector<std::string>& args);
int CmdClean(const std::vector<std::string>& args);
int CmdEnhance(const std::vector<std::string>& args);
int CmdRiaa(const std::vector<std::string>& args);
int CmdSpeed(const std::vector<std::string>& args);
int CmdConvert(const std::vector<std::string>& args);
int CmdTrim(const std::vector<std::string>& args);
int CmdFade(const std::vector<std::string>& args);
int CmdMaximize(const std::vector<std::string>& args);
int CmdSplit(const std::vector<std::string>& args);
// Runs filter over the whole of IN as a session step (progress caption captionId) and writes the
// result into OUT; IN keeps its audio. An exit status.
class CFilter;
int RunFilterInto(const char* command, CFilter& filter, const std::string& in, const std::string& out, MsgId captionId);
