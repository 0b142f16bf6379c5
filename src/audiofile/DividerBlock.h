// The track dividers of a song: 100 records of a byte position and a
// 256-byte zero-terminated name, 26000 bytes as stored in peak files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

inline constexpr int kMaxDividers = 100;
inline constexpr int kDividerNameBytes = 256;

#pragma pack(push, 1)
struct DividerRecord {
    uint32_t position = 0;                // byte offset into the audio data, a whole frame
    char name[kDividerNameBytes] = {};    // zero-terminated track name
};

struct DividerBlock {
    DividerRecord records[kMaxDividers];

    // The song's stage status flags ('1' = done) sit inside the last record's
    // name; the seven bytes after them are carried along unchanged.
    static constexpr size_t kStatusOffset = 25744;
    static constexpr size_t kStatusBytes = 3;
    static constexpr size_t kCarriedBytes = 10;  // status flags and the seven bytes after them

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this); }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(this); }

    // status: 0 = Clean, 1 = Enhance, 2 = Final Touches. Done is the character '1', not done '0'.
    bool StatusDone(int status) const { return Bytes()[kStatusOffset + status] == '1'; }
    void SetStatusDone(int status, bool done) { Bytes()[kStatusOffset + status] = done ? '1' : '0'; }

    std::string Name(int i) const { return std::string(records[i].name, strnlen(records[i].name, kDividerNameBytes)); }
    void SetName(int i, const std::string& name) {
        std::memset(records[i].name, 0, kDividerNameBytes);
        std::memcpy(records[i].name, name.data(), name.size() < kDividerNameBytes ? name.size() : kDividerNameBytes - 1);
    }

    // What a processing step copies from the current step: the first count
    // records and the ten bytes from the status flags on.
    void CopyForStep(const DividerBlock& from, uint32_t count) {
        if (count > kMaxDividers) count = kMaxDividers;
        std::memcpy(records, from.records, count * sizeof(DividerRecord));
        std::memcpy(Bytes() + kStatusOffset, from.Bytes() + kStatusOffset, kCarriedBytes);
    }
};
#pragma pack(pop)
static_assert(sizeof(DividerRecord) == 260);
static_assert(sizeof(DividerBlock) == 26000);
