#include "base/ProgramPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// An environment value usable as a base folder: set, and absolute (relative
// values are ignored, as the base-directory rules ask).
bool AbsoluteEnv(const char* name, std::string& value) {
    const char* v = std::getenv(name);
    if (v == nullptr || v[0] != '/') return false;
    value = v;
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return true;
}

}  // namespace

std::string CProgramPaths::HomeFolder() {
    std::string home;
    if (AbsoluteEnv("HOME", home)) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/') {
        return pw->pw_dir;
    }
    return "/";
}

std::string CProgramPaths::MusicFolder() {
    std::string config;
    if (!AbsoluteEnv("XDG_CONFIG_HOME", config)) config = Join(HomeFolder(), ".config");
    std::ifstream dirs(Join(config, "user-dirs.dirs"));
    std::string line;
    const std::string key = "XDG_MUSIC_DIR=\"";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const size_t end = line.find('"', key.size());
        if (end == std::string::npos) break;
        std::string value = line.substr(key.size(), end - key.size());
        // The file holds "$HOME/..." or an absolute path; anything else is not a folder we can use.
        if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        if (!value.empty() && value[0] == '/') return value;
        break;
    }
    return Join(HomeFolder(), "Music");
}

std::string CProgramPaths::ProgramFolder() {
    std::string folder;
    if (AbsoluteEnv("RESTOVA_HOME", folder)) return folder;
    // Our own variable, unlike the base-directory ones: a relative value names a folder from where
    // the user stands, so it is taken from the current folder rather than ignored.
    const char* relative = std::getenv("RESTOVA_HOME");
    std::error_code ec;
    if (relative != nullptr && relative[0] != '\0') folder = fs::absolute(relative, ec).lexically_normal().string();
    if (!ec && !folder.empty()) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    return Join(HomeFolder(), "Restova");
}

bool CProgramPaths::OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr || program.empty() || program.find('/') != std::string::npos) return false;
    std::string folders = path;
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string file = Join(folder, program);
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string CProgramPaths::ShareFolder() {
#if defined(RESTOVA_INSTALL_SHARE_DIR)
    if (IsDirectory(RESTOVA_INSTALL_SHARE_DIR)) return RESTOVA_INSTALL_SHARE_DIR;
#endif
#if defined(RESTOVA_SOURCE_SHARE_DIR)
    return RESTOVA_SOURCE_SHARE_DIR;
#else
    return Join(ProgramFolder(), "share");
#endif
}

std::string CProgramPaths::SettingsFile() {
    std::string config;
    if (!AbsoluteEnv("XDG_CONFIG_HOME", config)) config = Join(HomeFolder(), ".config");
    return Join(Join(config, "Parlowe"), "Restova.ini");
}

std::string CProgramPaths::Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool CProgramPaths::IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CProgramPaths::Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool CProgramPaths::MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return IsDirectory(path);
}

bool CProgramPaths::CopyMissingFiles(const std::string& source, const std::string& destination) {
    std::error_code ec;
    fs::directory_iterator it(source, ec);
    if (ec) return false;
    if (!MakeDirectories(destination)) return false;
    bool ok = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& from = it->path();
        std::string name = from.filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::string to = Join(destination, name);
        std::error_code typeEc;
        // Linked folders are not followed: a link loop would never end.
        if (it->symlink_status(typeEc).type() == fs::file_type::directory) {
            ok = CopyMissingFiles(from.string(), to) && ok;
        } else if (it->is_regular_file(typeEc) && !Exists(to)) {
            std::error_code copyEc;
            fs::copy_file(from, to, fs::copy_options::skip_existing, copyEc);
            ok = !copyEc && ok;
        }
    }
    return ok && !ec;
}
