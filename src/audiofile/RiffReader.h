// Reads the chunk structure of a RIFF WAVE file without trusting its sizes:
// unknown chunks before and between "fmt " and "data" are skipped, nothing is
// read past a chunk or past the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CRiffReader {
public:
    struct Header {
        std::vector<uint8_t> fmt;    // the whole "fmt " chunk body
        uint64_t dataOffset = 0;     // file offset of the first data byte
        uint32_t dataSize = 0;       // data bytes the header claims
        uint64_t dataAvailable = 0;  // data bytes really in the file (never more than claimed)
        uint64_t fileSize = 0;
    };

    // 0, or a file error code: 103 when the file cannot be opened, 104 when it
    // is not RIFF/WAVE or lacks a "fmt " or "data" chunk.
    static int ReadHeader(const std::string& path, Header& out);
    // The same on an open stream, positioned anywhere; leaves it at the first data byte on success.
    static int ReadHeader(std::FILE* file, Header& out);
    // The same on bytes in memory (fuzzing, tests).
    static int ParseHeader(const uint8_t* data, size_t size, Header& out);
};
