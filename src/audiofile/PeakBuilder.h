// CPeakBuilder: builds (or updates) a wave's peak file from its audio. The
// range asked for is widened by a group on each side and read in large chunks
// (16-bit PCM straight from the file's bytes, other formats through the
// wave's sample conversion); the values land where a full build would put
// them.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/DividerBlock.h"
#include "audiofile/JobProgress.h"
#include "audiofile/PeakScanner.h"

class CWaveFile;

class CPeakBuilder {
public:
    // Writes the peak file peakPath for audio bytes [first, last] of wave (last 0 = to the end) with
    // the given dividers (null: none). The wave is reopened for reading and closed at the end; progress
    // hears of every percent of the peaks phase (its answer is not asked for: a build always finishes).
    // 0, -1 when the peak file cannot be written, or the wave's file error code. A wave shorter than its
    // header gets a complete file padded with zeros and results.shortWave.
    static int Build(CWaveFile& wave, const std::string& peakPath, uint32_t first, uint32_t last,
                     const DividerBlock* dividers, uint32_t count, PeakResults& results,
                     const JobProgress& progress = {});
};
