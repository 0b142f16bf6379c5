// CImageRecorder: the "Disc image (CUE/BIN)" recorder, always present. It
// acts like a blank 80-minute CD-R in a drive of its own and records the disc
// as a CUE sheet with one BIN file of raw little-endian audio beside it. The
// BIN is staged next to its final name and renamed when recorded.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cd/DiscRecorder.h"

class CImageRecorder : public IDiscRecorder {
public:
    // cuePath: where Record writes the CUE sheet; the BIN takes its name with ".bin".
    explicit CImageRecorder(std::string cuePath = {});
    ~CImageRecorder() override;

    void SetOutput(const std::string& cuePath) { m_cuePath = cuePath; }
    const std::string& Output() const { return m_cuePath; }
    // The BIN file that goes with a CUE sheet path.
    static std::string BinPathFor(const std::string& cuePath);

    std::string DisplayName() const override;
    uint32_t OpenExclusive() override { return kDiscOk; }
    uint32_t QueryMedia(DiscMedia& media) override;
    uint32_t Erase() override { return kDiscOk; }
    void Close() override {}

    uint32_t BeginTrack(uint32_t blocks) override;
    uint32_t AddBlocks(const uint8_t* data, size_t bytes) override;
    uint32_t EndTrack() override;
    uint32_t Record(bool simulate, bool eject) override;
    void ClearStaged() override;

private:
    std::string StagingPath() const { return BinPathFor(m_cuePath) + ".part"; }

    std::string m_cuePath;
    std::FILE* m_staging = nullptr;
    std::vector<uint32_t> m_trackBlocks;  // blocks of each staged track
    uint64_t m_trackBytes = 0;            // bytes given to the open track
};
