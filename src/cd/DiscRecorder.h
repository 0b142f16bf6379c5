// What the CD writer needs of a recorder: its name, its disc's media type,
// flags and free blocks, erasing, and the Redbook audio tracks staged block by
// block and then recorded in one go. A libburn drive and the disc image
// recorder implement it; the disc master adds the checks and their codes.
// Interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/StringTable.h"

// Result codes of recorder and disc master operations; 0 is success.
enum DiscResult : uint32_t {
    kDiscOk = 0,
    kDiscCannotOpen = 0x8004020B,
    kDiscNoMedia = 0x8004020F,
    kDiscRemoved = 0x80040213,
    kDiscTrackNotOpen = 0x8004021A,
    kDiscTrackOpen = 0x8004021B,
    kDiscFull = 0x8004021C,
    kDiscNoRedbook = 0x8004021F,
    kDiscInUse = 0x80040225,
    kDiscTrackTooShort = 0x8004022D,
    kDiscFailed = 0x80004005,  // any other failure
};

// The message of a result code: 384 for 0, 166 for codes without a text of their own.
MsgId DiscResultMessage(uint32_t code);

// Media flags.
inline constexpr int kMediaBlank = 1;
inline constexpr int kMediaRewritable = 2;
inline constexpr int kMediaWritable = 4;

// Media types, as shown when no flag is set.
enum MediaType : int {
    kMediaNone = 0,
    kMediaCdda = 1,
    kMediaXa = 2,
    kMediaCdi = 3,
    kMediaExtra = 4,
    kMediaOther = 5,
    kMediaSpecial = 6
};

struct DiscMedia {
    int type = kMediaNone;
    int flags = 0;
    uint32_t freeBlocks = 0;   // blocks of 2352 bytes still writable
    bool hasSessions = false;  // the disc holds recorded data
};

inline constexpr uint32_t kRedbookBlockBytes = 2352;
inline constexpr uint32_t kBlocksPerWrite = 10;
inline constexpr uint32_t kMinTrackBlocks = 225;  // 3 s
inline constexpr uint32_t kCdrBlocks80Min = 360000;

class IDiscRecorder {
public:
    virtual ~IDiscRecorder() = default;
    // Vendor + " " + product.
    virtual std::string DisplayName() const = 0;
    // Opens the recorder for this process alone (queries and erasing need it).
    virtual uint32_t OpenExclusive() = 0;
    virtual uint32_t QueryMedia(DiscMedia& media) = 0;
    // Full erase of a rewritable disc.
    virtual uint32_t Erase() = 0;
    virtual void Close() = 0;

    // Staging: a track of blocks x 2352 bytes, given in whole blocks.
    virtual uint32_t BeginTrack(uint32_t blocks) = 0;
    virtual uint32_t AddBlocks(const uint8_t* data, size_t bytes) = 0;
    virtual uint32_t EndTrack() = 0;
    // Writes what was staged; with simulate nothing is written. The staging is emptied either way.
    virtual uint32_t Record(bool simulate, bool eject) = 0;
    // Drops what was staged.
    virtual void ClearStaged() = 0;
};
