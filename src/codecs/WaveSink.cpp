#include "codecs/WaveSink.h"

#include <unistd.h>

#include <utility>

#include "audiofile/FileNames.h"

CWaveSink::CWaveSink(std::string path, Existing existing, uint64_t maxBytes)
    : m_path(std::move(path)), m_existing(existing), m_maxBytes(maxBytes) {}

CWaveSink::~CWaveSink() {
    if (!m_finished) Discard();
}

void CWaveSink::Discard() {
    m_wave.Close();
    if (m_open) ::unlink(m_path.c_str());
    m_open = false;
}

bool CWaveSink::Begin(const WAVEFORMATEX& format) {
    if (m_open) return false;
    WAVEFORMATEX fmt = format;
    const bool taken = m_existing == Existing::Refuse && PathExists(m_path);
    if (taken || m_wave.OpenWrite(m_path, fmt, kWriteCreate) != kFileOk) {
        m_wave.Close();  // a failed creation leaves no file behind
        m_createFailed = true;
        return false;
    }
    m_open = true;
    return true;
}

bool CWaveSink::Write(const void* bytes, size_t count) {
    if (!m_open || m_finished) return false;
    if (count > m_maxBytes - m_written) return false;
    if (m_wave.Write(bytes, static_cast<int64_t>(count)) != static_cast<int64_t>(count)) return false;
    m_written += count;
    return true;
}

int CWaveSink::Finish() {
    if (!m_open) return kErrWrite;
    if (m_wave.FinishWrite() != kFileOk) {
        Discard();
        return kErrWrite;
    }
    m_wave.Close();
    m_finished = true;
    return kFileOk;
}
