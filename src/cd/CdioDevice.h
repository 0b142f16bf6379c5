// CCdioDevice: an audio CD in a drive, or a CUE/BIN or TOC/BIN image, read
// through libcdio. With jitter correction the frames come through libcdio's
// paranoia layer, which overlaps reads and verifies them.
#pragma once

#include <memory>
#include <string>

#include "cd/CdDevice.h"

class CCdioDevice : public ICdDevice {
public:
    CCdioDevice();
    ~CCdioDevice() override;
    CCdioDevice(const CCdioDevice&) = delete;
    CCdioDevice& operator=(const CCdioDevice&) = delete;

    // source: a drive's device path or an image's ".cue"/".toc" file. False (LastError set) when it cannot be opened.
    bool Open(const std::string& source, bool jitterCorrection);
    void Close();

    bool ReadToc(CCdToc& toc) override;
    int ReadAudio(int32_t lsn, uint32_t frames, uint8_t* buffer) override;
    std::string LastError() const override { return m_error; }

    // "Vendor Model" of an opened drive; empty for images or when the drive does not say.
    std::string HardwareName() const;

private:
    bool StartParanoia();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_error;
};
