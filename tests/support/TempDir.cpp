#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "restova-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

int RunShell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) { return RunShell("command -v " + name + " >/dev/null 2>&1") == 0; }
