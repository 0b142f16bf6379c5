// CPeakFile: the companion ".pkf" file of a wave. It holds the song's track
// dividers and a reduced envelope of the audio (the largest absolute sample of
// every 204 samples of each channel) from which the waveform display and the
// gain functions work without reading the whole wave.
//
// Layout (little-endian): 16-byte identifier, the 26000-byte divider block,
// the u32 divider count, then u16 peak values, channels interleaved. Neither
// the group size nor the wave's format is stored; readers take them from the
// wave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/WaveFormat.h"

class CWaveFile;
class CQueEdit;

// What a peak build found in the audio it read.
struct PeakResults {
    uint32_t maxPeak = 0;         // largest group maximum, 24-bit scale
    uint32_t minPeak = 0x7FFF00;  // smallest group maximum, 24-bit scale
    double rms = 0.0;             // RMS level, 24-bit scale (a stereo frame counts (L² + R²) / 2)
};

class CPeakFile {
public:
    static constexpr uint32_t kSamplesPerPeak = 204;  // samples of one channel per peak value
    static constexpr uint32_t kBlockOffset = 16;      // file offset of the divider block
    static constexpr uint32_t kCountOffset = 26016;   // file offset of the divider count
    static constexpr uint32_t kHeaderBytes = 26020;   // file offset of the first peak value
    static const uint8_t kIdentifier[16];

    // The streaming peak computation over internal samples, independent of files.
    class Scanner {
    public:
        // channels: 1 or 2 (anything else is treated as 1). Without withRms the RMS result
        // stays 0 and the scan of 16-bit samples skips the sum of squares.
        explicit Scanner(int channels, uint32_t samplesPerPeak = kSamplesPerPeak, bool withRms = true);
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

    // P(x): the byte offset into the peak values that belongs to audio byte
    // offset x of a wave of format fmt (samplesPerPeak samples per value).
    static uint32_t PeakOffset(uint64_t audioBytes, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak = kSamplesPerPeak);

    // Builds (or updates) the peak file of the wave for audio bytes [first, last]
    // (last 0 = to the end), writing the given dividers (null: none). The wave
    // is reopened for reading and closed at the end. 0, -1 when the peak file
    // cannot be written (the caller shows 1414), or the wave's file error code.
    static int BuildPeakFile(CWaveFile& wave, uint32_t first, uint32_t last, const DividerBlock* dividers,
                             uint32_t count, PeakResults& results);

    // Writes the whole peak file of the wave at wavePath from values already computed over all
    // of its audio (a Scanner's output after Finish), with the given dividers (null: none); the
    // file is the one BuildPeakFile(wave, 0, 0, ...) writes. 0, or -1 when it cannot be written.
    static int WritePeakFile(const std::string& wavePath, const std::vector<uint16_t>& values,
                             const DividerBlock* dividers, uint32_t count);

    // Rewrites the identifier, divider block and count of an existing peak file;
    // the peak values stay untouched. False when the file is missing, unwritable
    // or of another format (message 217).
    static bool WriteDividers(const std::string& wavePath, const DividerBlock& dividers, uint32_t count);

    // Reads the dividers of the wave's peak file. False when it cannot be read or
    // has another identifier (message 217 unless quiet). A count above 100 reads as 100.
    static bool ReadDividers(const std::string& wavePath, DividerBlock& dividers, uint32_t& count, bool quiet = false);

    // True when the peak file exists and the wave was not modified after it.
    static bool PeakFileIsCurrent(const std::string& wavePath, const std::string& peakPath);

    // Loads a session step's dividers and peak data (step.peaks) from its
    // file's peak file, building that first when it is not current.
    // samplesPerPeak is the group size. False (message 1414) on failure.
    static bool LoadStepPeaks(CQueEdit& step, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak = kSamplesPerPeak);
};
