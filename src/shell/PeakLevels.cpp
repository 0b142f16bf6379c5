#include "shell/PeakLevels.h"

#include <algorithm>

#include "audiofile/EditQueue.h"
#include "audiofile/PeakFile.h"

namespace {

uint32_t FrameBytesOf(const WAVEFORMATEX& fmt) {
    return std::max<uint32_t>(1, static_cast<uint32_t>(BytesPerSampleOf(fmt)) * std::max<uint16_t>(1, fmt.nChannels));
}

}  // namespace

void CPeakLevels::Clear() {
    m_levels.clear();
    m_length = 0;
}

bool CPeakLevels::Load(CEditQueue& session, const WAVEFORMATEX& fmt, uint32_t length) {
    Clear();
    const int channels = std::clamp<int>(fmt.nChannels, 1, 2);
    const uint64_t perValue = static_cast<uint64_t>(CPeakFile::kSamplesPerPeak) * FrameBytesOf(fmt);
    const uint64_t values = (length + perValue - 1) / perValue * static_cast<uint64_t>(channels);
    if (length == 0 || !session.SeekPeaks(0)) return false;
    std::vector<uint16_t> interleaved(values);
    uint64_t got = 0;
    while (got < values) {
        const uint32_t n = session.ReadPeaks(interleaved.data() + got,
                                             static_cast<uint32_t>(std::min<uint64_t>(values - got, 1 << 20)));
        if (n == 0) break;
        got += n;
    }
    // A stream whose last group was too short for a value reads as silence there.
    Assign(interleaved, fmt, length);
    return got > 0;
}

void CPeakLevels::Assign(const std::vector<uint16_t>& interleaved, const WAVEFORMATEX& fmt, uint32_t length) {
    Clear();
    const size_t channels = static_cast<size_t>(std::clamp<int>(fmt.nChannels, 1, 2));
    m_length = length;
    m_bytesPerValue = CPeakFile::kSamplesPerPeak * FrameBytesOf(fmt);
    m_levels.assign(channels, {});
    for (size_t c = 0; c < channels; ++c) {
        std::vector<uint16_t> level(interleaved.size() / channels);
        for (size_t i = 0; i < level.size(); ++i) level[i] = interleaved[i * channels + c];
        m_levels[c].push_back(std::move(level));
    }
    BuildPyramid();
}

void CPeakLevels::BuildPyramid() {
    for (auto& levels : m_levels) {
        while (levels.back().size() > 1) {
            const std::vector<uint16_t>& below = levels.back();
            std::vector<uint16_t> above((below.size() + 1) / 2);
            for (size_t i = 0; i < above.size(); ++i) {
                above[i] = std::max(below[2 * i], 2 * i + 1 < below.size() ? below[2 * i + 1] : uint16_t(0));
            }
            levels.push_back(std::move(above));
        }
    }
}

uint32_t CPeakLevels::Peak(int channel, uint64_t a, uint64_t b) const {
    if (Empty() || channel < 0 || channel >= Channels()) return 0;
    const auto& levels = m_levels[static_cast<size_t>(channel)];
    const uint64_t size = levels[0].size();
    uint64_t lo = a / m_bytesPerValue;
    uint64_t hi = std::max(lo + 1, (b + m_bytesPerValue - 1) / m_bytesPerValue);
    hi = std::min(hi, size);
    uint16_t peak = 0;
    // Bottom-up over the pyramid: the odd ends at each level, then the level above.
    for (size_t k = 0; lo < hi && k < levels.size(); ++k, lo >>= 1, hi >>= 1) {
        if (lo & 1) peak = std::max(peak, levels[k][lo++]);
        if (hi & 1) peak = std::max(peak, levels[k][--hi]);
    }
    return static_cast<uint32_t>(peak) << 8;
}

void CPeakLevels::Columns(int channel, double first, double bytesPerColumn, std::vector<uint32_t>& out) const {
    for (size_t i = 0; i < out.size(); ++i) {
        const double a = first + static_cast<double>(i) * bytesPerColumn;
        const double b = a + bytesPerColumn;
        out[i] = a < 0 || a >= m_length ? 0 : Peak(channel, static_cast<uint64_t>(a), static_cast<uint64_t>(b));
    }
}
