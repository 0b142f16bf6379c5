#include "SettingsScope.h"

#include "shell/SettingsStore.h"

CSettingsScope::CSettingsScope() {
    m_settings.Load(Profile());
    SetSettings(&m_settings);
}

CSettingsScope::~CSettingsScope() {
    SetSettings(nullptr);
}
