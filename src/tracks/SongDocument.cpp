#include "tracks/SongDocument.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "devices/TrackPlayer.h"
#include "processing/FileReports.h"
#include "processing/FilterRunner.h"

CSongDocument::CSongDocument()
    : m_wave(std::make_unique<CWaveFile>(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory)) {}

CSongDocument::~CSongDocument() {
    if (m_open) m_wave->Close();
}

std::string CSongDocument::Title() const {
    return FileTitle(m_path);
}

int CSongDocument::Open(const std::string& path, bool sessionMode) {
    if (m_open) Close(false, false);
    // A fresh wave object, so that no session of an earlier song is carried over.
    m_wave = std::make_unique<CWaveFile>(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    m_wave->SetSessionMode(sessionMode);
    m_wave->Session().SetTempPath(CFilterRunner::TempFolder());
    UseWindowFor(m_wave->Session());
    const int rc = ReportOpening(*m_wave, m_wave->OpenRead(path, kOpenRead), path);
    if (rc != kFileOk) return rc;
    m_path = path;
    m_sessionMode = sessionMode;
    m_dataLength = m_wave->DataLength();
    m_wave->Close();
    m_open = true;
    m_modified = false;
    m_selectedDivider = -1;
    LoadDividers();
    SelectAll();
    return kFileOk;
}

bool CSongDocument::LoadDividers() {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    if (m_sessionMode) {
        m_wave->Session().GetDividers(*block, count);
        m_dividers.Assign(*block, count);
        return true;
    }
    // Plain mode: the wave's own peak file, built (keeping the dividers it has) when missing or stale.
    const std::string peaks = PeakFileName(m_path);
    bool have = CPeakFile::ReadDividers(m_path, *block, count);
    if (!have || !CPeakFile::PeakFileIsCurrent(m_path, peaks)) {
        if (!have) count = 0;
        PeakResults results;
        if (CPeakFile::BuildPeakFile(*m_wave, 0, 0, block.get(), count, results, ProgressInWindow()) != 0) {
            m_dividers.Assign(*block, count);
            return false;
        }
        if (results.shortWave) ReportFileFaults({{FaultKind::kSizeInconsistent, m_path}});
        m_wave->Close();
    }
    m_dividers.Assign(*block, count);
    return true;
}

bool CSongDocument::Close(bool commit, bool discardSession) {
    if (!m_open) return true;
    bool ok = true;
    m_wave->Close();
    if (m_sessionMode) {
        CEditQueue& session = m_wave->Session();
        if (commit && m_modified) ok = CommitInWindow(session, m_path);
        // A failed commit keeps the session and its files for the next try.
        if (discardSession && ok) session.DiscardSession(false);
    }
    if (!ok) return false;
    m_open = false;
    m_modified = false;
    return true;
}

uint32_t CSongDocument::BytesPerSecond() const {
    const WAVEFORMATEX& f = Format();
    return static_cast<uint32_t>(BytesPerSampleOf(f)) * f.nChannels * f.nSamplesPerSec;
}

uint32_t CSongDocument::MsToBytes(uint32_t ms) const {
    const double bytes = std::floor(static_cast<double>(BytesPerSecond()) * ms * 0.001);
    return bytes >= UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes);
}

bool CSongDocument::Refresh(bool reloadDividers) {
    if (!m_open) return false;
    if (m_wave->Reopen(kOpenRead) != kFileOk) return false;
    m_dataLength = m_wave->DataLength();
    m_wave->Close();
    if (reloadDividers) LoadDividers();
    Select(m_selStart, m_selEnd);
    return true;
}

bool CSongDocument::SaveDividers() {
    if (!m_open) return false;
    if (m_sessionMode) {
        m_wave->Session().SetDividers(m_dividers.Block(), static_cast<uint32_t>(m_dividers.Count()));
        ReportFileFaults(m_wave->Session().TakeFaults());
        return true;
    }
    bool oldFormat = false;
    const bool written =
        CPeakFile::WriteDividers(m_path, m_dividers.Block(), static_cast<uint32_t>(m_dividers.Count()), &oldFormat);
    if (oldFormat) ReportFileFaults({{FaultKind::kOldPeakFile, m_path}});
    return written;
}

void CSongDocument::Select(uint32_t start, uint32_t end) {
    if (start > end) std::swap(start, end);
    m_selStart = std::min(start, m_dataLength);
    m_selEnd = std::min(end, m_dataLength);
}

void CSongDocument::SelectTrackAround(uint32_t x) {
    uint32_t start = 0;
    uint32_t end = 0;
    m_dividers.TrackAround(x, m_dataLength, start, end);
    Select(start, end);
}

bool CSongDocument::PlayRange(uint32_t start, uint32_t end) {
    if (!m_open || !m_player) return false;
    start = m_wave->AlignToFrame(std::min(start, m_dataLength));
    end = m_wave->AlignToFrame(std::min(end, m_dataLength));
    if (start >= end) return false;
    return m_player->PlayRange(*m_wave, start, end);
}
