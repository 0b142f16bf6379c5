#include "processing/Filter.h"

CFilter::CFilter() = default;

CFilter::~CFilter() = default;

int CFilter::SetBypass(int on) {
    m_bypass = on;
    return m_bypass;
}

void CFilter::SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched) {
    m_rightUntouched = rightUntouched;
    m_leftUntouched = leftUntouched;
}

int CFilter::SetKeepResidue(int on) {
    m_keepResidue = on;
    return m_keepResidue;
}

int CFilter::SetParams(const Params& params) {
    m_params = params;
    // Picked up at the start of the next block, so a running preview follows the controls.
    m_paramsChanged = 1;
    return 0;
}

void CFilter::SetRunRange(uint32_t startBytes, uint32_t endBytes) {
    m_runStart = startBytes;
    m_runEnd = endBytes;
}

void CFilter::SetIdentity(int type, const std::string& internalName, const std::string& displayName, unsigned traits) {
    m_type = type;
    m_traits = traits;
    m_internalName = internalName;
    m_displayName = displayName;
    SetPresetSection(internalName);
}
