#include "processing/PresetStore.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "base/AppSettings.h"
#include "base/IniFile.h"
#include "base/StringTable.h"
#include "processing/PresetCombo.h"

namespace {

// Values are read as into a 4096-character buffer: anything longer is cut.
constexpr size_t kMaxValueChars = 4095;
// A "Set" value this short cannot hold eleven numbers and is refused outright.
constexpr size_t kMinSetChars = 10;
constexpr std::string_view kExtension = ".pst";

// A name that could leave the preset folder never reaches the file system.
bool IsSafeName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// Bytes of the UTF-8 character starting at pos (continuation bytes included).
size_t CharBytes(std::string_view text, size_t pos) {
    size_t end = pos + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end - pos;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// "<folder>/<name>.pst".
std::string FileIn(const std::string& folder, const std::string& name) {
    return folder + "/" + name + std::string(kExtension);
}

std::string UserFolder(const std::string& folderName) {
    return Settings().PresetPath + "/" + folderName;
}

std::string ShippedFolder(const std::string& folderName) {
    return Settings().ShareFolder() + "/Presets/" + folderName;
}

}  // namespace

CPresetStore::CPresetStore() : m_section(kDefaultName), m_folder(kDefaultName) {}

void CPresetStore::FillPresetList(CPresetCombo& combo) {
    if (m_section.empty()) return;
    combo.ResetContent();
    for (const PresetEntry& preset : ListPresets()) combo.AddString(preset.name);
}

std::string CPresetStore::PresetFolder() const {
    return UserFolder(m_folder);
}

std::string CPresetStore::ShippedPresetFolder() const {
    return ShippedFolder(m_folder);
}

std::string CPresetStore::PresetFile(const std::string& name) const {
    return FileIn(PresetFolder(), name);
}

std::string CPresetStore::ReadablePresetFile(const std::string& name) const {
    const std::string mine = PresetFile(name);
    if (IsRegularFile(mine)) return mine;
    const std::string shipped = FileIn(ShippedPresetFolder(), name);
    return IsRegularFile(shipped) ? shipped : mine;
}

std::string CPresetStore::ReadPresetValue(const std::string& name, const std::string& key) const {
    if (!IsSafeName(name)) return {};
    std::string value = CIniFile::GetPrivateProfileString(m_section, key, "", ReadablePresetFile(name));
    if (value.size() > kMaxValueChars) value.resize(kMaxValueChars);
    return value;
}

bool CPresetStore::WritePresetValue(const std::string& name, const std::string& key, const std::string& value) const {
    if (!IsSafeName(name) || m_section.empty()) return false;
    return CIniFile::WritePrivateProfileString(m_section, key.c_str(), value.c_str(), PresetFile(name));
}

int CPresetStore::ReadPresetParams(const std::string& name, Params& params) {
    if (!IsSafeName(name)) return 1;
    if (!ParseParams(ReadPresetValue(name, kSetKey), params)) return 1;
    m_current = name;
    return 0;
}

bool CPresetStore::WritePresetParams(const std::string& name, const Params& params) const {
    return WritePresetValue(name, kSetKey, FormatParams(params));
}

bool CPresetStore::DeletePresetFile(const std::string& name) const {
    if (!IsSafeName(name)) return false;
    // Gone already counts as deleted, unless the shipped preset of that name would still be read.
    if (::unlink(PresetFile(name).c_str()) == 0) return true;
    return errno == ENOENT && !IsRegularFile(FileIn(ShippedPresetFolder(), name));
}

void CPresetStore::SetPresetSection(const std::string& name) {
    m_section = name;
    m_folder = name;
}

void CPresetStore::SetPresetFolder(const std::string& name) {
    m_folder = name;
}

void CPresetStore::ResetPresetFolder() {
    m_folder = m_section;
}

std::string CPresetStore::FormatParams(const Params& params) {
    std::string text;
    for (size_t i = 0; i < params.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(params[i]);
    }
    return text;
}

bool CPresetStore::ParseParams(std::string_view text, Params& params) {
    if (text.size() <= kMinSetChars) return false;
    // "%d,%d,...": each number may have leading blanks and a sign, the commas
    // must follow at once, anything after the eleventh number is ignored. A
    // value with fewer than eleven numbers is refused rather than loaded in
    // part, so a preset is never a mix of itself and the previous settings.
    Params parsed{};
    const char* p = text.data();
    const char* end = p + text.size();
    for (size_t i = 0; i < parsed.size(); ++i) {
        if (i) {
            if (p == end || *p != ',') return false;
            ++p;
        }
        while (p != end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')) ++p;
        if (p != end && *p == '+') ++p;  // from_chars takes only '-'
        auto [next, ec] = std::from_chars(p, end, parsed[i]);
        if (ec != std::errc()) return false;  // no digits or out of range
        p = next;
    }
    params = parsed;
    return true;
}

bool CPresetStore::HasForbiddenChar(std::string_view name) {
    return name.find_first_of(kForbiddenChars) != std::string_view::npos;
}

bool CPresetStore::IsValidName(std::string_view name) {
    return !name.empty() && Utf8Length(name) <= kMaxNameChars && !HasForbiddenChar(name);
}

size_t CPresetStore::Utf8Length(std::string_view text) {
    // Characters, not bytes: continuation bytes are not counted.
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string CPresetStore::TruncateName(std::string_view name) {
    size_t chars = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
        if (chars == kMaxNameChars || i + CharBytes(name, i) > kMaxNameBytes) return std::string(name.substr(0, i));
        ++chars;
    }
    return std::string(name);
}

bool CPresetStore::AskPresetName(const std::string& initial, std::string& name) {
    name = TruncateName(initial);
    for (;;) {
        if (Services().AskText(LoadString(kMsgPresetNameCaption), LoadString(kMsgPresetNamePrompt), name) !=
            MsgAnswer::Ok) {
            return false;
        }
        name = TruncateName(name);
        if (!HasForbiddenChar(name)) return true;
        ShowMessage(kMsgInvalidPresetChar, MsgIcon::Stop);
    }
}

std::vector<std::string> CPresetStore::ListPresetNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view file = entry->d_name;
        if (file.size() <= kExtension.size() || !file.ends_with(kExtension)) continue;
        if (file.starts_with(kHiddenPrefix)) continue;
        if (!IsRegularFile(folder + "/" + std::string(file))) continue;
        // The name is the file name cut at its last '.', which is the one of ".pst".
        names.emplace_back(file.substr(0, file.size() - kExtension.size()));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<CPresetStore::PresetEntry> CPresetStore::ListPresets(const std::string& folderName) {
    const std::vector<std::string> mine = ListPresetNames(UserFolder(folderName));
    std::vector<PresetEntry> list;
    for (const std::string& name : mine) list.push_back({name, false});
    for (const std::string& name : ListPresetNames(ShippedFolder(folderName))) {
        if (!std::binary_search(mine.begin(), mine.end(), name)) list.push_back({name, true});
    }
    return list;
}
