// Long outputs continue in "<name>_partN.wav" files once a file's data passes
// a limit, so that no data chunk nears what a 32-bit RIFF size can describe.
#pragma once

#include <cstdint>
#include <string>

class CPartRollover {
public:
    static constexpr uint64_t kDefaultLimit = 2000000000u;

    // A new output: no continuation files yet.
    void Start(const std::string& outputName);
    // The data limit in bytes (tests shrink it; one-file outputs lift it).
    void SetLimit(uint64_t bytes) { m_limit = bytes; }
    bool IsDue(uint64_t dataBytes) const { return dataBytes > m_limit; }
    // The next continuation file: the output name without its extension, "_part", the count plus one.
    std::string NextName() const;
    void Advance() { ++m_count; }
    // Continuation files made so far.
    int Count() const { return m_count; }

private:
    std::string m_base;
    uint64_t m_limit = kDefaultLimit;
    int m_count = 0;
};
