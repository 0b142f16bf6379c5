#include "cd/DiscMaster.h"

#include "cd/BurnRecorder.h"

MsgId DiscResultMessage(uint32_t code) {
    switch (code) {
        case kDiscOk:
            return kMsgNoError;
        case kDiscCannotOpen:
            return kMsgCannotOpenWriter;
        case kDiscNoMedia:
            return kMsgNoBlankCd;
        case kDiscRemoved:
            return kMsgRecorderRemoved;
        case kDiscTrackNotOpen:
            return kMsgTrackNotOpen;
        case kDiscTrackOpen:
            return kMsgTrackAlreadyOpen;
        case kDiscFull:
            return kMsgDiscFull;
        case kDiscNoRedbook:
            return kMsgNoRedbook;
        case kDiscInUse:
            return kMsgWriterInUse;
        case kDiscTrackTooShort:
            return kMsgTrackTooShort;
        default:
            return kMsgUnknownWriteError;
    }
}

CDiscMaster::CDiscMaster(bool withDrives, const std::string& tempFolder) {
    if (withDrives) m_recorders = CBurnRecorder::Scan(tempFolder);
    auto image = std::make_unique<CImageRecorder>();
    m_image = image.get();
    m_recorders.push_back(std::move(image));
}

CDiscMaster::~CDiscMaster() {
    ClearFormatContent();
}

void CDiscMaster::AddRecorder(std::unique_ptr<IDiscRecorder> recorder) {
    m_recorders.insert(m_recorders.end() - 1, std::move(recorder));
}

uint32_t CDiscMaster::SetActiveDiscRecorder(size_t index) {
    ClearFormatContent();
    m_active = nullptr;
    if (index >= m_recorders.size()) return kDiscRemoved;
    IDiscRecorder& r = *m_recorders[index];
    uint32_t rc = r.OpenExclusive();
    if (rc != kDiscOk) return rc;
    DiscMedia media;
    rc = r.QueryMedia(media);
    r.Close();
    if (rc != kDiscOk) return rc;
    if (media.type == kMediaNone && media.flags == 0) return kDiscNoMedia;
    m_active = &r;
    m_freeBlocks = media.freeBlocks;
    return kDiscOk;
}

uint32_t CDiscMaster::CreateAudioTrack(uint32_t blocks) {
    if (!m_active) return kDiscRemoved;
    if (m_trackOpen) return kDiscTrackOpen;
    if (blocks < kMinTrackBlocks) return kDiscTrackTooShort;
    if (blocks > m_freeBlocks - m_stagedBlocks) return kDiscFull;
    const uint32_t rc = m_active->BeginTrack(blocks);
    if (rc != kDiscOk) return rc;
    m_stagedBlocks += blocks;
    m_trackOpen = true;
    return kDiscOk;
}

uint32_t CDiscMaster::AddAudioTrackBlocks(const uint8_t* data, size_t bytes) {
    if (!m_trackOpen) return kDiscTrackNotOpen;
    if (bytes % kRedbookBlockBytes != 0) return kDiscFailed;
    return m_active->AddBlocks(data, bytes);
}

uint32_t CDiscMaster::CloseAudioTrack() {
    if (!m_trackOpen) return kDiscTrackNotOpen;
    m_trackOpen = false;
    return m_active->EndTrack();
}

uint32_t CDiscMaster::RecordDisc(bool simulate, bool ejectAfter) {
    if (!m_active) return kDiscRemoved;
    if (m_trackOpen) return kDiscTrackOpen;
    const uint32_t rc = m_active->Record(simulate, ejectAfter);
    m_stagedBlocks = 0;
    return rc;
}

void CDiscMaster::ClearFormatContent() {
    if (m_active) m_active->ClearStaged();
    m_stagedBlocks = 0;
    m_trackOpen = false;
}
