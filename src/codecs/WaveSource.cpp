#include "codecs/WaveSource.h"

#include <algorithm>

bool CWaveSource::NextRaw(const int32_t*& first, const int32_t*& end) {
    const int64_t got = m_wave.ReadSamples(kBlockSamples);
    if (got < 0) m_failed = true;
    if (got <= 0) return false;
    m_readBytes += static_cast<uint64_t>(got);
    first = m_wave.ReadCursor();
    end = m_wave.EndCursor();
    return end > first;
}

bool CWaveSource::Next16(std::vector<int16_t>& out) {
    const int32_t* first = nullptr;
    const int32_t* end = nullptr;
    if (!NextRaw(first, end)) return false;
    out.resize(static_cast<size_t>(end - first));
    std::transform(first, end, out.begin(),
                   [](int32_t v) { return static_cast<int16_t>(std::clamp((v + 128) >> 8, -32768, 32767)); });
    return true;
}

bool CWaveSource::Next24(std::vector<int32_t>& out) {
    const int32_t* first = nullptr;
    const int32_t* end = nullptr;
    if (!NextRaw(first, end)) return false;
    out.assign(first, end);
    return true;
}

int CWaveSource::Percent() const {
    const uint64_t total = m_wave.DataLength();
    return total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(100, m_readBytes * 100 / total));
}
