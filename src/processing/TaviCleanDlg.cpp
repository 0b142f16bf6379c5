#include "processing/TaviCleanDlg.h"

#include <algorithm>
#include <memory>

#include "audiofile/FileNames.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "processing/FilterRunner.h"

namespace {

uint8_t Shade(int64_t count) {
    return static_cast<uint8_t>(std::clamp<int64_t>(count, 0, 51) * 5);
}

}  // namespace

CTaviCleanDlg::CTaviCleanDlg(CFilterRunner* runner)
    : CFilterDlg([] { return std::make_unique<CTaviClean>(); }, runner), m_runner(runner) {}

CTaviCleanDlg::~CTaviCleanDlg() = default;

CTaviClean* CTaviCleanDlg::Clean() const {
    CFilter* f = GetFilter();
    return f && f->GetType() == kFilterTaviClean ? static_cast<CTaviClean*>(f) : nullptr;
}

bool CTaviCleanDlg::InitPane(const std::string& songPath, int activityWidth) {
    m_scratch = kScratch.start;
    m_crackle = kCrackle.start;
    m_hiss = kHiss.start;
    m_hum = 0;
    if (!OnInitDialog()) return false;
    m_songPath = songPath;
    m_songName = FileTitle(songPath);
    m_scrollStep = std::max(activityWidth, 0) / 40;
    m_timer = true;
    LoadControls();
    return true;
}

bool CTaviCleanDlg::ValidateControls() {
    m_scratch = std::clamp(m_scratch, kScratch.min, kScratch.max);
    m_crackle = std::clamp(m_crackle, kCrackle.min, kCrackle.max);
    m_hiss = std::clamp(m_hiss, kHiss.min, kHiss.max);
    m_hum = std::clamp(m_hum, 0, 2);
    return true;
}

void CTaviCleanDlg::ApplyControls() {
    if (CFilter* f = GetFilter()) f->SetParams({m_scratch, m_crackle, m_hiss, m_hum, 0, 0, 0, 0, 0, 0, 0});
}

void CTaviCleanDlg::LoadControls() {
    CFilter* f = GetFilter();
    if (!f) return;
    const CFilter::Params& p = f->GetParams();
    m_scratch = std::clamp(p[0], kScratch.min, kScratch.max);
    m_crackle = std::clamp(p[1], kCrackle.min, kCrackle.max);
    m_hiss = std::clamp(p[2], kHiss.min, kHiss.max);
    m_hum = std::clamp(p[3], 0, 2);
    m_bypass = f->GetBypass() != 0;
    ++m_refreshes;
}

void CTaviCleanDlg::OnSlider(int id, int value) {
    if (id == kScratch.id) {
        m_scratch = std::clamp(value, kScratch.min, kScratch.max);
    } else if (id == kCrackle.id) {
        m_crackle = std::clamp(value, kCrackle.min, kCrackle.max);
    } else if (id == kHiss.id) {
        m_hiss = std::clamp(value, kHiss.min, kHiss.max);
    } else {
        return;
    }
    ApplyControls();
}

void CTaviCleanDlg::OnHumChoice(int choice) {
    m_hum = std::clamp(choice, 0, 2);
    ApplyControls();
}

void CTaviCleanDlg::OnBypassButton(bool on) {
    m_bypass = on;
    if (CFilter* f = GetFilter()) f->SetBypass(on ? 1 : 0);
    ApplyControls();
}

void CTaviCleanDlg::OnKeepResidue(bool on) {
    m_keepResidue = on;
    if (CFilter* f = GetFilter()) f->SetKeepResidue(on ? 1 : 0);
}

bool CTaviCleanDlg::OnProcess() {
    CFilter* f = GetFilter();
    if (!f || !m_runner || !ValidateControls()) return true;
    ApplyControls();
    f->SetBypass(m_bypass ? 1 : 0);
    // While a run or a preview is going, the runner only stops it; the song stays as it is opened.
    if (!m_runner->IsBusy()) {
        const int rc = m_song.OpenRead(m_songPath);
        if (rc != kFileOk) {
            CWaveFile::ReportFileError(rc, m_songPath);
            return true;
        }
    }
    m_runner->SetSource(&m_song);
    m_runner->SetCaption(LoadString(kMsgCleaningCaption));
    m_runner->RunFilter(0, 0, f, this, m_preview, -1);
    return CancelFlag().load();
}

bool CTaviCleanDlg::OnPreview() {
    m_preview = true;
    const bool result = OnProcess();
    m_preview = false;
    return result;
}

bool CTaviCleanDlg::OnTimer(int64_t nowMs) {
    CTaviClean* clean = Clean();
    if (!m_timer || !clean || nowMs - m_lastReading < kMeterMinMs) return false;
    m_lastReading = nowMs;
    m_meters = clean->GetMeters();
    return true;
}

bool CTaviCleanDlg::OnClosePane() {
    if (!OnClose()) return false;
    CancelFlag() = true;
    m_timer = false;
    if (m_runner && m_runner->Source() == &m_song) {
        m_runner->CloseSource();
        m_runner->SetSource(nullptr);
    }
    m_song.Close();
    return true;
}

std::array<CTaviCleanDlg::Bar, CTaviCleanDlg::kLanes> CTaviCleanDlg::ActivityBars(const CTaviClean::Meters& meters,
                                                                                  int laneHeight, int humChoice) {
    const int64_t lane = std::max(laneHeight, 0);
    std::array<Bar, kLanes> bars;
    const uint8_t qs = Shade(meters.scratch);
    bars[0] = {static_cast<int>(std::clamp<int64_t>(meters.scratch, 0, lane)), qs, qs, 255};
    const uint8_t qc = Shade(meters.crackle);
    bars[1] = {static_cast<int>(std::clamp<int64_t>(meters.crackle, 0, lane)), 255, qc, qc};
    const int64_t hiss = (1000 - int64_t{meters.hiss}) * lane / 1500;
    bars[2] = {static_cast<int>(std::clamp<int64_t>(hiss, 0, lane)), 102, 255, 51};
    const int64_t hum = int64_t{meters.hum} * lane / 1000;
    bars[3] = {static_cast<int>(std::clamp<int64_t>(hum, 0, lane)), 255, static_cast<uint8_t>(humChoice == 2 ? 0 : 128),
               0};
    return bars;
}
