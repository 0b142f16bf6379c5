// Test discs: CUE/BIN images with known audio, and a stand-in drive that
// fails or cancels on request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cd/CdDevice.h"

struct ImageTrack {
    uint32_t frames = 0;
    bool audio = true;
};

// Writes dir/name.bin and dir/name.cue with one FILE and these tracks; each track's bytes are a
// pseudo-random pattern seeded by its number. Returns the bytes of each track.
std::vector<std::vector<uint8_t>> MakeCueImage(const std::string& dir, const std::string& name,
                                               const std::vector<ImageTrack>& tracks);

// A drive over a table of contents whose reads a test decides: read(lsn, frames, buffer) returns
// frames read or -1; every call is recorded.
class CScriptedDevice : public ICdDevice {
public:
    using ReadFn = std::function<int(int32_t lsn, uint32_t frames, uint8_t* buffer)>;
    CScriptedDevice(CCdToc toc, ReadFn read) : m_toc(std::move(toc)), m_read(std::move(read)) {}
    bool ReadToc(CCdToc& toc) override {
        toc = m_toc;
        return true;
    }
    int ReadAudio(int32_t lsn, uint32_t frames, uint8_t* buffer) override { return m_read(lsn, frames, buffer); }
    std::string LastError() const override { return "scripted failure"; }

private:
    CCdToc m_toc;
    ReadFn m_read;
};
