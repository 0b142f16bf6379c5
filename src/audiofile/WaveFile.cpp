#include "audiofile/WaveFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "audiofile/BlockConsumer.h"
#include "audiofile/CodecRegistry.h"
#include "audiofile/FileMove.h"
#include "audiofile/FileNames.h"
#include "audiofile/RiffReader.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

constexpr size_t kDirectBufferBytes = 8192;
constexpr const char* kRenameCaption = "File R-Name Error";

}  // namespace

CWaveFile::CWaveFile(uint32_t blockLength, uint32_t historyCapacity)
    : m_window(blockLength, historyCapacity), m_session(std::make_unique<CSessionReader>()), m_cancel(&CancelFlag()) {
    m_format = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    m_kind = CSampleCodec::KindOf(m_format);
    m_raw.resize(m_window.Room() * 4);
    m_stage.resize(kDirectBufferBytes);
}

CWaveFile::~CWaveFile() {
    Close();
}

void CWaveFile::ResetCursors() {
    m_window.Rewind();
    m_dataCursor = m_rangeStart = m_rangeEnd = 0;
    m_lastBlock = 0;
}

// --- opening and closing ----------------------------------------------------

int CWaveFile::OpenRead(const std::string& fileName, OpenFlags flags) {
    const bool write = (flags & (kOpenWrite | kOpenReadWrite)) != 0;
    m_outputMode = write ? kOutFile : kOutNone;
    if (flags == kOpenRead && m_session->Resume(fileName, m_fileName)) {
        RewindSession();
        return kFileOk;
    }
    const std::string name = fileName;  // fileName may be our own m_fileName
    Close();
    WAVEFORMATEX fmt;
    const int rc = m_data.OpenExisting(name, write ? CWaveDataFile::Access::InPlace : CWaveDataFile::Access::Read, fmt);
    if (rc != kFileOk) return rc;
    m_format = fmt;
    m_kind = CSampleCodec::KindOf(fmt);
    m_fileName = name;
    if (m_session->Mode() && OpenThroughSession(name, static_cast<uint32_t>(m_data.Length())) != kFileOk) return 1;
    m_clipper.ResetLimits();
    m_window.Clear();
    ResetCursors();
    m_rangeEnd = DataLength();
    return kFileOk;
}

int CWaveFile::Reopen(OpenFlags flags) {
    return OpenRead(std::string(m_fileName), flags);
}

// A session already loaded for this very file only needs rewinding (the reader did that).
void CWaveFile::RewindSession() {
    CloseFile();
    ResetCursors();
    m_rangeEnd = m_session->Length();
}

// Opens the song's session over the file just opened; every read then goes through its segments.
int CWaveFile::OpenThroughSession(const std::string& fileName, uint32_t dataBytes) {
    const int rc = m_session->Open(fileName, m_format, dataBytes);
    CloseFile();
    return rc;
}

int CWaveFile::OpenWrite(const std::string& fileName, WAVEFORMATEX& fmt, WriteMode mode) {
    Close();
    m_parts.Start(fileName);
    return OpenFileForWrite(std::string(fileName), fmt, mode);
}

int CWaveFile::OpenFileForWrite(const std::string& name, WAVEFORMATEX& fmt, WriteMode mode) {
    const WAVEFORMATEX want = MakeWaveFormat(fmt.wFormatTag, fmt.nChannels, fmt.nSamplesPerSec, fmt.wBitsPerSample);
    if (want.nChannels < 1 || want.nChannels > 2 || CSampleCodec::KindOf(want) == SampleKind::None) return kErrFormat;

    struct stat st;
    const bool exists = ::stat(name.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return kErrCannotWrite;
    // An empty file holds no wave to keep: it is a name claimed for this one.
    if (mode != kWriteCreate && exists && st.st_size > 0) {
        // The existing file must be a wave we can write, of the same channels and rate;
        // otherwise it is left untouched.
        CRiffReader::Header h;
        WAVEFORMATEX real;
        if (CRiffReader::ReadHeader(name, h) != kFileOk || EditableWaveFormat(h.fmt, real) != kFileOk) {
            return kErrFormat;
        }
        if (real.nChannels != want.nChannels || real.nSamplesPerSec != want.nSamplesPerSec) return kErrFormat;
        const int rc = m_data.OpenExisting(name, CWaveDataFile::Access::Writer, real);
        if (rc != kFileOk) return rc == kErrCannotOpen ? kErrCannotWrite : rc;
        if (mode == kWriteAppend) {
            m_data.ToEnd();
        } else {
            m_data.Truncate();
        }
        fmt = real;
    } else {
        if (m_data.Create(name, want) != kFileOk) return kErrCannotWrite;
        fmt = want;
    }
    m_dataBytes = static_cast<uint32_t>(m_data.Length());
    StopDirect();
    m_format = fmt;
    m_format.cbSize = 18;
    m_kind = CSampleCodec::KindOf(m_format);
    m_fileName = name;
    return kFileOk;
}

void CWaveFile::CloseFile() {
    if (m_data.IsWritable()) FlushDirect();  // unfinished, but what was written is in the file
    m_data.Close();
    StopDirect();
}

void CWaveFile::Close() {
    CloseFile();
    m_session->Close();
    ResetCursors();
}

int CWaveFile::FinishWrite(uint32_t) {
    if (!m_data.IsWritable()) return m_session->IsOpen() ? kFileOk : kErrCannotWrite;
    const bool flushed = FlushDirect();
    StopDirect();
    return m_data.Finish() && flushed ? kFileOk : kErrWrite;
}

int CWaveFile::FinishDirectWrite(uint32_t flags, uint32_t) {
    return FinishWrite(flags);
}

// --- direct output ------------------------------------------------------------

int CWaveFile::PrepareDirectWrite() {
    if (!m_data.IsWritable()) return kErrCannotWrite;
    FlushDirect();
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    const size_t bytes = std::max<size_t>(CSampleCodec::BytesOf(m_kind), 1);
    m_ioNext = m_stage.data();
    m_ioEnd = m_ioNext + (kDirectBufferBytes - kDirectBufferBytes % frame) / bytes;
    UpdatePutEnd();
    m_dataBytes = 0;
    return kFileOk;
}

// Clamps and converts what the direct buffer holds straight into the file's write buffer, and
// empties it; the bytes count as written data.
bool CWaveFile::FlushDirect() {
    if (!m_ioEnd || m_ioNext == m_stage.data()) return true;
    const auto count = static_cast<size_t>(m_ioNext - m_stage.data());
    m_ioNext = m_stage.data();
    m_clipper.ClampRun(m_stage.data(), count);
    const size_t bytes = count * CSampleCodec::BytesOf(m_kind);
    uint8_t* dest = m_data.WriteSpace(bytes);
    if (!dest) return false;
    CSampleCodec::Encode(m_kind, m_stage.data(), dest, count);
    m_data.CommitWrite(bytes);
    m_dataBytes = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{m_dataBytes} + bytes, UINT32_MAX));
    return true;
}

// The direct buffer is full: write it out and, past the data limit, continue
// in the next "_part" file. False when either fails.
bool CWaveFile::AdvanceDirect() {
    if (!FlushDirect()) return false;
    if (!m_parts.IsDue(m_dataBytes)) return true;
    if (FinishWrite() != kFileOk) return false;
    CloseFile();
    WAVEFORMATEX fmt = m_format;
    // Always a fresh file: appending to a stale one from an earlier run would mix outputs.
    if (OpenFileForWrite(m_parts.NextName(), fmt, kWriteCreate) != kFileOk) return false;
    m_parts.Advance();
    return PrepareDirectWrite() == kFileOk;
}

bool CWaveFile::StoreInBlock(int32_t value) {
    if (m_window.Append(value)) return true;
    if (m_outputMode == kOutNone) return true;  // nobody takes blocks: keep what is there
    if (m_consumer && !m_consumer->TakeBlock(m_window.BlockStart(), m_window.BlockLength())) return false;
    m_window.Rewind();
    return m_window.Append(value);
}

bool CWaveFile::PutSampleSlow(int32_t value) {
    std::atomic<bool>& cancel = *m_cancel;
    if (cancel.load(std::memory_order_relaxed)) return true;
    if (!m_data.IsOpen()) {
        if (!StoreInBlock(m_clipper.Clamp(value))) return false;
        return !cancel.load(std::memory_order_relaxed);
    }
    if (m_outputMode == kOutFile ||
        (m_outputMode == kOutFileAndBlock && (!m_consumer || m_consumer->FileOutputEnabled()))) {
        if (!m_ioEnd && PrepareDirectWrite() != kFileOk) return false;
        if (m_ioNext >= m_ioEnd && !AdvanceDirect()) return false;
        value = m_clipper.Clamp(value);
        *m_ioNext++ = value;
    } else {
        value = m_clipper.Clamp(value);
    }
    if (m_outputMode == kOutFileAndBlock && !StoreInBlock(value)) return false;
    return !cancel.load(std::memory_order_relaxed);
}

// --- raw access -------------------------------------------------------------

uint32_t CWaveFile::DataLength() const {
    if (m_session->IsOpen()) return m_session->Length();
    return static_cast<uint32_t>(std::min<uint64_t>(m_data.Length(), std::numeric_limits<uint32_t>::max()));
}

int64_t CWaveFile::Read(void* buffer, int64_t byteCount) {
    if (byteCount < 0 || (!buffer && byteCount > 0)) return -1;
    if (m_session->IsOpen()) return m_session->Read(buffer, byteCount);
    if (m_data.IsWritable() && !FlushDirect()) return -1;
    return m_data.Read(buffer, byteCount);
}

int64_t CWaveFile::Seek(int64_t offset, int origin) {
    if (m_session->IsOpen()) return m_session->Seek(offset, origin);
    if (!m_data.IsOpen() || !FlushDirect()) return -1;
    return m_data.Seek(offset, origin);
}

int64_t CWaveFile::Write(const void* buffer, int64_t byteCount) {
    const int64_t done = m_data.Write(buffer, byteCount);
    if (done > 0) {
        m_dataBytes = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{m_dataBytes} + static_cast<uint64_t>(done),
                                                               std::numeric_limits<uint32_t>::max()));
    }
    return done;
}

// --- block reading ------------------------------------------------------------

uint32_t CWaveFile::SetRange(uint32_t startBytes, uint32_t endBytes) {
    const uint32_t length = DataLength();
    if (startBytes > endBytes) startBytes = 0;
    if (startBytes == 0 && endBytes == 0) endBytes = length;
    endBytes = AlignToFrame(std::min(endBytes, length));
    startBytes = AlignToFrame(std::min(startBytes, endBytes));
    m_rangeStart = startBytes;
    m_rangeEnd = endBytes;
    m_dataCursor = startBytes;
    m_lastBlock = 0;
    Seek(startBytes, 0);
    return endBytes;
}

// Converts count samples at the position into the block start, straight from the read-ahead cache
// where there is one; bytes read, 0 at the end, -1 on error.
int64_t CWaveFile::DecodeFromFile(size_t count, size_t bytesPerSample) {
    int32_t* dst = m_window.BlockStart();
    if (m_session->IsOpen() || m_data.IsWritable()) {
        const int64_t got = Read(m_raw.data(), static_cast<int64_t>(count * bytesPerSample));
        if (got > 0) CSampleCodec::Decode(m_kind, m_raw.data(), dst, static_cast<size_t>(got) / bytesPerSample);
        return got;
    }
    size_t done = 0;
    while (done < count) {
        const uint8_t* bytes = nullptr;
        const int64_t got = m_data.Peek((count - done) * bytesPerSample, bytes);
        if (got < 0) return done > 0 ? static_cast<int64_t>(done * bytesPerSample) : -1;
        const size_t samples = static_cast<size_t>(got) / bytesPerSample;
        if (samples == 0) {
            // A sample cut by the end of the data is not delivered, but counts as read.
            m_data.Skip(static_cast<size_t>(got));
            return static_cast<int64_t>(done * bytesPerSample) + got;
        }
        CSampleCodec::Decode(m_kind, bytes, dst + done, samples);
        m_data.Skip(samples * bytesPerSample);
        done += samples;
    }
    return static_cast<int64_t>(done * bytesPerSample);
}

int64_t CWaveFile::ReadSamples(uint32_t sampleCount) {
    const size_t bps = static_cast<size_t>(std::max(BytesPerSample(), 1));
    const size_t count = std::min<size_t>(sampleCount, m_window.Room());
    m_window.Rewind();
    const int64_t got = DecodeFromFile(count, bps);
    if (got > 0) m_window.SetEnd(m_window.BlockStart() + static_cast<size_t>(got) / bps);
    return got;
}

int CWaveFile::ReadNextBlock(int32_t*& first, int32_t*& end) {
    Services().PumpMessages();
    const uint32_t channels = std::max<uint32_t>(m_format.nChannels, 1);
    const uint32_t bps = static_cast<uint32_t>(std::max(BytesPerSample(), 1));
    const uint32_t block = m_window.FrameBlock(channels);
    const uint32_t lookahead = m_window.FrameLookahead(channels);

    // The last samples of the previous block become the history of this one.
    first = m_window.CarryHistory(m_window.FrameHistory(channels));
    int32_t* const blockStart = m_window.BlockStart();
    end = blockStart;

    // Live input ignores the range: it runs until cancelled.
    if (m_consumer && m_consumer->IsLive()) {
        size_t filled = 0;
        while (filled < block && !CancelFlag().load()) {
            filled += m_consumer->FillLive(blockStart + filled, block - filled);
            if (filled < block) {
                Services().PumpMessages();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        m_window.SetEnd(blockStart + filled);
        m_dataCursor += static_cast<uint32_t>(filled * bps);
        end = m_window.EndCursor();
        return CancelFlag().load() ? 1 : 0;
    }

    if (m_dataCursor >= m_rangeEnd) {
        if (!m_consumer || !m_consumer->IsLooping() || m_rangeEnd <= m_rangeStart) return 1;
        m_dataCursor = m_rangeStart;
        Seek(m_rangeStart, 0);
    }
    const int64_t got = ReadSamples(block + lookahead);
    if (got <= 0) {
        m_window.Rewind();
        return 1;
    }
    const uint64_t remaining = m_rangeEnd - m_dataCursor;
    const size_t samples = static_cast<size_t>(m_window.EndCursor() - blockStart);
    if (remaining > uint64_t{block} * bps && samples >= block) {
        // Advance by exactly one block, whatever the lookahead managed to read,
        // so that no sample is delivered twice or skipped.
        m_dataCursor += block * bps;
        m_window.SetEnd(blockStart + block);
        m_lastBlock = 0;
        if (samples > block) Seek(m_dataCursor, 0);
    } else {
        m_window.SetEnd(blockStart + std::min<uint64_t>(samples, remaining / bps));
        m_dataCursor = m_rangeEnd;
        m_lastBlock = 1;
    }
    // Lookahead past the end of the data reads as silence, never as the previous block's samples.
    int32_t* const readEnd = blockStart + samples;
    int32_t* const lookaheadEnd = std::min(m_window.EndCursor() + lookahead, m_window.BufferEnd());
    if (readEnd < lookaheadEnd) std::fill(readEnd, lookaheadEnd, 0);
    end = m_window.EndCursor();
    return CancelFlag().load() ? 1 : 0;
}

uint32_t CWaveFile::ReadRawBlock() {
    const int64_t want = int64_t{m_window.BlockLength()} * std::max(BytesPerSample(), 1);
    const int64_t got = Read(m_window.BlockStart(), want);
    if (got <= 0) return 0;
    m_dataCursor += static_cast<uint32_t>(got);
    return static_cast<uint32_t>(got);
}

void CWaveFile::KeepHistory() {
    if (m_outputMode != kOutNone) return;
    m_window.CarryHistory(m_window.FrameHistory(std::max<uint32_t>(m_format.nChannels, 1)));
}

bool CWaveFile::StepBack() {
    const uint32_t channels = std::max<uint32_t>(m_format.nChannels, 1);
    const uint32_t bps = static_cast<uint32_t>(std::max(BytesPerSample(), 1));
    const uint32_t history = m_window.FrameHistory(channels);
    const uint32_t back = std::min(history * bps, m_dataCursor) / (channels * bps) * (channels * bps);
    std::fill(m_window.Base(), m_window.BlockStart(), 0);
    m_window.Rewind();
    if (back == 0) return true;
    if (Seek(m_dataCursor - back, 0) < 0) return false;
    const int64_t got = ReadSamples(back / bps);
    // The samples just read become the history in front of the block.
    m_window.CarryHistory(static_cast<uint32_t>(m_window.EndCursor() - m_window.BlockStart()));
    Seek(m_dataCursor, 0);
    return got == back;
}

// --- block writing ------------------------------------------------------------

uint32_t CWaveFile::WriteBlock(uint32_t byteCount) {
    if (!m_data.IsOpen()) return 0;
    const size_t bps = static_cast<size_t>(std::max(BytesPerSample(), 1));
    size_t samples =
        std::min<size_t>(std::min<size_t>(byteCount, size_t{m_window.BlockLength()} * 4), m_raw.size()) / bps;
    samples = std::min(samples, m_window.Room());
    const size_t bytes = samples * bps;
    BlockToBytes(m_raw.data(), static_cast<uint32_t>(bytes));
    const int64_t done = Write(m_raw.data(), static_cast<int64_t>(bytes));
    return done < 0 ? 0 : static_cast<uint32_t>(done);
}

void CWaveFile::BlockToBytes(uint8_t* dest, uint32_t byteCount, const WAVEFORMATEX* fmt) {
    const WAVEFORMATEX& f = fmt ? *fmt : m_format;
    const SampleKind kind = CSampleCodec::KindOf(f);
    if (!dest || kind == SampleKind::None) return;
    const size_t bps = static_cast<size_t>(BytesPerSampleOf(f));
    const size_t count = std::min<size_t>(byteCount / bps, m_window.Room());
    const int32_t* src = m_window.BlockStart();
    // Dither only where there are bits to hide the truncation in.
    const bool dither = m_dither.Type() != 0 && kind != SampleKind::F32 && kind != SampleKind::S32;
    for (size_t i = 0; i < count; ++i) {
        int64_t v = src[i];
        if (dither) {
            v += m_dither.Next(f.wBitsPerSample);
            // Kept within int32 when clamping is on; without it the value wraps as it would.
            if (m_clipper.Enabled()) {
                v = std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
            }
        }
        CSampleCodec::EncodeOne(kind, m_clipper.Clamp(static_cast<int32_t>(v)), dest + i * bps);
    }
}

// --- format and files ---------------------------------------------------------

void CWaveFile::SetFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    m_format = MakeWaveFormat(tag, channels, rate, bits);
    m_kind = CSampleCodec::KindOf(m_format);
    m_clipper.ResetLimits();
}

uint32_t CWaveFile::AlignToFrame(uint32_t position) const {
    const uint32_t frame = m_format.nBlockAlign;
    return frame == 0 ? position : position - position % frame;
}

int CWaveFile::ReportFileError(int code, const std::string* fileName) {
    if (code == kFileOk) return code;
    ShowMessage(FileErrorMessage(code), MsgIcon::Stop, MsgButtons::Ok, fileName ? *fileName : std::string());
    return code;
}

int CWaveFile::RenameFile(const std::string& source, const std::string& destination) {
    const int err = MoveFileNoReplace(source, destination);
    if (err == 0) return 0;
    Services().MessageBox(std::strerror(err), kRenameCaption, MsgIcon::Information, MsgButtons::Ok);
    return 1;
}

int CWaveFile::FileTypeOf(const std::string& fileName) {
    return CWaveProbe::TypeOf(fileName);
}

int CWaveFile::FileInfo(const std::string& fileName, WaveFileInfo& info, bool quiet) {
    const int rc = CWaveProbe::Describe(fileName, info);
    if (rc != kFileOk && !quiet) ReportFileError(rc, fileName);
    return rc;
}

int CWaveFile::ConvertToPcm(const std::string& source, std::string& destination) {
    ICodecRegistry* codecs = CodecRegistry();
    if (!codecs) return -1;
    if (PathExists(destination)) destination = NumberedVariant(destination);
    const size_t readBytes = size_t{m_window.BlockLength()} * 4;
    int rc = codecs->DecodeToWave(source, destination, readBytes);
    if (rc == kErrCannotWrite) {
        destination = NumberedVariant(destination);
        rc = codecs->DecodeToWave(source, destination, readBytes);
    }
    return rc == kErrCannotWrite ? -1 : rc;
}
