// A fresh folder for one test, removed with everything in it afterwards, and
// small file helpers for the settings tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class CShellTestFolder {
public:
    CShellTestFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/restova-shell-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data())) m_path = made;
    }
    ~CShellTestFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CShellTestFolder(const CShellTestFolder&) = delete;
    CShellTestFolder& operator=(const CShellTestFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    static void Write(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool IsDir(const std::string& path) { return std::filesystem::is_directory(path); }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

private:
    std::string m_path;
};
