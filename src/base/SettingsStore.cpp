#include "base/SettingsStore.h"

#include <cstdio>

#include "base/ProgramPaths.h"

namespace {

CSettingsStore* g_profile = nullptr;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

CSettingsStore::CSettingsStore() : m_path(CProgramPaths::SettingsFile()) {}

CSettingsStore::CSettingsStore(std::string iniPath) : m_path(std::move(iniPath)) {}

bool CSettingsStore::Read(const std::string& section, const std::string& key, std::string& value) const {
    if (m_updating) return m_pending.GetValue(section, key, value);
    CIniFile ini;
    ini.Load(m_path);
    return ini.GetValue(section, key, value);
}

int CSettingsStore::GetProfileInt(const std::string& section, const std::string& key, int fallback) const {
    std::string text;
    int value = 0;
    return Read(section, key, text) && CIniFile::ParseInt(text, value) ? value : fallback;
}

std::string CSettingsStore::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& fallback) const {
    std::string value;
    return Read(section, key, value) ? value : fallback;
}

bool CSettingsStore::GetProfileBinary(const std::string& section, const std::string& key,
                                      std::vector<uint8_t>& data) const {
    data.clear();
    std::string value;
    if (!Read(section, key, value) || value.size() % 2 != 0) return false;
    std::vector<uint8_t> bytes;
    bytes.reserve(value.size() / 2);
    for (size_t i = 0; i < value.size(); i += 2) {
        int hi = HexDigit(value[i]);
        int lo = HexDigit(value[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    data = std::move(bytes);
    return true;
}

bool CSettingsStore::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteValue(section, key, std::to_string(value));
}

bool CSettingsStore::WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    return WriteValue(section, key, value);
}

bool CSettingsStore::WriteProfileBinary(const std::string& section, const std::string& key, const uint8_t* data,
                                        size_t bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes * 2);
    for (size_t i = 0; i < bytes; ++i) {
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 15];
    }
    return WriteValue(section, key, text);
}

bool CSettingsStore::LoadForEdit(CIniFile& ini) const {
    return ini.Load(m_path) != CIniFile::kFailed;
}

bool CSettingsStore::SaveFile(const CIniFile& ini) const {
    size_t slash = m_path.rfind('/');
    if (slash != std::string::npos && slash > 0) CProgramPaths::MakeDirectories(m_path.substr(0, slash));
    return ini.Save(m_path);
}

bool CSettingsStore::WriteValue(const std::string& section, const std::string& key, const std::string& value) {
    if (m_updating) {
        // One value that cannot be stored does not hold back the others.
        bool ok = m_pending.SetValue(section, key, value);
        m_updateOk = m_updateOk && ok;
        return ok && m_loadOk;
    }
    CIniFile ini;
    // An existing file that cannot be read is never replaced by one holding only this value.
    if (!LoadForEdit(ini) || !ini.SetValue(section, key, value)) return false;
    return SaveFile(ini);
}

void CSettingsStore::BeginUpdate() {
    if (m_updating) return;
    m_updating = true;
    m_updateOk = true;
    m_loadOk = LoadForEdit(m_pending);
}

bool CSettingsStore::EndUpdate() {
    if (!m_updating) return false;
    m_updating = false;
    bool ok = m_loadOk && SaveFile(m_pending) && m_updateOk;
    m_pending.Parse({});
    return ok;
}

CSettingsStore& Profile() {
    static CSettingsStore fallback;
    return g_profile ? *g_profile : fallback;
}

void SetProfile(CSettingsStore* store) {
    g_profile = store;
}
