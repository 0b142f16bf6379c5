#include "shell/BinFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "audiofile/FileNames.h"
#include "base/ProgramPaths.h"

std::vector<BinFile> CBinFolder::List(const std::string& folder, const std::string& ext) {
    std::vector<BinFile> files;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !HasExtension(name, ext)) continue;
        struct statx st {};
        const std::string path = PathIn(folder, name);
        if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) continue;
        if (!S_ISREG(st.stx_mode)) continue;
        BinFile f;
        f.name = name;
        f.size = st.stx_size;
        f.modified = static_cast<std::time_t>(st.stx_mtime.tv_sec);
        f.created = (st.stx_mask & STATX_BTIME) ? static_cast<std::time_t>(st.stx_btime.tv_sec) : f.modified;
        files.push_back(std::move(f));
    }
    ::closedir(dir);
    return files;
}

std::string CBinFolder::TimeText(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    char text[128];
    return std::strftime(text, sizeof text, "%c", &local) ? text : "";
}

std::string CBinFolder::PathIn(const std::string& folder, const std::string& name) {
    return CProgramPaths::Join(folder, name);
}
