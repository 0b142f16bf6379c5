// The audio data of one wave on disk: opening an existing wave, creating a new
// one with the plain 44-byte header, reads, writes and seeks within the data,
// and the finish that writes the chunk sizes. Reads of a read-only file come
// from a read-ahead cache and writes go through a write-behind cache, so that
// block-sized calls cost a copy instead of a system call each. Positions and
// sizes are bytes of audio data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/WaveFormat.h"

class CWaveDataFile {
public:
    CWaveDataFile() = default;
    ~CWaveDataFile() { Close(); }
    CWaveDataFile(const CWaveDataFile&) = delete;
    CWaveDataFile& operator=(const CWaveDataFile&) = delete;

    enum class Access {
        Read,     // read-only, through the read-ahead cache
        InPlace,  // read and write; the layout is kept unless the data grows
        Writer,   // read and write; the finish always writes the sizes and ends the file with its data
    };
    // Opens an editable wave (see EditableWaveFormat) and hands back its format. 0, 103 (cannot
    // open) or 104 (no editable wave). The data length counts whole frames really in the file.
    int OpenExisting(const std::string& name, Access access, WAVEFORMATEX& fmt);
    // Creates (or truncates) name with the plain header for fmt. 0 or 108.
    int Create(const std::string& name, const WAVEFORMATEX& fmt);
    // Writes out what is buffered (without finishing) and closes.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    bool IsWritable() const { return m_fd >= 0 && m_writable; }

    uint64_t Length() const { return m_length; }
    uint64_t Position() const { return m_pos; }
    // Makes an existing file's data empty (overwriting) or positions at its end (appending).
    void Truncate() { m_length = m_pos = 0; }
    void ToEnd() { m_pos = m_length; }

    // Up to byteCount bytes at the position; bytes read, 0 at the end, -1 on error.
    int64_t Read(void* buffer, int64_t byteCount);
    // Read-only files: data receives up to want bytes at the position without a copy, valid until
    // the next call. Their number, 0 at the end, -1 on error (or for a writable file).
    int64_t Peek(size_t want, const uint8_t*& data);
    // Moves the position past n bytes handed out by Peek.
    void Skip(size_t n) { m_pos += n; }
    // origin 0 = from the start of the data, 1 = current, 2 = end; new position or -1.
    int64_t Seek(int64_t offset, int origin);

    // byteCount bytes at the position; byteCount or -1. Buffered: a failure may show at a later write
    // or at the finish. Refused past what 32-bit RIFF sizes can describe.
    int64_t Write(const void* buffer, int64_t byteCount);
    // Room for n bytes (n at most kWriteSpaceMax) at the position inside the write-behind cache, to
    // be filled and then committed with CommitWrite(n); null when it cannot be had.
    uint8_t* WriteSpace(size_t n);
    bool CommitWrite(size_t n);
    static constexpr size_t kWriteSpaceMax = 128 * 1024;

    // Writes the data and RIFF sizes (pad byte after odd data); the file then ends with its data.
    // A file opened in place keeps its layout unless its data grew. True on success.
    bool Finish();
    // Writes out the write-behind cache; false on failure.
    bool Flush();

private:
    bool Fill(uint64_t at);

    int m_fd = -1;
    bool m_writable = false;
    bool m_created = false;      // made or opened by a writer: the header is ours to complete
    uint64_t m_dataOffset = 0;   // file offset of the first data byte
    uint32_t m_claimedData = 0;  // the data size in the header when the file was opened
    uint64_t m_length = 0;       // data bytes (read: usable; write: high-water mark)
    uint64_t m_pos = 0;          // data position of the next read or write
    uint64_t m_reserved = 0;     // data bytes the file system has set aside for this writer
    std::vector<uint8_t> m_cache;
    uint64_t m_cacheStart = 0;  // data position of m_cache[0]
    size_t m_cacheLen = 0;
    bool m_cacheDirty = false;  // holds written bytes not yet in the file
};
