// CPeakFile: the companion ".pkf" file of a wave. It holds the song's track
// dividers and a reduced envelope of the audio (the largest absolute sample of
// every 204 samples of each channel) from which the waveform display and the
// gain functions work without reading the whole wave.
//
// Layout (little-endian): 16-byte identifier, the 26000-byte divider block,
// the u32 divider count, then u16 peak values, channels interleaved. Neither
// the group size nor the wave's format is stored; readers take them from the
// wave. Nothing here shows a message: failures come back to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/FileFault.h"
#include "audiofile/JobProgress.h"
#include "audiofile/PeakScanner.h"
#include "audiofile/WaveFormat.h"

class CWaveFile;
class CQueEdit;

class CPeakFile {
public:
    static constexpr uint32_t kSamplesPerPeak = CPeakScanner::kSamplesPerPeak;
    static constexpr uint32_t kBlockOffset = 16;     // file offset of the divider block
    static constexpr uint32_t kCountOffset = 26016;  // file offset of the divider count
    static constexpr uint32_t kHeaderBytes = 26020;  // file offset of the first peak value
    static const uint8_t kIdentifier[16];

    using Scanner = CPeakScanner;

    // P(x): the byte offset into the peak values that belongs to audio byte
    // offset x of a wave of format fmt (samplesPerPeak samples per value).
    static uint32_t PeakOffset(uint64_t audioBytes, const WAVEFORMATEX& fmt, uint32_t samplesPerPeak = kSamplesPerPeak);
    // The alignment unit A of the peak data: the block align, or 6 for 3-byte frames.
    static uint32_t PeakAlign(const WAVEFORMATEX& fmt) { return fmt.nBlockAlign == 3 ? 6u : fmt.nBlockAlign; }

    // Builds (or updates) the peak file of the wave for audio bytes [first, last]
    // (last 0 = to the end), writing the given dividers (null: none); see CPeakBuilder.
    // 0, -1 when the peak file cannot be written (the caller shows 1414), or the wave's file
    // error code; results.shortWave when the wave holds less than its header claims (468).
    static int BuildPeakFile(CWaveFile& wave, uint32_t first, uint32_t last, const DividerBlock* dividers,
                             uint32_t count, PeakResults& results, const JobProgress& progress = {});

    // Writes the whole peak file of the wave at wavePath from values already computed over all
    // of its audio (a Scanner's output after Finish), with the given dividers (null: none); the
    // file is the one BuildPeakFile(wave, 0, 0, ...) writes. 0, or -1 when it cannot be written.
    static int WritePeakFile(const std::string& wavePath, const std::vector<uint16_t>& values,
                             const DividerBlock* dividers, uint32_t count);

    // Rewrites the identifier, divider block and count of an existing peak file (of the wave at
    // wavePath, or the peak file peakPath); the peak values stay untouched. False when the file is
    // missing, unwritable or of another format (then *oldFormat is set: message 217).
    static bool WriteDividers(const std::string& wavePath, const DividerBlock& dividers, uint32_t count,
                              bool* oldFormat = nullptr);
    static bool WriteDividersAt(const std::string& peakPath, const DividerBlock& dividers, uint32_t count,
                                bool* oldFormat = nullptr);

    // Reads the dividers of the wave's peak file. False when it cannot be read or has another
    // identifier (then *oldFormat is set: message 217). A count above 100 reads as 100.
    static bool ReadDividers(const std::string& wavePath, DividerBlock& dividers, uint32_t& count,
                             bool* oldFormat = nullptr);

    // True when the peak file exists and the wave was not modified after it.
    static bool PeakFileIsCurrent(const std::string& wavePath, const std::string& peakPath);

    // Loads a session step's dividers and peak data (step.peaks) from its file's peak file (or
    // from peakPath when given), building that first when it is not current (progress hears of
    // the build). False on failure, with a kNoPeakFile fault in faults; a rebuild of a wave
    // shorter than its header adds kSizeInconsistent and goes on.
    static bool LoadStepPeaks(CQueEdit& step, const WAVEFORMATEX& fmt, FileFaults* faults = nullptr,
                              const std::string& peakPath = {}, const JobProgress& progress = {});

    // --- the file's head, for the builder ----------------------------------------
    enum class HeaderStatus { kOk, kMissing, kShort, kOtherFormat };
    struct FileCloser {
        void operator()(std::FILE* f) const {
            if (f) std::fclose(f);
        }
    };
    using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
    // Identifier, divider block and count of an open peak file positioned at 0.
    static HeaderStatus ReadHeader(std::FILE* f, DividerBlock& block, uint32_t& count);
    // Writes identifier, divider block (zeros for none) and count at f's position.
    static bool WriteHeader(std::FILE* f, const DividerBlock* block, uint32_t count);
    // Writes values little-endian at f's position; writtenBytes grows by what was written. False on a short write.
    static bool WriteValues(std::FILE* f, const std::vector<uint16_t>& values, uint64_t& writtenBytes);
};
