#include "cd/ImageRecorder.h"

#include <cstdio>

#include "audiofile/FileNames.h"

CImageRecorder::CImageRecorder(std::string cuePath) : m_cuePath(std::move(cuePath)) {}

CImageRecorder::~CImageRecorder() {
    ClearStaged();
}

std::string CImageRecorder::BinPathFor(const std::string& cuePath) {
    return ReplaceExtension(cuePath, ".bin");
}

std::string CImageRecorder::DisplayName() const {
    return LoadString(kMsgImageRecorder);
}

uint32_t CImageRecorder::QueryMedia(DiscMedia& media) {
    media = {};
    media.type = kMediaNone;
    media.flags = kMediaBlank | kMediaWritable;
    uint32_t used = 0;
    for (uint32_t b : m_trackBlocks) used += b;
    media.freeBlocks = kCdrBlocks80Min - used;
    return kDiscOk;
}

uint32_t CImageRecorder::BeginTrack(uint32_t blocks) {
    if (m_cuePath.empty()) return kDiscCannotOpen;
    if (!m_staging) {
        m_staging = std::fopen(StagingPath().c_str(), "wb");
        if (!m_staging) return kDiscCannotOpen;
        // Blocks come ten at a time; a larger buffer keeps the writes few.
        std::setvbuf(m_staging, nullptr, _IOFBF, 1 << 20);
    }
    m_trackBlocks.push_back(blocks);
    m_trackBytes = 0;
    return kDiscOk;
}

uint32_t CImageRecorder::AddBlocks(const uint8_t* data, size_t bytes) {
    if (!m_staging) return kDiscTrackNotOpen;
    if (std::fwrite(data, 1, bytes, m_staging) != bytes) return kDiscFailed;
    m_trackBytes += bytes;
    return kDiscOk;
}

uint32_t CImageRecorder::EndTrack() {
    // A track given fewer blocks than it announced is padded with silence, as a disc would be.
    const uint64_t want = static_cast<uint64_t>(m_trackBlocks.back()) * kRedbookBlockBytes;
    static const uint8_t zeros[kRedbookBlockBytes] = {};
    while (m_trackBytes < want) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(want - m_trackBytes, sizeof zeros));
        if (std::fwrite(zeros, 1, n, m_staging) != n) return kDiscFailed;
        m_trackBytes += n;
    }
    return kDiscOk;
}

uint32_t CImageRecorder::Record(bool simulate, bool /*eject*/) {
    if (!m_staging || m_trackBlocks.empty()) return kDiscFailed;
    if (simulate) {
        ClearStaged();
        return kDiscOk;
    }
    // Not synced: like a plain copy, the image reaches the disk when the system writes it back.
    const bool flushed = std::fflush(m_staging) == 0;
    const bool closed = std::fclose(m_staging) == 0;
    m_staging = nullptr;
    const std::string bin = BinPathFor(m_cuePath);
    std::string cue = "FILE \"" + FileNameOf(bin) + "\" BINARY\n";
    uint64_t offset = 0;
    for (size_t i = 0; i < m_trackBlocks.size(); ++i) {
        char lines[96];
        std::snprintf(lines, sizeof lines, "  TRACK %02zu AUDIO\n    INDEX 01 %02u:%02u:%02u\n", i + 1,
                      static_cast<unsigned>(offset / 4500), static_cast<unsigned>(offset / 75 % 60),
                      static_cast<unsigned>(offset % 75));
        cue += lines;
        offset += m_trackBlocks[i];
    }
    const std::string cueTemp = m_cuePath + ".part";
    std::FILE* f = std::fopen(cueTemp.c_str(), "wb");
    bool ok = flushed && closed && f;
    if (f) {
        ok = std::fwrite(cue.data(), 1, cue.size(), f) == cue.size() && ok;
        ok = std::fclose(f) == 0 && ok;
    }
    ok = ok && std::rename(StagingPath().c_str(), bin.c_str()) == 0 &&
         std::rename(cueTemp.c_str(), m_cuePath.c_str()) == 0;
    std::remove(cueTemp.c_str());
    ClearStaged();
    return ok ? kDiscOk : kDiscFailed;
}

void CImageRecorder::ClearStaged() {
    if (m_staging) {
        std::fclose(m_staging);
        m_staging = nullptr;
    }
    if (!m_cuePath.empty()) std::remove(StagingPath().c_str());
    m_trackBlocks.clear();
    m_trackBytes = 0;
}
