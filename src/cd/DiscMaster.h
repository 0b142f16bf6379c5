// CDiscMaster: the Redbook disc master. It lists the recorders (the machine's
// CD writers, then the disc image recorder), makes one of them active, stages
// audio tracks on it with the checks a disc needs (one track open at a time,
// at least 3 seconds, no more than the disc holds) and records the disc.
// Interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cd/DiscRecorder.h"
#include "cd/ImageRecorder.h"

class CDiscMaster {
public:
    // withDrives: also list the machine's writers (libburn); tempFolder holds their staged tracks.
    CDiscMaster(bool withDrives, const std::string& tempFolder);
    ~CDiscMaster();

    size_t Count() const { return m_recorders.size(); }
    IDiscRecorder& Recorder(size_t i) { return *m_recorders[i]; }
    // The always-present image recorder (the last one).
    CImageRecorder& ImageRecorder() { return *m_image; }
    // Puts a recorder in front of the image recorder (tests use scripted ones).
    void AddRecorder(std::unique_ptr<IDiscRecorder> recorder);

    // Makes recorder index the one tracks are staged on; reads its free blocks. Clears what was staged.
    uint32_t SetActiveDiscRecorder(size_t index);
    uint32_t GetAudioBlockSize() const { return kRedbookBlockBytes; }
    uint32_t CreateAudioTrack(uint32_t blocks);
    // bytes: whole blocks.
    uint32_t AddAudioTrackBlocks(const uint8_t* data, size_t bytes);
    uint32_t CloseAudioTrack();
    uint32_t RecordDisc(bool simulate, bool ejectAfter);
    // Drops everything staged.
    void ClearFormatContent();

private:
    std::vector<std::unique_ptr<IDiscRecorder>> m_recorders;
    CImageRecorder* m_image = nullptr;
    IDiscRecorder* m_active = nullptr;
    uint32_t m_freeBlocks = 0;
    uint32_t m_stagedBlocks = 0;
    bool m_trackOpen = false;
};
