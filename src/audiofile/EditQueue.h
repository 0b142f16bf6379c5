// CEditQueue: a song's session, the ordered steps of its edits and the
// virtual stream they describe.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/WaveFormat.h"

class CEditQueue {
public:
    // Loads (or starts) the session of songPath; 0, or -1 when a step's peak data cannot be loaded.
    int OpenSession(const std::string& songPath, const WAVEFORMATEX& songFormat, uint32_t dataSize);
    // Bytes read from the virtual stream; 0 when a segment file fails.
    int64_t ReadStream(void* buffer, int64_t byteCount);
    // origin 0 = absolute, 1 = relative, 2 = from the end. New cursor, 0 on failure.
    int64_t SeekStream(int64_t offset, int origin);
    uint32_t StreamLength() const { return m_streamLength; }
    bool IsValid() const { return m_valid; }
    // Closes every open segment file.
    void CloseSegments();

private:
    bool m_valid = false;
    uint32_t m_streamLength = 0;
};
