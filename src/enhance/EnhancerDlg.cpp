#include "enhance/EnhancerDlg.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "devices/PreviewPlayer.h"
#include "enhance/TaviEnhance.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"

namespace {

// The trackbar a number box mirrors, or the id itself.
int TrackbarOf(int id) {
    if (id == CEnhancerDlg::kIdExciterBox) return CEnhancerDlg::kIdExciter;
    if (id == CEnhancerDlg::kIdLevelBox) return CEnhancerDlg::kIdLevel;
    return id;
}

}  // namespace

CEnhancerDlg::CEnhancerDlg(CFilterRunner* runner)
    : CFilterDlg([] { return std::make_unique<CTaviEnhance>(); }, runner), m_runner(runner) {}

CEnhancerDlg::~CEnhancerDlg() = default;

CEnhancerDlg::Range CEnhancerDlg::RangeOf(int id) {
    switch (TrackbarOf(id)) {
        case kIdLevel:
            return {-100, 100, 0};
        case kIdExciter:
            return {0, 100, 0};
        case kIdBass:
        case kIdMids:
        case kIdTreble:
            return {-1000, 1000, 500};
        default:
            return {};
    }
}

int* CEnhancerDlg::ValueOf(int id) {
    switch (TrackbarOf(id)) {
        case kIdLevel:
            return &m_level;
        case kIdExciter:
            return &m_exciter;
        case kIdBass:
            return &m_bass;
        case kIdMids:
            return &m_mids;
        case kIdTreble:
            return &m_treble;
        default:
            return nullptr;
    }
}

CTaviEnhance* CEnhancerDlg::Enhancer() const {
    return dynamic_cast<CTaviEnhance*>(GetFilter());
}

void CEnhancerDlg::SetSong(CWaveFile* song) {
    m_song = song;
    m_workingOn = song ? FileNameOf(song->FileName()) : std::string();
}

int CEnhancerDlg::GetControl(int id) const {
    int* value = const_cast<CEnhancerDlg*>(this)->ValueOf(id);
    return value ? *value : 0;
}

bool CEnhancerDlg::SetControl(int id, int value) {
    int* target = ValueOf(id);
    if (!target) return false;
    const Range r = RangeOf(id);
    *target = std::clamp(value, r.min, r.max);
    if (m_invalidBox == id || TrackbarOf(m_invalidBox) == TrackbarOf(id)) m_invalidBox = 0;
    return true;
}

void CEnhancerDlg::OnNumberBoxEdit(int boxId, const std::string& text) {
    int* target = ValueOf(boxId);
    if (!target) return;
    const Range r = RangeOf(boxId);
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && *first == ' ') ++first;
    while (last != first && last[-1] == ' ') --last;
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || value < r.min || value > r.max) {
        m_invalidBox = boxId;
        return;
    }
    SetControl(boxId, value);
}

void CEnhancerDlg::OnVScroll(int id, int position) {
    if (!SetControl(id, position)) return;
    ApplyControls();
}

void CEnhancerDlg::OnHScroll(int id, int position) {
    if (!SetControl(id, position)) return;
    const int bar = TrackbarOf(id);
    if (bar == kIdLevel || bar == kIdExciter) ApplyControls();
}

int CEnhancerDlg::OnBypass() {
    m_bypass = m_bypass ? 0 : 1;
    if (CFilter* filter = GetFilter()) filter->SetBypass(m_bypass);
    ApplyControls();
    return m_bypass;
}

bool CEnhancerDlg::ValidateControls() {
    if (m_invalidBox == 0) return true;
    const Range r = RangeOf(m_invalidBox);
    ShowMessage(kMsgEnterWholeNumber, MsgIcon::Exclamation, MsgButtons::Ok,
                std::to_string(r.min) + " to " + std::to_string(r.max));
    return false;
}

void CEnhancerDlg::ApplyControls() {
    if (CFilter* filter = GetFilter())
        filter->SetParams({m_exciter, m_level, m_bass, m_mids, m_treble, 0, 0, 0, 0, 0, 0});
}

void CEnhancerDlg::LoadControls() {
    CFilter* filter = GetFilter();
    if (!filter) return;
    const CFilter::Params& p = filter->GetParams();
    // Values a hand-edited preset puts outside the controls' ranges are shown clamped.
    SetControl(kIdExciter, p[0]);
    SetControl(kIdLevel, p[1]);
    SetControl(kIdBass, p[2]);
    SetControl(kIdMids, p[3]);
    SetControl(kIdTreble, p[4]);
    m_bypass = filter->GetBypass() ? 1 : 0;
}

void CEnhancerDlg::StartTimer(int) {
    m_timerRunning = true;
}

void CEnhancerDlg::KillTimer() {
    m_timerRunning = false;
}

void CEnhancerDlg::OnTimer(int64_t nowMs) {
    CTaviEnhance* enhancer = Enhancer();
    if (enhancer && enhancer->TakeClipping()) m_lampOffAt = nowMs + kClipLampMs;
}

int64_t CEnhancerDlg::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool CEnhancerDlg::OnProcess() {
    return Run(false);
}

bool CEnhancerDlg::OnPreview() {
    return Run(true);
}

bool CEnhancerDlg::Run(bool preview) {
    CFilter* filter = GetFilter();
    if (!filter || !m_runner || !ValidateControls()) return false;
    // A preview still playing is stopped; the runner then sees it busy and this press only ends it.
    if (IPreviewPlayer* player = m_runner->Player()) {
        const int state = player->State();
        if (state == kPlayerPlaying || state == kPlayerPaused) {
            CancelFlag().store(true);
            player->Stop();
        }
    }
    ApplyControls();
    StartTimer(kTimerMs);
    filter->SetBypass(m_bypass);
    m_runner->SetSource(m_song);
    m_runner->SetCaption(LoadString(kMsgEnhancingCaption));
    const bool ok = m_runner->RunFilter(0, 0, filter, this, preview);
    KillTimer();
    return ok;
}
