// CSessionArchive: the session file's byte layout, written and read by our
// own code. Little-endian object-archive records: length-prefixed strings
// (one byte below 255; 0xFF + u16 below 0xFFFE; 0xFF, 0xFFFF + u32 beyond;
// the wide marker 0xFF, 0xFFFE accepted on reading), a u16 count with a
// 0xFFFF + u32 escape, and the steps as objects of class "CQueEdit", schema 0
// (a class record before the first, the reference 0x8001 before the others).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/QueEdit.h"
#include "audiofile/WaveFormat.h"

class CSessionArchive {
public:
    // The first string of every session file (compared without regard to case).
    static constexpr const char* kIdentifier = "{0B5976BC-2C27-4f04-9D26-362AD54A1139}";
    // More steps than this in one file is taken as damage, not as a session.
    static constexpr uint32_t kMaxSteps = 10000;

    enum Result : int {
        kOk = 0,
        kNotSession = 1,    // unreadable head or another identifier: treat as absent
        kStepsDamaged = 2,  // head fine, step list cut short or malformed; the steps before the fault are kept
    };

    struct Contents {
        std::string songPath;
        WAVEFORMATEX format;
        std::vector<CQueEdit> steps;  // file, label and positions only (no dividers or peaks)
    };

    // The whole session file for these steps. False when a string is too long to store.
    static bool Write(const std::string& songPath, const WAVEFORMATEX& format, const std::vector<CQueEdit>& steps,
                      std::vector<uint8_t>& out);
    // Parses a whole session file held in memory (size bytes). Never reads outside it.
    static Result Read(const uint8_t* data, size_t size, Contents& out);

    // One archive string; false when it is longer than a u32 length can say.
    static bool AppendString(std::vector<uint8_t>& out, const std::string& text);
    // One archive string at data[pos], narrow or wide (UTF-16, returned as UTF-8); pos advances.
    static bool ReadString(const uint8_t* data, size_t size, size_t& pos, std::string& text);
};
