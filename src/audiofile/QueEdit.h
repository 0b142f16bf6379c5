// CQueEdit: one step of a song's session, or one segment of its virtual
// stream (the same record serves both). Positions are bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "audiofile/WaveFormat.h"

// Step types.
inline constexpr uint32_t kStepCut = 0;       // remove [start, end)
inline constexpr uint32_t kStepReplace = 1;   // same-length edit, whole frames, offset 0
inline constexpr uint32_t kStepInsert = 3;    // insert end - start bytes at start
inline constexpr uint32_t kStepFilter = 4;    // replace [start, end) by as many bytes of the step file
inline constexpr uint32_t kStepOriginal = 5;  // the song's own file
inline constexpr uint32_t kStepResize = 7;    // replace [start, end) by the whole step file

class CQueEdit {
public:
    std::string fileName;        // step: file holding its audio; segment: source file
    std::string label;           // stored and reloaded, not interpreted
    uint32_t start = 0;          // first byte of the affected range / of the segment
    uint32_t end = 0;            // end (exclusive)
    uint32_t newEnd = 0;         // end after the step (differs from end only for type 7)
    uint32_t sourceOffset = 0;   // offset of the audio within the file's data
    uint32_t dataOffset = 44;    // file position of the "data" chunk's first byte
    std::shared_ptr<const std::vector<uint8_t>> peaks;  // the step's peak values (shared with its segments)
    WAVEFORMATEX format;         // format of the step's file
    uint32_t type = kStepOriginal;
    std::FILE* handle = nullptr; // segment: open file while the stream reads from it
    uint32_t dividerCount = 0;   // dividers in force after this step
    DividerBlock dividers;       // loaded from the step file's peak file
};
