// The file arguments of a command that turns one wave into another: IN OUT,
// or many inputs into a folder, IN... --to DIR [--jobs N], each written as
// DIR/<its title>.wav by a process of its own, as many at once as there are
// cores unless --jobs says otherwise.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

struct FileBatch {
    std::vector<std::string> files;
    std::string to;
    int jobs = 0;  // 0: one per core
};

// What one file takes: in, out, and whether out may be replaced without asking (the user was asked
// already); an exit status.
using OneFile = std::function<int(const std::string& in, const std::string& out, bool replaceOut)>;

// Declares the files (inHelp describes IN), --to and --jobs on sub.
void AddFileBatch(CLI::App& sub, FileBatch& batch, const std::string& inHelp);
// IN OUT through one; or every IN into DIR, asking first about outputs that exist; the exit status.
int RunFileBatch(const char* command, const FileBatch& batch, const OneFile& one);
