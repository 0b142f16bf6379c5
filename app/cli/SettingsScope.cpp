#include "SettingsScope.h"

#include "base/SettingsStore.h"

CSettingsScope::CSettingsScope() {
    m_settings.Load(Profile());
    SetSettings(&m_settings);
}

CSettingsScope::~CSettingsScope() {
    SetSettings(nullptr);
}
