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
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/BlockWindow.h"
#include "audiofile/Clipper.h"
#include "audiofile/Dither.h"
#include "audiofile/FileError.h"
#include "audiofile/PartRollover.h"
#include "audiofile/SampleCodec.h"
#include "audiofile/SessionReader.h"
#include "audiofile/WaveDataFile.h"
#include "audiofile/WaveFormat.h"
#include "audiofile/WaveProbe.h"

class IBlockConsumer;

// Open flags of OpenRead/Reopen. Read is 0, as in the platform's convention.
enum OpenFlags : uint32_t { kOpenRead = 0, kOpenWrite = 1, kOpenReadWrite = 2 };

// Modes of OpenWrite (their numbers are stored by callers and mean what they always meant).
enum WriteMode : int {
    kWriteAppend = 0,         // append to an existing file of the same channels and rate, or create
    kWriteCreate = 1,         // always a new file, replacing one of the name
    kWriteOverwrite = 2,      // from the start of an existing file's data, or create
    kWriteUnbuffered = 4,     // as 2, past the platform's own buffer
    kWriteUnbufferedNew = 5,  // the create bit with the unbuffered one; opens an existing file all the same, as 4
};

// Where PutSample's samples go.
enum OutputMode : int {
    kOutNone = 0,          // nowhere but the block, which is not handed on
    kOutFile = 2,          // the open file, through the direct I/O buffer
    kOutBlock = 8,         // the block only; full blocks go to the block consumer
    kOutFileAndBlock = 10  // both
};

class CWaveFile {
public:
    static constexpr uint32_t kDefaultPartLimit = static_cast<uint32_t>(CPartRollover::kDefaultLimit);

    // blockLength L and historyCapacity H in samples. The buffer holds min(L, H) history samples
    // in front of the block and H samples of lookahead room behind it.
    explicit CWaveFile(uint32_t blockLength = 4096, uint32_t historyCapacity = 4096);
    virtual ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // --- opening and closing -------------------------------------------
    // Opens an existing wave for reading (kOpenReadWrite: in-place writing,
    // output mode 2). 0, 103 (cannot open) or 104 (no editable wave: tag 1/3, or the
    // extensible form of them, 1-2 channels, 8-32 bits). The data length counts only
    // whole frames really in the file. In session mode reads go through the song's
    // session (result 1 when it cannot be opened); a session already loaded for
    // the same file is only rewound.
    int OpenRead(const std::string& fileName, OpenFlags flags = kOpenRead);
    // OpenRead on the object's own file name.
    int Reopen(OpenFlags flags = kOpenRead);
    // Creates a new wave, or opens an existing one to append or overwrite (see WriteMode; all
    // writes bypass stdio anyway). fmt is in/out: an existing file's real format is handed back.
    // 104 when the existing file is no editable wave or differs in channels or rate (it is left
    // untouched), 108 when the file cannot be created or opened, 104 for a format we cannot write.
    int OpenWrite(const std::string& fileName, WAVEFORMATEX& fmt, WriteMode mode);
    // Closes the file (writing out buffered data, without finishing) or the session's segments.
    void Close();
    // Writes the data and RIFF sizes (pad byte after odd data); the file then ends
    // with its data. 0, or 1 when anything could not be written.
    int FinishWrite(uint32_t flags = 0);
    // Flushes the direct I/O buffer, then as FinishWrite.
    int FinishDirectWrite(uint32_t flags = 0, uint32_t dataFlags = 0);
    // 8192-byte direct I/O buffer rounded down to whole frames; data-bytes count reset to 0.
    int PrepareDirectWrite();

    // --- raw access ------------------------------------------------------
    // Reads up to byteCount bytes of audio data at the current position; bytes read, 0 at the
    // end, -1 on error. From the session stream in session mode.
    int64_t Read(void* buffer, int64_t byteCount);
    // origin 0 = from the start of the audio data, 1 = current, 2 = end + offset (bytes).
    // New position in bytes or -1. In session mode the session's own seek and result.
    int64_t Seek(int64_t offset, int origin);
    // Bytes of audio data: readable whole frames, bytes written so far, or the session stream's length.
    uint32_t DataLength() const;
    // Writes raw bytes of audio data at the current position; byteCount or -1. Writes are
    // buffered: a failure may show at a later write or at FinishWrite. Refused (-1) past
    // what 32-bit RIFF sizes can describe.
    int64_t Write(const void* buffer, int64_t byteCount);

    // --- block reading -----------------------------------------------------
    // Range for ReadNextBlock in bytes, rounded down to whole frames: a start beyond the end
    // becomes 0, both 0 mean the whole data, the end is clamped to the data. Returns the end.
    uint32_t SetRange(uint32_t startBytes, uint32_t endBytes);
    // Reads and converts up to sampleCount samples into the block (read cursor = block start,
    // end cursor after the last). Bytes read, 0 at the end, -1 on error.
    int64_t ReadSamples(uint32_t sampleCount);
    // The next block of the range: first receives the history start (history-length samples
    // before the block start), end the end of the block's valid samples; lookahead samples
    // follow end. Block, history and lookahead are used in whole frames. Result: the cancel
    // flag (1 when set), or 1 when there is nothing more. Live engines fill the block instead.
    int ReadNextBlock(int32_t*& first, int32_t*& end);
    // Reads L x bytes-per-sample raw bytes to the block start without conversion; bytes read.
    uint32_t ReadRawBlock();
    // Output mode 0 only: the last history-length samples before the end cursor go in front
    // of the block start; both cursors go to the block start.
    void KeepHistory();
    // Re-reads the history-length samples before the data cursor into the history in front
    // of the block (silence where there is no data), so that a range starting mid-file has
    // real history. False on a read error.
    bool StepBack();
    // History and lookahead of ReadNextBlock in samples (at most the buffer's room).
    void SetHistory(uint32_t samples) { m_window.SetHistory(samples); }
    void SetLookahead(uint32_t samples) { m_window.SetLookahead(samples); }

    // --- block writing -----------------------------------------------------
    // Converts block samples (clamped, dithered) into at most 4 x L bytes and writes byteCount of
    // them (whole samples); bytes written.
    uint32_t WriteBlock(uint32_t byteCount);
    // Converts block samples into byteCount bytes of fmt (default: own format), clamped and
    // dithered, without writing.
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
        // A pipe between filters (no file, nobody taking blocks) takes values straight into its block
        // while it has room: cancelling is noticed at the block's end, or by the run between blocks.
        if (IsPipe() && m_window.EndCursor() < m_window.CapacityEnd()) {
            m_window.Append(m_clipper.Clamp(value));
            return true;
        }
        return PutSampleSlow(value);
    }
    // PutSample for count values: runs into the direct buffer or a pipe's block are copied whole.
    bool PutSamples(const int32_t* values, size_t count) {
        while (count > 0) {
            int32_t* to = m_ioNext;
            size_t room = m_ioNext < m_putEnd ? static_cast<size_t>(m_putEnd - m_ioNext) : 0;
            const bool block = room == 0 && IsPipe();
            if (block) {
                to = m_window.EndCursor();
                room = to < m_window.CapacityEnd() ? static_cast<size_t>(m_window.CapacityEnd() - to) : 0;
            }
            if (room == 0) {
                if (!PutSampleSlow(*values++)) return false;
                --count;
                continue;
            }
            const size_t take = room < count ? room : count;
            std::memcpy(to, values, take * sizeof(int32_t));
            if (block) {
                m_clipper.ClampRun(to, take);
                m_window.SetEnd(to + take);
            } else {
                m_ioNext += take;
            }
            values += take;
            count -= take;
        }
        return true;
    }

    // --- format, clipping, dither -----------------------------------------
    // Replaces the format (block align and bytes per second derived); clip limits reset.
    void SetFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
    const WAVEFORMATEX& Format() const { return m_format; }
    void SetClipping(bool on) { m_clipper.SetEnabled(on); }
    // 0 none, 1 rectangular, 2 high-passed triangular, 3 shaped (above 12 kHz); other values
    // mean 0. Seeded from the clock. Applies to integer output of up to 24 bits in BlockToBytes.
    void SetDither(uint32_t type) { m_dither.SetType(type, m_format); }
    // Whether any value was clamped since the last call; clears the flag.
    bool TakeClippedFlag() { return m_clipper.TakeFlag(); }
    // How many samples were clamped since the stats were last taken, and the largest overshoot
    // (24-bit units, or OvershootDb()). Counts every clamp: direct output, block output, BlockToBytes.
    const ClipStats& ClippedSoFar() const { return m_clipper.Stats(); }
    // The stats so far; counting starts again. Independent of TakeClippedFlag.
    ClipStats TakeClipStats() { return m_clipper.TakeStats(); }
    // Bytes of one sample of one channel; bytes per second of the format.
    int BytesPerSample() const { return BytesPerSampleOf(m_format); }
    int BytesPerSecond() const { return static_cast<int>(m_format.nAvgBytesPerSec); }
    // A byte position rounded down to a whole frame.
    uint32_t AlignToFrame(uint32_t position) const;

    // --- state -------------------------------------------------------------
    const std::string& FileName() const { return m_fileName; }
    bool IsOpen() const { return m_data.IsOpen() || m_session->IsOpen(); }
    OutputMode GetOutputMode() const { return m_outputMode; }
    void SetOutputMode(OutputMode mode) {
        m_outputMode = mode;
        UpdatePutEnd();
    }
    void SetSessionMode(bool on) { m_session->SetMode(on); }
    bool SessionMode() const { return m_session->Mode(); }
    CEditQueue& Session() { return m_session->Queue(); }
    bool IsLastBlock() const { return m_lastBlock != 0; }
    uint32_t DataCursor() const { return m_dataCursor; }
    uint32_t BlockLength() const { return m_window.BlockLength(); }
    int32_t* BlockStart() { return m_window.BlockStart(); }
    int32_t* ReadCursor() { return m_window.ReadCursor(); }
    int32_t* EndCursor() { return m_window.EndCursor(); }
    void SetBlockConsumer(IBlockConsumer* consumer) { m_consumer = consumer; }
    // The data limit in bytes past which output continues in a fresh "<name>_partN.wav"
    // (tests shrink it).
    void SetPartLimit(uint64_t bytes) { m_parts.SetLimit(bytes); }
    int PartCount() const { return m_parts.Count(); }
    uint32_t DataBytesWritten() const { return m_dataBytes; }

    // --- files -------------------------------------------------------------
    // Describes a file without keeping it open: editable waves, any other wave coding with
    // 1-2 channels (duration from its byte rate), and what the installed codecs describe (MP3).
    // 0 or a file error code, reported unless quiet (4 for an unknown extension, 105 for
    // WMA/AIFF).
    static int FileInfo(const std::string& fileName, WaveFileInfo& info, bool quiet = false);
    // File type by extension, case-insensitive; kTypeUnknown without one.
    static int FileTypeOf(const std::string& fileName);
    // Shows the error box for code (stop icon); returns code.
    static int ReportFileError(int code, const std::string* fileName = nullptr);
    static int ReportFileError(int code, const std::string& fileName) { return ReportFileError(code, &fileName); }
    // Moves a file without replacing an existing destination; 0 or 1 (box "File R-Name Error" shown).
    static int RenameFile(const std::string& source, const std::string& destination);
    // Converts a compressed wave into a new PCM wave through the installed codecs, reading 4 x L bytes
    // at a time. destination is in/out: a numbered variant when the name is taken or cannot be
    // created. 0; the general reader's file error code when the source cannot be read; -1 for any
    // other failure (no codecs installed, a coding none of them decodes, cancel).
    int ConvertToPcm(const std::string& source, std::string& destination);

private:
    bool PutSampleSlow(int32_t value);
    bool IsPipe() const { return m_outputMode == kOutNone && !m_data.IsOpen(); }
    void UpdatePutEnd() { m_putEnd = m_outputMode == kOutFile ? m_ioEnd : nullptr; }
    int OpenFileForWrite(const std::string& fileName, WAVEFORMATEX& fmt, WriteMode mode);
    void CloseFile();
    void StopDirect() { m_ioNext = m_ioEnd = m_putEnd = nullptr; }
    bool FlushDirect();
    bool AdvanceDirect();
    bool StoreInBlock(int32_t value);
    void ResetCursors();
    int64_t DecodeFromFile(size_t count, size_t bytesPerSample);
    // The session seam: reads of a wave opened in session mode go through its session's stream.
    int OpenThroughSession(const std::string& fileName, uint32_t dataBytes);
    void RewindSession();

    OutputMode m_outputMode = kOutNone;
    uint32_t m_dataCursor = 0;
    uint32_t m_rangeEnd = 0;
    uint32_t m_rangeStart = 0;
    CClipper m_clipper;
    CBlockWindow m_window;
    std::vector<uint8_t> m_raw;  // file bytes before conversion
    uint32_t m_lastBlock = 0;
    CPartRollover m_parts;
    uint32_t m_dataBytes = 0;
    std::string m_fileName;
    CDither m_dither;
    std::unique_ptr<CSessionReader> m_session;  // reading through the song's session
    WAVEFORMATEX m_format;
    SampleKind m_kind = SampleKind::S16;
    CWaveDataFile m_data;
    IBlockConsumer* m_consumer = nullptr;
    // Direct I/O buffer: samples waiting to be clamped, converted and written (null when there is
    // no direct output).
    std::vector<int32_t> m_stage;
    int32_t* m_ioNext = nullptr;
    int32_t* m_ioEnd = nullptr;
    // m_ioEnd while output goes to the file only, else null: the inline path's one test.
    // (A pointer, not the int mode, so that the sample store cannot alias it.)
    int32_t* m_putEnd = nullptr;
    std::atomic<bool>* m_cancel;
};
