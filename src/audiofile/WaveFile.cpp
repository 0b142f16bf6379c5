#include "audiofile/WaveFile.h"

struct CWaveFile::Impl {};

CWaveFile::CWaveFile(uint32_t blockLength, uint32_t historyCapacity)
    : m_blockLength(blockLength), m_historyCapacity(historyCapacity), m_session(std::make_unique<CEditQueue>()) {}
CWaveFile::~CWaveFile() = default;
