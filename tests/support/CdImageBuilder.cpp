#include "support/CdImageBuilder.h"

#include <cstdio>
#include <fstream>
#include <random>

std::vector<std::vector<uint8_t>> MakeCueImage(const std::string& dir, const std::string& name,
                                               const std::vector<ImageTrack>& tracks) {
    std::vector<std::vector<uint8_t>> data;
    std::ofstream bin(dir + "/" + name + ".bin", std::ios::binary);
    std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
    uint32_t offset = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        std::mt19937 rng(static_cast<unsigned>(i + 1));
        std::vector<uint8_t> bytes(static_cast<size_t>(tracks[i].frames) * 2352);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        bin.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        char line[128];
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n", i + 1,
                      tracks[i].audio ? "AUDIO" : "MODE1/2352", offset / 4500, offset / 75 % 60, offset % 75);
        cue += line;
        offset += tracks[i].frames;
        data.push_back(std::move(bytes));
    }
    std::ofstream(dir + "/" + name + ".cue") << cue;
    return data;
}
