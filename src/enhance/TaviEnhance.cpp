#include "enhance/TaviEnhance.h"

#include <string>

#include "audiofile/WaveFile.h"

namespace {

// Stage numbers: the children's preset sections are "<internal name>_<stage>".
constexpr int kPunchStage = 1;
constexpr int kValveStage = 2;

std::string StageSection(const CFilter& child, int stage) {
    return child.GetInternalName() + "_" + std::to_string(stage);
}

}  // namespace

CTaviEnhance::CTaviEnhance() : m_block(std::make_unique<CWaveFile>(kBlockSamples, 0)) {
    SetIdentity(kFilterTaviEnhance, "TaviEnhance", "TaviEnhancer");
    // The children keep their sections in the stage's own preset files.
    m_punch.SetPresetSection(StageSection(m_punch, kPunchStage));
    m_punch.SetPresetFolder(GetInternalName());
    m_valve.SetPresetSection(StageSection(m_valve, kValveStage));
    m_valve.SetPresetFolder(GetInternalName());
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
    // The block must hold all the first stage makes of one source block, or samples would be lost.
    if (source.BlockLength() > m_block->BlockLength()) {
        m_block = std::make_unique<CWaveFile>(source.BlockLength(), 0);
    }
    CWaveFile& block = *m_block;
    const WAVEFORMATEX& f = source.Format();
    block.SetFormat(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample);
    block.SetHistory(static_cast<uint32_t>(m_valve.GetHistory()));
    block.SetLookahead(static_cast<uint32_t>(m_valve.GetLookahead()));
    block.Close();
    block.SetOutputMode(kOutNone);
    block.TakeClippedFlag();
    m_blockClipped.store(0);
    return m_punch.Prepare(source, block) && m_valve.Prepare(block, output);
}

bool CTaviEnhance::Process(CWaveFile& source, CWaveFile& output) {
    CWaveFile& block = *m_block;
    if (!m_punch.Process(source, block)) return false;
    if (block.TakeClippedFlag()) m_blockClipped.store(1);
    source.KeepHistory();
    if (!m_valve.Process(block, output)) return false;
    block.KeepHistory();
    return true;
}

bool CTaviEnhance::Finish(CWaveFile& source, CWaveFile& output) {
    CWaveFile& block = *m_block;
    if (!m_punch.Finish(source, block)) return false;
    if (block.TakeClippedFlag()) m_blockClipped.store(1);
    source.KeepHistory();
    if (!m_valve.Process(block, output) || !m_valve.Finish(block, output)) return false;
    block.KeepHistory();
    return true;
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
