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
    // Longest "fmt " body kept; longer chunks are cut (only the first 40 bytes mean anything).
    static constexpr size_t kMaxFmtBytes = 1024;

    struct Header {
        std::vector<uint8_t> fmt;    // the "fmt " chunk body (up to kMaxFmtBytes)
        uint32_t fmtSize = 0;        // "fmt " body bytes the header claims
        uint64_t dataOffset = 0;     // file offset of the first data byte
        uint32_t dataSize = 0;       // data bytes the header claims
        uint64_t dataAvailable = 0;  // data bytes really in the file (never more than claimed)
        uint32_t riffSize = 0;       // the RIFF chunk size the header claims
        uint64_t fileSize = 0;

        // The data bytes really there, in whole frames of blockAlign (0: any bytes), within 32 bits.
        uint32_t UsableData(uint16_t blockAlign) const {
            uint64_t n = dataAvailable < UINT32_MAX ? dataAvailable : UINT32_MAX;
            if (blockAlign > 0) n -= n % blockAlign;
            return static_cast<uint32_t>(n);
        }
    };

    // 0, or a file error code: 103 when the file cannot be opened, 104 when it
    // is not RIFF/WAVE or lacks a complete "fmt " or a "data" chunk.
    static int ReadHeader(const std::string& path, Header& out);
    // The same on an open stream, positioned anywhere; leaves it at the first data byte on success.
    static int ReadHeader(std::FILE* file, Header& out);
    // The same on a POSIX descriptor, read with pread (the file offset is not used).
    static int ReadHeader(int fd, Header& out);
    // The same on bytes in memory (fuzzing, tests).
    static int ParseHeader(const uint8_t* data, size_t size, Header& out);
};
