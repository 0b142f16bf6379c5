// CPeakScanner: the streaming peak computation over internal samples,
// independent of files. For every group of 204 samples of each channel it
// emits the group's largest absolute sample, shifted right by 8 (so 0 to
// 32768); the sample that ends a group also starts the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What a peak scan (or a peak file build) found in the audio it read.
struct PeakResults {
    uint32_t maxPeak = 0;         // largest group maximum, 24-bit scale
    uint32_t minPeak = 0x7FFF00;  // smallest group maximum, 24-bit scale
    double rms = 0.0;             // RMS level, 24-bit scale (a stereo frame counts (L² + R²) / 2)
    bool shortWave = false;       // a build found less audio than the header claims and padded with zeros
};

class CPeakScanner {
public:
    static constexpr uint32_t kSamplesPerPeak = 204;  // samples of one channel per peak value

    // channels: 1 or 2 (anything else is treated as 1). Without withRms the RMS result
    // stays 0 and the scan of 16-bit samples skips the sum of squares.
    explicit CPeakScanner(int channels, uint32_t samplesPerPeak = kSamplesPerPeak, bool withRms = true);
    // Feeds interleaved samples (count in samples, whole frames); appends the values of finished groups.
    void Add(const int32_t* samples, size_t count, std::vector<uint16_t>& out);
    // The same for 16-bit file samples (the internal value is the sample shifted left by 8).
    void Add16(const int16_t* samples, size_t count, std::vector<uint16_t>& out);
    // Emits the last, partial group when it holds at least half a group of frames.
    void Finish(std::vector<uint16_t>& out);
    // The results so far (RMS over the frames fed).
    PeakResults Results() const;
    uint64_t Frames() const { return m_frames; }

private:
    template <typename Sample>
    void AddFrames(const Sample* samples, size_t count, std::vector<uint16_t>& out);
    void Emit(uint32_t left, uint32_t right, std::vector<uint16_t>& out);

    int m_channels;
    uint32_t m_groupSize;
    bool m_withRms;
    uint32_t m_counter = 0;
    uint32_t m_maxLeft = 0;
    uint32_t m_maxRight = 0;
    uint64_t m_frames = 0;
    double m_sumSquares = 0.0;
    PeakResults m_results;
};
