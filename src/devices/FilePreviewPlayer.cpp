#include "devices/FilePreviewPlayer.h"

#include <limits>
#include <utility>

#include "base/Services.h"

CFilePreviewPlayer::CFilePreviewPlayer(std::string path) : m_path(std::move(path)) {}

CFilePreviewPlayer::~CFilePreviewPlayer() {
    Stop();
}

bool CFilePreviewPlayer::StartStream(CWaveFile& block, const WAVEFORMATEX& format, uint32_t lengthBytes) {
    Stop();
    ForgetStream();
    WAVEFORMATEX fmt = format;
    m_result = m_file.OpenWrite(m_path, fmt, kWriteCreate);
    if (m_result == kFileOk) m_result = m_file.PrepareDirectWrite();
    if (m_result != kFileOk) {
        m_file.Close();
        return false;
    }
    m_open = true;
    m_file.SetOutputMode(kOutFile);
    // A looping preview may run long; it ends at the WAV size limit rather than spilling into part files.
    m_file.SetPartLimit(std::numeric_limits<uint64_t>::max());
    block.SetOutputMode(kOutBlock);
    block.SetBlockConsumer(this);
    m_block = &block;
    m_length = lengthBytes;
    m_position = 0;
    m_state = kPlayerPlaying;
    return true;
}

bool CFilePreviewPlayer::TakeBlock(const int32_t* samples, size_t count) {
    if (m_state != kPlayerPlaying || !m_open || (!samples && count > 0)) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!m_file.PutSample(samples[i])) {
            if (m_result == kFileOk && !CancelFlag().load()) m_result = kErrWrite;
            return false;
        }
    }
    m_position += uint64_t{count} * static_cast<uint64_t>(m_file.BytesPerSample());
    return true;
}

void CFilePreviewPlayer::Stop() {
    if (m_open) {
        const int rc = m_file.FinishDirectWrite();
        if (m_result == kFileOk) m_result = rc;
        m_file.Close();
        m_open = false;
    }
    m_state = kPlayerStopped;
}

void CFilePreviewPlayer::ForgetStream() {
    if (m_block) m_block->SetBlockConsumer(nullptr);
    m_block = nullptr;
}
