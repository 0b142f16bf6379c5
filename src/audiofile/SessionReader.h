// CSessionReader: a wave read through its song's session. In session mode the
// wave's data is the session's virtual stream: opening loads the session (or
// rewinds the one already loaded for the same file), and reads, seeks and the
// data length go to the stream. The session outlives closing the wave.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/EditQueue.h"
#include "audiofile/WaveFormat.h"

class CSessionReader {
public:
    void SetMode(bool on) { m_mode = on; }
    bool Mode() const { return m_mode; }
    CEditQueue& Queue() { return m_queue; }

    // In session mode with the session of fileName loaded: the stream is rewound and open. False otherwise.
    bool Resume(const std::string& fileName, const std::string& loadedName);
    // Loads the session of fileName (the song's format and data bytes). 0, or 1 when it cannot be opened.
    int Open(const std::string& fileName, const WAVEFORMATEX& fmt, uint32_t dataBytes);
    bool IsOpen() const { return m_open; }
    // Closes the stream's files; the session stays loaded.
    void Close();

    // Bytes of the stream; reads and seeks as CEditQueue's ReadStream and SeekStream.
    uint32_t Length() const { return m_queue.StreamLength(); }
    int64_t Read(void* buffer, int64_t byteCount) { return m_queue.ReadStream(buffer, byteCount); }
    int64_t Seek(int64_t offset, int origin) { return m_queue.SeekStream(offset, origin); }

private:
    CEditQueue m_queue;
    bool m_mode = false;
    bool m_open = false;
};
