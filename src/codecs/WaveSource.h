// A finished song's wave read block by block for an encoder, with the
// position for the progress window and the cancel flag looked at per block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/WaveFile.h"

class CWaveSource {
public:
    static constexpr uint32_t kBlockSamples = 16384;

    CWaveSource() : m_wave(kBlockSamples, 0) {}
    // 0, or the wave's file error code.
    int Open(const std::string& path) { return m_wave.OpenRead(path); }
    const WAVEFORMATEX& Format() const { return m_wave.Format(); }
    uint64_t TotalFrames() const { return m_wave.DataLength() / m_wave.Format().nBlockAlign; }

    // The next block as 16-bit samples (rounded, clamped); false at the end or on a read error.
    bool Next16(std::vector<int16_t>& out);
    // The next block on the 24-bit scale; false at the end or on a read error.
    bool Next24(std::vector<int32_t>& out);
    bool Failed() const { return m_failed; }
    // 0..100 of the data read so far.
    int Percent() const;

private:
    bool NextRaw(const int32_t*& first, const int32_t*& end);

    CWaveFile m_wave;
    uint64_t m_readBytes = 0;
    bool m_failed = false;
};
