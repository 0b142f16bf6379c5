// The settings of the config file, installed as the program's settings for
// the length of one command.
#pragma once

#include "base/AppSettings.h"

class CSettingsScope {
public:
    // Loads the settings from the profile and installs them; creates the presets folder.
    CSettingsScope();
    // Uninstalls them again.
    ~CSettingsScope();
    CSettingsScope(const CSettingsScope&) = delete;
    CSettingsScope& operator=(const CSettingsScope&) = delete;

    // The installed settings; changes take effect at once.
    AppSettings& Get() { return m_settings; }

private:
    AppSettings m_settings;
};
