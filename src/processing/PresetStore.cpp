#include "processing/PresetStore.h"

#include "processing/PresetCombo.h"

CPresetStore::CPresetStore() : m_section("Default"), m_folder("Default") {}

void CPresetStore::FillPresetList(CPresetCombo&) {}
std::string CPresetStore::PresetFolder() const {
    return {};
}
std::string CPresetStore::PresetFile(const std::string&) const {
    return {};
}
std::string CPresetStore::ReadPresetValue(const std::string&, const std::string&) const {
    return {};
}
bool CPresetStore::WritePresetValue(const std::string&, const std::string&, const std::string&) const {
    return false;
}
int CPresetStore::ReadPresetParams(const std::string&, Params&) {
    return 1;
}
bool CPresetStore::WritePresetParams(const std::string&, const Params&) const {
    return false;
}
bool CPresetStore::DeletePresetFile(const std::string&) const {
    return false;
}
void CPresetStore::SetPresetSection(const std::string& name) {
    m_section = m_folder = name;
}
void CPresetStore::SetPresetFolder(const std::string& name) {
    m_folder = name;
}
void CPresetStore::ResetPresetFolder() {
    m_folder = m_section;
}
std::string CPresetStore::FormatParams(const Params&) {
    return {};
}
bool CPresetStore::ParseParams(std::string_view, Params&) {
    return false;
}
bool CPresetStore::IsValidName(std::string_view) {
    return false;
}
bool CPresetStore::HasForbiddenChar(std::string_view) {
    return false;
}
std::vector<std::string> CPresetStore::ListPresetNames(const std::string&) {
    return {};
}
