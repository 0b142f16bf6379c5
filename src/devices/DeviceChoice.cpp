#include "devices/DeviceChoice.h"

#include "base/AppSettings.h"
#include "base/StringTable.h"

CDeviceChoice::CDeviceChoice(AppSettings& settings, CAudioHost& host, bool capture)
    : m_settings(settings), m_capture(capture), m_devices(host.Devices(capture)) {
    m_names.push_back(LoadString(kMsgDefaultDevice));
    for (const AudioEndpoint& e : m_devices) m_names.push_back(e.name);
}

int CDeviceChoice::Selected() const {
    if (m_settings.UseWDM) {
        const DeviceGuid& id = m_capture ? m_settings.GuidDevIn : m_settings.GuidDevOut;
        for (size_t i = 0; i < m_devices.size(); ++i) {
            if (m_devices[i].id == id) return static_cast<int>(i + 1);
        }
        return 0;
    }
    const int stored = m_capture ? m_settings.MMERecDev : m_settings.MMEPlayDev;
    return stored > 0 && static_cast<size_t>(stored) <= m_devices.size() ? stored : 0;
}

bool CDeviceChoice::Store(int index) {
    if (index < 0 || static_cast<size_t>(index) > m_devices.size()) index = 0;
    if (m_settings.UseWDM) {
        DeviceGuid id{};
        if (index > 0) id = m_devices[static_cast<size_t>(index - 1)].id;
        DeviceGuid& stored = m_capture ? m_settings.GuidDevIn : m_settings.GuidDevOut;
        if (stored == id) return false;
        stored = id;
        return true;
    }
    int& stored = m_capture ? m_settings.MMERecDev : m_settings.MMEPlayDev;
    if (stored == index) return false;
    stored = index;
    return true;
}
