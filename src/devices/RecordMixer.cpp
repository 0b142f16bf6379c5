#include "devices/RecordMixer.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "base/Services.h"
#include "base/StringTable.h"

namespace {

bool Installed(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> CRecordMixer::CommandFor(const std::string& setting) {
    std::vector<std::string> argv;
    std::stringstream words(setting);
    for (std::string word; words >> word;) argv.push_back(word);
    if (!argv.empty()) return argv;
    if (Installed("pavucontrol")) return {"pavucontrol", "--tab=4"};
    if (Installed("alsamixer") && Installed("x-terminal-emulator")) {
        return {"x-terminal-emulator", "-e", "alsamixer", "--view=capture"};
    }
    return {};
}

bool CRecordMixer::Open(const std::string& setting) {
    Close();
    const std::vector<std::string> argv = CommandFor(setting);
    if (argv.empty()) {
        ShowMessage(kMsgNoMixer, MsgIcon::Information);
        return false;
    }
    m_handle = Services().StartProgram(argv);
    if (m_handle <= 0) {
        ShowMessage(kMsgCannotRunFile, MsgIcon::Information, MsgButtons::Ok, argv.front());
        m_handle = -1;
        return false;
    }
    return true;
}

void CRecordMixer::Close() {
    if (m_handle > 0) Services().EndProgram(m_handle);
    m_handle = -1;
}
