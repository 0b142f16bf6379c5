#include "support/CliHarness.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

CliHarness::CliHarness(std::string program, std::filesystem::path home)
    : m_program(std::move(program)),
      m_home(std::move(home)),
      m_outFile((m_home / "out.txt").string()),
      m_errFile((m_home / "err.txt").string()) {}

CliHarness BuiltCli(const std::filesystem::path& home) {
    return CliHarness(RESTOVA_CLI_PATH, home);
}

std::filesystem::path BuiltProgramFolder() {
    return std::filesystem::path(RESTOVA_CLI_PATH).parent_path();
}

std::filesystem::path SourceShare() {
    return RESTOVA_SOURCE_SHARE_DIR;
}

void CliHarness::CaptureInto(std::string outFile, std::string errFile) {
    m_outFile = std::move(outFile);
    m_errFile = std::move(errFile);
}

std::string CliHarness::CommandLine(const std::vector<std::string>& args) const {
    std::string cmd = "HOME=" + ShellQuote(m_home.string()) +
                      " XDG_CONFIG_HOME=" + ShellQuote((m_home / "config").string()) +
                      " RESTOVA_HOME=" + ShellQuote((m_home / "Restova").string()) + " " + ShellQuote(m_program);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    return cmd;
}

CliRun CliHarness::Run(const std::vector<std::string>& args) const {
    const std::string cmd = CommandLine(args) + " >" + (m_outFile.empty() ? "/dev/null" : ShellQuote(m_outFile)) +
                            " 2>" + (m_errFile.empty() ? "/dev/null" : ShellQuote(m_errFile)) + " </dev/null";
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (!m_outFile.empty()) r.out = ReadText(m_outFile);
    if (!m_errFile.empty()) r.err = ReadText(m_errFile);
    return r;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> FilesUnder(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        // A running process's record of its temporary files is not one of them.
        const bool runRecord = name.rfind("restova-", 0) == 0 && e.path().extension() == ".run";
        if (e.is_regular_file() && !runRecord) names.push_back(std::filesystem::relative(e.path(), dir).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
