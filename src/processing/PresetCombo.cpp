#include "processing/PresetCombo.h"

void CPresetCombo::ResetContent() {
    m_names.clear();
    m_edit.clear();
    m_sel = -1;
}
int CPresetCombo::AddString(const std::string& name) {
    m_names.push_back(name);
    return GetCount() - 1;
}
bool CPresetCombo::DeleteString(int) {
    return false;
}
int CPresetCombo::FindStringExact(const std::string&) const {
    return -1;
}
const std::string& CPresetCombo::GetString(int index) const {
    static const std::string empty;
    return index >= 0 && index < GetCount() ? m_names[static_cast<size_t>(index)] : empty;
}
int CPresetCombo::SetCurSel(int) {
    return -1;
}
std::string CPresetCombo::GetSelectedText() const {
    return GetString(m_sel);
}
