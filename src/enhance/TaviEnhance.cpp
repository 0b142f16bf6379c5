#include "enhance/TaviEnhance.h"

#include <algorithm>
#include <string>

#include "audiofile/WaveFile.h"
#include "processing/FilterChain.h"

namespace {

// Stage numbers: the children's preset sections are "<internal name>_<stage>".
constexpr int kPunchStage = 1;
constexpr int kValveStage = 2;

std::string StageSection(const CFilter& child, int stage) {
    return child.GetInternalName() + "_" + std::to_string(stage);
}

}  // namespace

CTaviEnhance::CTaviEnhance() : m_chain(std::make_unique<CFilterChain>()) {
    SetIdentity(kFilterTaviEnhance, "TaviEnhance", "TaviEnhancer");
    // The children keep their sections in the stage's own preset files.
    m_punch.SetPresetSection(StageSection(m_punch, kPunchStage));
    m_punch.SetPresetFolder(GetInternalName());
    m_valve.SetPresetSection(StageSection(m_valve, kValveStage));
    m_valve.SetPresetFolder(GetInternalName());
    m_chain->SetStages({&m_punch, &m_valve});
    m_chain->SetHook([this](size_t stage, CWaveFile& in, CWaveFile& out) {
        if (stage != 0) return;
        if (out.TakeClippedFlag()) m_blockClipped.store(1);
        in.KeepHistory();
    });
    SetParams({10, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0});
}

CTaviEnhance::~CTaviEnhance() = default;

int CTaviEnhance::SetBypass(int on) {
    m_punch.SetBypass(on);
    m_valve.SetBypass(on);
    return CFilter::SetBypass(on);
}

void CTaviEnhance::SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched) {
    m_punch.SetChannelPass(rightUntouched, leftUntouched);
    m_valve.SetChannelPass(rightUntouched, leftUntouched);
    CFilter::SetChannelPass(rightUntouched, leftUntouched);
}

int CTaviEnhance::SetKeepResidue(int on) {
    m_punch.SetKeepResidue(on);
    m_valve.SetKeepResidue(on);
    return CFilter::SetKeepResidue(on);
}

bool CTaviEnhance::Prepare(CWaveFile& source, CWaveFile& output) {
    // The block must hold all the first stage makes of one source block, or samples would be lost;
    // values are clamped on the way in.
    const CFilterChain::PipeLayout block = {std::max(kBlockSamples, source.BlockLength()), 0,
                                            static_cast<uint32_t>(m_valve.GetHistory()),
                                            static_cast<uint32_t>(m_valve.GetLookahead()), true};
    m_blockClipped.store(0);
    return m_chain->Prepare(source, output, {block}, WorkerThreads() > 1);
}

bool CTaviEnhance::Process(CWaveFile& source, CWaveFile& output) {
    return m_chain->Process(source, output);
}

bool CTaviEnhance::Finish(CWaveFile& source, CWaveFile& output) {
    return m_chain->Finish(source, output);
}

int CTaviEnhance::SetParams(const Params& params) {
    Params valve = m_valve.GetParams();
    valve[0] = params[0];
    valve[6] = params[2];
    valve[7] = params[3];
    valve[8] = params[4];
    valve[9] = 0;
    valve[10] = 0;
    m_valve.SetParams(valve);
    Params punch = m_punch.GetParams();
    punch[10] = params[1];
    m_punch.SetParams(punch);
    SyncOwnParams();
    m_paramsChanged = 1;
    return 0;
}

void CTaviEnhance::SyncOwnParams() {
    const Params& valve = m_valve.GetParams();
    const Params& punch = m_punch.GetParams();
    m_params = {valve[0], punch[10], valve[6], valve[7], valve[8], 0, 0, 0, 0, 0, 0};
}

int CTaviEnhance::LoadPreset(const std::string& name) {
    // Both sections or neither: a preset is never loaded in part.
    Params punch = m_punch.GetParams();
    Params valve = m_valve.GetParams();
    if (m_valve.ReadPresetParams(name, valve) != 0 || m_punch.ReadPresetParams(name, punch) != 0) return 1;
    m_valve.SetParams(valve);
    m_punch.SetParams(punch);
    SyncOwnParams();
    m_paramsChanged = 1;
    SetCurrentPreset(name);
    return 0;
}

bool CTaviEnhance::SavePreset(const std::string& name) {
    if (name.empty()) return false;
    const bool punch = m_punch.SavePreset(name);
    const bool valve = m_valve.SavePreset(name);
    const bool own = CFilter::SavePreset(name);
    return punch && valve && own;
}

bool CTaviEnhance::TakeClipping() {
    const bool valve = m_valve.TakeClipReport();
    const bool between = m_blockClipped.exchange(0) != 0;
    return valve || between;
}
