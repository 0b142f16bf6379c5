#include "audiofile/FileNames.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "audiofile/TempFiles.h"

namespace {

// Index of the first character of the file-name part of path.
size_t NameStart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Index of the extension's dot, or npos when the file name has none (a dot
// that is the name's first character marks a hidden file, not an extension).
size_t ExtensionDot(const std::string& path) {
    size_t name = NameStart(path);
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= name) return std::string::npos;
    return dot;
}

}  // namespace

std::string ReplaceExtension(const std::string& path, const std::string& ext) {
    size_t dot = ExtensionDot(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

bool HasExtension(const std::string& path, const std::string& ext) {
    const size_t dot = ExtensionDot(path);
    return dot != std::string::npos && ::strcasecmp(path.c_str() + dot, ext.c_str()) == 0;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) p = path;
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncPath(const std::string& path, bool folder) {
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    return ::close(fd) == 0 && ok;
}

std::string FileNameOf(const std::string& path) {
    return path.substr(NameStart(path));
}

std::string FileTitle(const std::string& path) {
    const size_t start = NameStart(path);
    const size_t dot = ExtensionDot(path);
    return path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

std::string SessionFileName(const std::string& songPath) {
    return ReplaceExtension(songPath, ".ses");
}

std::string PeakFileName(const std::string& wavePath) {
    return ReplaceExtension(wavePath, ".pkf");
}

std::string FileInTempDir(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string TempWaveName(const std::string& tempDir, int start, bool* crowded) {
    int n = std::clamp(start, 0, kTempWaveLast);
    std::string name;
    for (;; ++n) {
        name = FileInTempDir(tempDir, "dctmp" + std::to_string(n) + ".wav");
        if (n >= kTempWaveLast) {
            CTempFiles::Reserve(name);
            break;
        }
        if (PathExists(name)) continue;
        CTempFiles::Reserve(name);
        // Creating the name claims it: another process choosing at the same moment moves on to the next.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        if (errno != EEXIST) break;  // a folder that cannot be written: the caller's create reports it
    }
    if (crowded) *crowded = n > kTempWaveWarnAbove;
    return name;
}

std::string NumberedVariant(const std::string& path, int minimum) {
    size_t nameStart = NameStart(path);
    size_t dot = ExtensionDot(path);
    std::string folder = path.substr(0, nameStart);
    std::string base = dot == std::string::npos ? path.substr(nameStart) : path.substr(nameStart, dot - nameStart);
    std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
    if (base.size() > kMaxBaseNameChars) base.resize(kMaxBaseNameChars);

    // Trailing digits are the number of an earlier variant. At most nine are
    // read so the number stays in range; longer runs keep their head in the name.
    size_t digits = 0;
    while (digits < base.size() && digits < 9 && base[base.size() - 1 - digits] >= '0' &&
           base[base.size() - 1 - digits] <= '9') {
        ++digits;
    }
    int t = digits ? std::stoi(base.substr(base.size() - digits)) : 0;
    base.resize(base.size() - digits);

    int n = std::max({t, minimum, 1});
    auto make = [&](int number) { return folder + base + std::to_string(number) + ext; };
    std::string name = make(n);
    while (PathExists(name) && n < kTempWaveLast) name = make(++n);
    return name;
}

std::string ClaimNumberedVariant(const std::string& path, int minimum) {
    std::string name = NumberedVariant(path, minimum);
    // Another process may take the name between the look and the claim: then look again.
    for (int tries = 0; tries < 100; ++tries) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        if (errno != EEXIST) break;  // a folder that cannot be written: the caller's create reports it
        name = NumberedVariant(path, minimum);
    }
    return name;
}
