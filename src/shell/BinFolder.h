// What the bin panes read from a bin folder: its files of one extension with
// their size and times, and the local-time text the lists show.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct BinFile {
    std::string name;
    uint64_t size = 0;
    std::time_t created = 0;   // birth time, or the last change where the file system keeps none
    std::time_t modified = 0;  // last write
};

class CBinFolder {
public:
    // The regular files of folder whose extension is ext (".wav"; compared without case), in the
    // order the folder lists them. Hidden files are left out; a missing folder has none.
    static std::vector<BinFile> List(const std::string& folder, const std::string& ext);
    // A time as "%c" in local time.
    static std::string TimeText(std::time_t time);
    // folder + "/" + name.
    static std::string PathIn(const std::string& folder, const std::string& name);
};
