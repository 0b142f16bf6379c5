#include "audiofile/SessionReader.h"

bool CSessionReader::Resume(const std::string& fileName, const std::string& loadedName) {
    if (!m_mode || !m_queue.IsValid() || fileName != loadedName) return false;
    m_open = true;
    m_queue.SeekStream(0, 0);
    return true;
}

int CSessionReader::Open(const std::string& fileName, const WAVEFORMATEX& fmt, uint32_t dataBytes) {
    m_open = false;
    if (m_queue.OpenSession(fileName, fmt, dataBytes) != 0) return 1;
    m_open = true;
    return 0;
}

void CSessionReader::Close() {
    if (m_open) m_queue.CloseSegments();
    m_open = false;
}
