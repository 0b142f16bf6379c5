// A fresh temporary folder per test, removed with everything in it, and the
// small file helpers tests use around it.
#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Path of a file inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Writes bytes into a file, creating its folder first; false when it could not be written.
bool WriteText(const std::string& path, const std::string& bytes);
// The whole content of a file; empty when it cannot be read.
std::string ReadText(const std::string& path);
// Runs a shell command; returns its exit status.
int RunShell(const std::string& command);
// True when a program is on PATH.
bool HaveProgram(const std::string& name);

// A file size limit, standing in for a full disk, for as long as it lives; it holds even for root,
// unlike permissions.
class DiskLimit {
public:
    explicit DiskLimit(rlim_t bytes);
    ~DiskLimit();
    DiskLimit(const DiskLimit&) = delete;
    DiskLimit& operator=(const DiskLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_handler)(int);
};
