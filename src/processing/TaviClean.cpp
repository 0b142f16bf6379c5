#include "processing/TaviClean.h"

#include <algorithm>
#include <chrono>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "processing/AutoHum.h"
#include "processing/ContinuousNoise.h"
#include "processing/Impulse.h"

namespace {

// Puts a pipe in its starting state: the source's format, silent history, empty block, no clamping.
void SetUpPipe(CWaveFile& pipe, const WAVEFORMATEX& f, uint32_t history, uint32_t lookahead) {
    pipe.Close();
    pipe.SetFormat(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample);
    pipe.SetOutputMode(kOutNone);
    pipe.SetHistory(history);
    pipe.SetLookahead(lookahead);
    pipe.SetClipping(false);
    pipe.StepBack();  // nothing read yet: clears the history and puts both cursors at the block start
}

}  // namespace

CTaviClean::CTaviClean()
    : m_scratch(std::make_unique<CImpulse>()),
      m_crackle(std::make_unique<CImpulse>()),
      m_hum(std::make_unique<CAutoHum>()),
      m_hiss(std::make_unique<CContinuousNoise>()) {
    SetIdentity(kFilterTaviClean, "TaviClean", "TaviClean");
    for (CFilter* child : {static_cast<CFilter*>(m_scratch.get()), static_cast<CFilter*>(m_crackle.get()),
                           static_cast<CFilter*>(m_hum.get()), static_cast<CFilter*>(m_hiss.get())}) {
        child->SetPresetFolder(PresetFolderName());
    }
    SetParams({10, 60, 1, 0, 0, 0, 0, 0, 0, 0, 0});
}

CTaviClean::~CTaviClean() = default;

// --- parameters -------------------------------------------------------------------

CFilter::Params CTaviClean::ScratchParams(const Params& p) {
    const int scratch = std::clamp(p[0], 0, 1000);
    return {(1025 - scratch) * 10, 7, 3, 0, 0, 1, 0, 0, 0, 0, 0};
}

CFilter::Params CTaviClean::CrackleParams(const Params& p) {
    const int crackle = std::clamp(p[1], 0, 1000);
    return {0, 13, 1, 0, (1000 - crackle) / 10 + 10, 1, 0, 0, 0, 0, 0};
}

CFilter::Params CTaviClean::HumParams(const Params& p) {
    return {p[3], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

CFilter::Params CTaviClean::HissParams(const Params& p) {
    return {10, 10, std::clamp(p[2], 0, 100), 4, 50, 12, 2, 1, 0, 0, 0};
}

void CTaviClean::ApplyMapping() {
    m_scratch->SetParams(ScratchParams(m_params));
    m_crackle->SetParams(CrackleParams(m_params));
    m_hum->SetParams(HumParams(m_params));
    m_hiss->SetParams(HissParams(m_params));
}

int CTaviClean::SetParams(const Params& params) {
    CFilter::SetParams(params);
    ApplyMapping();
    return 0;
}

int CTaviClean::LoadPreset(const std::string& name) {
    Params stored{};
    if (ReadPresetParams(name, stored) != 0) return 1;
    Params p = m_params;
    std::copy(stored.begin(), stored.begin() + 4, p.begin());
    SetParams(p);
    return 0;
}

int CTaviClean::SetBypass(int on) {
    m_scratch->SetBypass(on);
    m_crackle->SetBypass(on);
    m_hum->SetBypass(on);
    m_hiss->SetBypass(on);
    return CFilter::SetBypass(on);
}

void CTaviClean::SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched) {
    m_scratch->SetChannelPass(rightUntouched, leftUntouched);
    m_crackle->SetChannelPass(rightUntouched, leftUntouched);
    CFilter::SetChannelPass(rightUntouched, leftUntouched);
}

int CTaviClean::SetKeepResidue(int on) {
    m_hiss->SetKeepResidue(on);
    return CFilter::SetKeepResidue(on);
}

// --- run -----------------------------------------------------------------------------

bool CTaviClean::Prepare(CWaveFile& source, CWaveFile& output) {
    // Fresh pipes for every run, long enough for the source's blocks plus what the impulse stages
    // hand on late: nothing a previous run left in them can reach this one.
    const uint32_t block = std::max(kPipeBlock, source.BlockLength()) + kPipeSlack;
    m_pipe1 = std::make_unique<CWaveFile>(block, kPipeHistory);
    m_pipe2 = std::make_unique<CWaveFile>(block, kPipeHistory);
    m_pipe3 = std::make_unique<CWaveFile>(std::max(kLastPipeBlock, block), kLastPipeHistory);

    const WAVEFORMATEX& f = source.Format();
    SetUpPipe(*m_pipe1, f, m_scratch->GetHistory(), m_scratch->GetLookahead());
    SetUpPipe(*m_pipe2, f, m_crackle->GetHistory(), m_crackle->GetLookahead());
    SetUpPipe(*m_pipe3, f, kLastPipeHistory, m_hiss->GetLookahead());

    m_scratchTotal = 0;
    m_crackleTotal = 0;
    m_lastReset = NowMs();
    if (!m_scratch->Prepare(source, *m_pipe1)) return false;
    if (!m_crackle->Prepare(*m_pipe1, *m_pipe2)) return false;
    // The hum method is a preference, read at each run so that a change applies to the next one.
    m_hum->SetMethod(Settings().AdaptiveHum ? CAutoHum::Method::kAdaptive : CAutoHum::Method::kNotches);
    if (!m_hum->Prepare(*m_pipe2, *m_pipe3)) return false;
    return m_hiss->Prepare(*m_pipe3, output);
}

bool CTaviClean::Process(CWaveFile& source, CWaveFile& output) {
    if (!m_pipe3) return false;  // not prepared
    // The source's block is the runner's to move on; each pipe is consumed once its reader is done.
    if (!m_scratch->Process(source, *m_pipe1)) return false;
    if (!m_crackle->Process(*m_pipe1, *m_pipe2)) return false;
    m_pipe1->KeepHistory();
    if (!m_hum->Process(*m_pipe2, *m_pipe3)) return false;
    m_pipe2->KeepHistory();
    if (!m_hiss->Process(*m_pipe3, output)) return false;
    m_pipe3->KeepHistory();

    if (m_running && m_owner) {
        const int64_t now = NowMs();
        if (now - m_lastReset >= kMeterResetMs) {
            int64_t scratch, crackle;
            TakeEvents(scratch, crackle);
            m_lastReset = now;
        }
    }
    return true;
}

bool CTaviClean::Finish(CWaveFile& source, CWaveFile& output) {
    if (!m_pipe3) return false;
    CWaveFile& p1 = *m_pipe1;
    CWaveFile& p2 = *m_pipe2;
    CWaveFile& p3 = *m_pipe3;
    // Each stage's held-back samples travel through the stages after it before the next one drains.
    if (!m_scratch->Finish(source, p1)) return false;
    if (!m_crackle->Process(p1, p2)) return false;
    p1.KeepHistory();
    if (!m_hum->Process(p2, p3)) return false;
    p2.KeepHistory();
    if (!m_hiss->Process(p3, output)) return false;
    p3.KeepHistory();

    if (!m_crackle->Finish(p1, p2)) return false;
    if (!m_hum->Process(p2, p3)) return false;
    p2.KeepHistory();
    if (!m_hiss->Process(p3, output)) return false;
    p3.KeepHistory();

    if (!m_hum->Finish(p2, p3)) return false;
    if (!m_hiss->Process(p3, output)) return false;
    p3.KeepHistory();

    return m_hiss->Finish(p3, output);
}

// --- meters ---------------------------------------------------------------------------

void CTaviClean::TakeEvents(int64_t& scratch, int64_t& crackle) {
    scratch = m_scratch->EventCount();
    crackle = m_crackle->EventCount();
    m_scratchTotal += scratch;
    m_crackleTotal += crackle;
    m_scratch->ResetEventCount();
    m_crackle->ResetEventCount();
}

CTaviClean::Meters CTaviClean::GetMeters() {
    Meters m;
    TakeEvents(m.scratch, m.crackle);
    m.hiss = m_hiss->GetMeter();
    m.hum = m_hum->GetHumLevel();
    return m;
}

CTaviClean::Totals CTaviClean::GetTotals() const {
    Totals t;
    t.scratch = m_scratchTotal + m_scratch->EventCount();
    t.crackle = m_crackleTotal + m_crackle->EventCount();
    t.hissGain = m_hiss->MeanGainOverRun();
    t.hum = m_hum->LastBlockLevel();
    return t;
}

int64_t CTaviClean::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
