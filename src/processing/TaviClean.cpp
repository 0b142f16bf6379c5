#include "processing/TaviClean.h"

#include <algorithm>
#include <chrono>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "processing/AutoHum.h"
#include "processing/ContinuousNoise.h"
#include "processing/FilterChain.h"
#include "processing/Impulse.h"

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
    m_chain = std::make_unique<CFilterChain>();
    m_chain->SetStages({m_scratch.get(), m_crackle.get(), m_hum.get(), m_hiss.get()});
    // The readings are taken on the thread that ran each stage and read by the pane from its own.
    m_chain->SetHook([this](size_t stage, CWaveFile&, CWaveFile&) {
        switch (stage) {
            case 0:
                m_scratchNew.fetch_add(m_scratch->EventCount(), std::memory_order_relaxed);
                m_scratch->ResetEventCount();
                break;
            case 1:
                m_crackleNew.fetch_add(m_crackle->EventCount(), std::memory_order_relaxed);
                m_crackle->ResetEventCount();
                break;
            case 2:
                m_humLevel.store(m_hum->GetHumLevel(), std::memory_order_relaxed);
                m_humLast.store(m_hum->LastBlockLevel(), std::memory_order_relaxed);
                break;
            default:
                m_hissMeter.store(m_hiss->GetMeter(), std::memory_order_relaxed);
                m_hissGain.store(m_hiss->MeanGainOverRun(), std::memory_order_relaxed);
                break;
        }
    });
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
    // The first two pipes' blocks hold a source block plus what the impulse stages hand on late;
    // the third holds the hiss stage's input with its history.
    const uint32_t block = std::max(kPipeBlock, source.BlockLength()) + kPipeSlack;
    const std::vector<CFilterChain::PipeLayout> pipes = {
        {block, kPipeHistory, static_cast<uint32_t>(m_scratch->GetHistory()),
         static_cast<uint32_t>(m_scratch->GetLookahead()), false},
        {block, kPipeHistory, static_cast<uint32_t>(m_crackle->GetHistory()),
         static_cast<uint32_t>(m_crackle->GetLookahead()), false},
        {std::max(kLastPipeBlock, block), kLastPipeHistory, kLastPipeHistory,
         static_cast<uint32_t>(m_hiss->GetLookahead()), false},
    };
    m_scratchTotal = 0;
    m_crackleTotal = 0;
    m_scratchNew.store(0);
    m_crackleNew.store(0);
    m_scratch->ResetEventCount();
    m_crackle->ResetEventCount();
    m_lastReset = NowMs();
    // The hum method is a preference, read at each run so that a change applies to the next one.
    m_hum->SetMethod(Settings().AdaptiveHum ? CAutoHum::Method::kAdaptive : CAutoHum::Method::kNotches);
    // With a second thread every stage takes its input from a queue, and either thread runs
    // whichever has work: which stage costs most depends on the music and the settings. A thread
    // with nothing to do takes on an impulse stage's second channel.
    const bool shared = WorkerThreads() > 1;
    m_scratch->SetSpareThread(shared ? m_chain.get() : nullptr);
    m_crackle->SetSpareThread(shared ? m_chain.get() : nullptr);
    return m_chain->Prepare(source, output, pipes, shared);
}

bool CTaviClean::Process(CWaveFile& source, CWaveFile& output) {
    if (!m_chain->Process(source, output)) return false;
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
    return m_chain->Finish(source, output);
}

// --- meters ---------------------------------------------------------------------------

void CTaviClean::TakeEvents(int64_t& scratch, int64_t& crackle) {
    scratch = m_scratchNew.exchange(0, std::memory_order_relaxed);
    crackle = m_crackleNew.exchange(0, std::memory_order_relaxed);
    m_scratchTotal += scratch;
    m_crackleTotal += crackle;
}

CTaviClean::Meters CTaviClean::GetMeters() {
    Meters m;
    TakeEvents(m.scratch, m.crackle);
    m.hiss = m_hissMeter.load(std::memory_order_relaxed);
    m.hum = m_humLevel.load(std::memory_order_relaxed);
    return m;
}

CTaviClean::Totals CTaviClean::GetTotals() const {
    Totals t;
    t.scratch = m_scratchTotal + m_scratchNew.load(std::memory_order_relaxed);
    t.crackle = m_crackleTotal + m_crackleNew.load(std::memory_order_relaxed);
    t.hissGain = m_hissGain.load(std::memory_order_relaxed);
    t.hum = m_humLast.load(std::memory_order_relaxed);
    return t;
}

int64_t CTaviClean::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
