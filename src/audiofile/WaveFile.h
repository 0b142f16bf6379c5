// CWaveFile: the one object through which every WAV is opened, created, read,
// written and finished. It converts between file bytes and internal samples
// (int32 on a 24-bit scale, interleaved), holds the sample block with history
// and lookahead that filters and players work on, clamps and dithers on
// output, rolls over to "_part" files past the data limit, and in session
// mode reads the song's virtual stream instead of its data chunk.
//
// Positions and sizes are bytes of audio data unless said otherwise; sample
// counts are interleaved sample counts (frames x channels). All operations run
// on the thread that owns the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/EditQueue.h"
#include "audiofile/WaveFormat.h"

class IBlockConsumer;

// File error codes; 0 is success.
enum FileError : int {
    kFileOk = 0,
    kErrWrite = 1,
    kErrRead = 2,
    kErrSeek = 3,
    kErrBadType = 4,
    kErrInternal = 101,
    kErrMemory = 102,
    kErrCannotOpen = 103,
    kErrFormat = 104,
    kErrTypeUnsupported = 105,
    kErrResolution = 106,
    kErrCannotWrite = 108,
    kErrSeekWave = 110,
    kErrMmePrepare = 111,
    kErrMmeAdd = 112,
    kErrCannotRead = 113,
};

// Open flags of OpenRead/Reopen. Read is 0, as in the platform's convention.
inline constexpr uint32_t kOpenRead = 0;
inline constexpr uint32_t kOpenWrite = 1;
inline constexpr uint32_t kOpenReadWrite = 2;

// File types by extension.
enum FileType : int { kTypeUnknown = 0, kTypeWav = 1, kTypeMp3 = 2, kTypeWma = 3, kTypeAiff = 4 };

// Output modes.
inline constexpr int kOutNone = 0;
inline constexpr int kOutFile = 2;
inline constexpr int kOutBlock = 8;
inline constexpr int kOutFileAndBlock = 10;

struct WaveFileInfo {
    uint32_t dataBytes = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint16_t formatTag = 0;
    double duration = 0.0;  // seconds
    std::string typeName;   // "Linear PCM", "IEEE Float", "MP3", ..., "Unknown"
};

class CWaveFile {
public:
    // How samples sit in file bytes: unsigned 8-bit, signed 16/24/32-bit, float.
    enum class SampleKind : uint8_t { U8, S16, S24, S32, F32, None };
    // The layout of a format's samples; None for what cannot be converted.
    static SampleKind KindOf(const WAVEFORMATEX& f);
    static constexpr uint32_t kDefaultPartLimit = 2000000000u;

    // blockLength L and historyCapacity H in samples.
    explicit CWaveFile(uint32_t blockLength = 4096, uint32_t historyCapacity = 4096);
    virtual ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // --- opening and closing -------------------------------------------
    // Opens an existing wave for reading (kOpenReadWrite: in-place writing,
    // output mode 2). In session mode reads go through the song's session.
    int OpenRead(const std::string& fileName, uint32_t flags = kOpenRead);
    int Reopen(uint32_t flags = kOpenRead);
    // mode 0 = append or create, 1 = create, 2 = overwrite from the start or
    // create, 4/5 = as 2 unbuffered. fmt is in/out: an existing file's real
    // format is handed back.
    int OpenWrite(const std::string& fileName, WAVEFORMATEX& fmt, int mode);
    void Close();
    // Closes the data and RIFF chunks so that their sizes are written.
    int FinishWrite(uint32_t flags = 0);
    // Flushes the direct I/O buffer, then as FinishWrite.
    int FinishDirectWrite(uint32_t flags = 0, uint32_t dataFlags = 0);
    // 8192-byte direct I/O buffer rounded down to whole frames; data-bytes count reset to 0.
    int PrepareDirectWrite();

    // --- raw access ------------------------------------------------------
    // Bytes read, -1 on error; from the session stream in session mode.
    int64_t Read(void* buffer, int64_t byteCount);
    // origin 0 = from the start of the audio data, 1 = current, 2 = from the end. New position or -1.
    int64_t Seek(int64_t offset, int origin);
    uint32_t DataLength() const;
    // Writes raw bytes of audio data at the current position (plain file output).
    int64_t Write(const void* buffer, int64_t byteCount);

    // --- block reading -----------------------------------------------------
    uint32_t SetRange(uint32_t startBytes, uint32_t endBytes);
    int64_t ReadSamples(uint32_t sampleCount);
    // first/end receive the history start and the end of the valid samples.
    // Result: the cancel flag, or 1 when there is nothing more.
    int ReadNextBlock(int32_t*& first, int32_t*& end);
    uint32_t ReadRawBlock();
    void KeepHistory();
    bool StepBack();
    void SetHistory(uint32_t samples) { m_historyLength = samples; }
    void SetLookahead(uint32_t samples) { m_lookahead = samples; }

    // --- block writing -----------------------------------------------------
    uint32_t WriteBlock(uint32_t byteCount);
    void BlockToBytes(uint8_t* dest, uint32_t byteCount, const WAVEFORMATEX* fmt = nullptr);
    // The filter's per-sample output (one internal sample); false when processing must stop.
    // Plain file output with room in the direct buffer stays inline: it runs once per sample.
    // Samples wait there as they are; clamping, conversion and the cancel check run per buffer
    // (8192 bytes) when it is written, so a cancel is seen within one buffer.
    bool PutSample(int32_t value) {
        if (m_ioNext < m_putEnd) {
            *m_ioNext++ = value;
            return true;
        }
        return PutSampleSlow(value);
    }

    // --- format, clipping, dither -----------------------------------------
    void SetFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
    const WAVEFORMATEX& Format() const { return m_format; }
    void SetClipping(bool on) { m_clipping = on; }
    void SetDither(uint32_t type);
    bool TakeClippedFlag();
    int BytesPerSample() const { return BytesPerSampleOf(m_format); }
    int BytesPerSecond() const { return static_cast<int>(m_format.nAvgBytesPerSec); }
    uint32_t AlignToFrame(uint32_t position) const;

    // --- state -------------------------------------------------------------
    const std::string& FileName() const { return m_fileName; }
    bool IsOpen() const;
    int OutputMode() const { return m_outputMode; }
    void SetOutputMode(int mode) {
        m_outputMode = mode;
        UpdatePutEnd();
    }
    void SetSessionMode(bool on) { m_sessionMode = on; }
    bool SessionMode() const { return m_sessionMode; }
    CEditQueue& Session() { return *m_session; }
    bool IsLastBlock() const { return m_lastBlock != 0; }
    uint32_t DataCursor() const { return m_dataCursor; }
    uint32_t BlockLength() const { return m_blockLength; }
    int32_t* BlockStart() { return m_blockStart; }
    int32_t* ReadCursor() { return m_readCursor; }
    int32_t* EndCursor() { return m_endCursor; }
    void SetBlockConsumer(IBlockConsumer* consumer) { m_consumer = consumer; }
    // The data limit past which output continues in a "_part" file (tests shrink it).
    void SetPartLimit(uint64_t bytes) { m_partLimit = bytes; }
    int PartCount() const { return m_partCounter; }
    uint32_t DataBytesWritten() const { return m_dataBytes; }

    // --- files -------------------------------------------------------------
    static int FileInfo(const std::string& fileName, WaveFileInfo& info, bool quiet = false);
    static int FileTypeOf(const std::string& fileName);
    // Shows the error box for code (stop icon); returns code.
    static int ReportFileError(int code, const std::string* fileName = nullptr);
    static int ReportFileError(int code, const std::string& fileName) { return ReportFileError(code, &fileName); }
    // Moves a file without replacing an existing destination; 0 or 1 (box "File R-Name Error" shown).
    static int RenameFile(const std::string& source, const std::string& destination);
    // Converts a compressed wave into a new PCM wave; destination is in/out.
    int ConvertToPcm(const std::string& source, std::string& destination);

private:
    struct Impl;
    bool PutSampleSlow(int32_t value);
    size_t ConvertDirect();
    void UpdatePutEnd() { m_putEnd = m_outputMode == kOutFile ? m_ioEnd : nullptr; }
    int OpenFileForWrite(const std::string& fileName, WAVEFORMATEX& fmt, int mode);
    void CloseFile();
    bool FlushDirect();
    bool AdvanceDirect();
    bool StoreInBlock(int32_t value);
    void ResetCursors();
    int32_t NextDither(int bits);
    int32_t Clamp(int32_t value) {
        if (!m_clipping) return value;
        if (value > m_clipMax) {
            m_clipped = true;
            return m_clipMax;
        }
        if (value < m_clipMin) {
            m_clipped = true;
            return m_clipMin;
        }
        return value;
    }

    std::unique_ptr<Impl> m_impl;  // file handle, chunk records, I/O buffers, dither state

    int m_outputMode = kOutNone;
    uint32_t m_dataCursor = 0;
    uint32_t m_rangeEnd = 0;
    uint32_t m_rangeStart = 0;
    bool m_clipped = false;
    int32_t* m_readCursor = nullptr;
    int32_t* m_endCursor = nullptr;
    int32_t* m_bufferBase = nullptr;
    int32_t* m_blockStart = nullptr;
    int32_t* m_blockCapacityEnd = nullptr;
    int32_t* m_bufferEnd = nullptr;
    std::vector<uint8_t> m_raw;
    uint32_t m_lastBlock = 0;
    int m_partCounter = 0;
    uint32_t m_dataBytes = 0;
    std::string m_fileName;
    bool m_sessionMode = false;
    bool m_clipping = true;
    uint32_t m_ditherType = 0;
    uint32_t m_blockLength;
    uint32_t m_historyCapacity;
    uint32_t m_lookahead = 0;
    uint32_t m_historyLength = 0;
    int32_t m_clipMax = 8388607;
    int32_t m_clipMin = -8388608;
    std::unique_ptr<CEditQueue> m_session;
    WAVEFORMATEX m_format;
    std::vector<int32_t> m_samples;
    IBlockConsumer* m_consumer = nullptr;
    uint64_t m_partLimit = kDefaultPartLimit;
    // Direct I/O buffer: samples waiting to be converted and written (null when there is no direct output).
    int32_t* m_ioNext = nullptr;
    int32_t* m_ioEnd = nullptr;
    // m_ioEnd while output goes to the file only, else null: the inline path's one test.
    // (A pointer, not the int mode, so that the sample store cannot alias it.)
    int32_t* m_putEnd = nullptr;
    std::atomic<bool>* m_cancel;
};
