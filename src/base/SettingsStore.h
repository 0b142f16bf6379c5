// The per-user settings store: named sections of integer, string and binary
// values in one INI file (normally $XDG_CONFIG_HOME/Parlowe/Restova.ini).
// Integers are written in decimal, binary values as two hex digits per byte.
// A missing or malformed value reads as the caller's default. Every write is
// saved at once, atomically; the folder is created when missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/IniFile.h"

class CSettingsStore {
public:
    // The store in the file named by CProgramPaths::SettingsFile() at construction.
    CSettingsStore();
    explicit CSettingsStore(std::string iniPath);

    const std::string& Path() const { return m_path; }

    int GetProfileInt(const std::string& section, const std::string& key, int fallback) const;
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& fallback = {}) const;
    // The stored bytes; false (data emptied) when the value is absent or not hex.
    bool GetProfileBinary(const std::string& section, const std::string& key, std::vector<uint8_t>& data) const;

    // Each returns false when the value could not be stored (the file keeps its old contents).
    bool WriteProfileInt(const std::string& section, const std::string& key, int value);
    bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value);
    // bytes: the number of bytes at data.
    bool WriteProfileBinary(const std::string& section, const std::string& key, const uint8_t* data, size_t bytes);

    // Between these, writes collect in memory and are saved once by EndUpdate
    // (true when every write was stored). Updates do not nest.
    void BeginUpdate();
    bool EndUpdate();

private:
    bool WriteValue(const std::string& section, const std::string& key, const std::string& value);
    // The file as it stands, or the update being built.
    bool Read(const std::string& section, const std::string& key, std::string& value) const;
    // Loads the file for editing; false when it exists but cannot be read.
    bool LoadForEdit(CIniFile& ini) const;
    bool SaveFile(const CIniFile& ini) const;

    std::string m_path;
    bool m_updating = false;
    bool m_updateOk = true;  // every write of the update was accepted
    bool m_loadOk = true;    // the file could be read, so saving loses nothing
    CIniFile m_pending;
};

// The program-wide store. Never null: the default store serves until another is set.
CSettingsStore& Profile();
void SetProfile(CSettingsStore* store);
