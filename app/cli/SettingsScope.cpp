#include "SettingsScope.h"

#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"

CSettingsScope::CSettingsScope() {
    m_settings.Load(Profile());
    SetSettings(&m_settings);
    // The folder users save their presets in; a failure shows when a preset is saved.
    CProgramPaths::MakeDirectories(m_settings.PresetPath);
}

CSettingsScope::~CSettingsScope() {
    SetSettings(nullptr);
}
