// CBurnRecorder: a CD writer of the machine, driven through libburn. Tracks
// are staged as raw audio files in the temporary folder and written
// disc-at-once when recorded. CBurnRecorder::Scan lists the writers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cd/DiscRecorder.h"

class CBurnRecorder : public IDiscRecorder {
public:
    // One recorder per writer libburn finds; tempFolder holds the staged tracks.
    static std::vector<std::unique_ptr<IDiscRecorder>> Scan(const std::string& tempFolder);
    ~CBurnRecorder() override;

    std::string DisplayName() const override { return m_name; }
    uint32_t OpenExclusive() override;
    uint32_t QueryMedia(DiscMedia& media) override;
    uint32_t Erase() override;
    void Close() override;

    uint32_t BeginTrack(uint32_t blocks) override;
    uint32_t AddBlocks(const uint8_t* data, size_t bytes) override;
    uint32_t EndTrack() override;
    uint32_t Record(bool simulate, bool eject) override;
    void ClearStaged() override;

private:
    struct Impl;
    CBurnRecorder(std::string name, std::string address, std::string tempFolder);

    std::string m_name;
    std::string m_address;  // the drive's persistent address, grabbed anew for each operation
    std::string m_tempFolder;
    std::unique_ptr<Impl> m_impl;
};
