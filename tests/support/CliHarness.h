// restova-cli run from the outside, as a user on a fresh machine runs it:
// HOME is a test folder, with the config (XDG_CONFIG_HOME) and program
// (RESTOVA_HOME) folders inside it, and standard input empty.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

struct CliRun {
    int status = -1;  // the exit status; -1 when the program did not exit normally
    std::string out;  // standard output, when captured
    std::string err;  // standard error, when captured
};

class CliHarness {
public:
    // program: the restova-cli binary; home: the folder standing for the user's home. Standard output
    // and error go through home/out.txt and home/err.txt (left there) unless CaptureInto says otherwise.
    CliHarness(std::string program, std::filesystem::path home);

    // The files standard output and error are written into and read back from; empty: discarded.
    void CaptureInto(std::string outFile, std::string errFile);

    // The shell command that runs the program with args in this home, without redirections.
    std::string CommandLine(const std::vector<std::string>& args) const;
    // Runs the program with args and waits for it.
    CliRun Run(const std::vector<std::string>& args) const;

private:
    std::string m_program;
    std::filesystem::path m_home;
    std::string m_outFile;
    std::string m_errFile;
};

// s in single quotes for the shell.
std::string ShellQuote(const std::string& s);
// The regular files under dir, as paths relative to it, sorted; the records running processes keep
// of their temporary files ("restova-*.run") left out.
std::vector<std::string> FilesUnder(const std::filesystem::path& dir);

// The restova-cli of this build, with home as its user's home.
CliHarness BuiltCli(const std::filesystem::path& home);
// The folder the CLI and the libraries it loads at run time were built into.
std::filesystem::path BuiltProgramFolder();
// The source tree's share folder (shipped presets, the chime).
std::filesystem::path SourceShare();
