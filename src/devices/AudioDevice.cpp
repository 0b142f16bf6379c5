#include "devices/AudioDevice.h"

#include <algorithm>

#include "base/AppSettings.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/DirectSoundDevice.h"
#include "devices/WaveDevice.h"

uint32_t CAudioDevice::DeviceErrorOf(int hostError) {
    switch (hostError) {
        case kHostOk:
            return kDevOk;
        case kHostBadFormat:
            return kDevBadFormat;
        case kHostBusy:
            return kDevAllocated;
        case kHostNoDevice:
            return kDevNoDriver;
        case kHostNoMemory:
            return kDevOutOfMemory;
        default:
            return kDevGeneric;
    }
}

AudioEndpoint CAudioDevice::Resolve(bool capture, const DeviceGuid* id, int index) {
    const std::vector<AudioEndpoint> list = m_host.Devices(capture);
    const bool zero = id && std::all_of(id->begin(), id->end(), [](uint8_t b) { return b == 0; });
    if (id && !zero) {
        for (const auto& e : list) {
            if (e.id == *id) return e;
        }
    } else if (!id && index >= 0 && static_cast<size_t>(index) < list.size()) {
        return list[static_cast<size_t>(index)];
    }
    if ((id && !zero) || (!id && index >= 0)) {
        // The saved device is gone (unplugged, or another machine): say so, then use the default.
        Services().MessageBox(ErrorText(kDevNoDriver), kAppCaption, MsgIcon::Exclamation, MsgButtons::Ok);
    }
    return m_host.DefaultDevice(capture);
}

std::unique_ptr<CAudioDevice> CreateAudioDevice(const AppSettings& settings, CAudioHost& host) {
    std::unique_ptr<CAudioDevice> device;
    if (settings.UseWDM) {
        device = std::make_unique<CDirectSoundDevice>(host);
        device->SetInputGuid(settings.GuidDevIn);
        device->SetOutputGuid(settings.GuidDevOut);
    } else {
        device = std::make_unique<CWaveDevice>(host);
        device->SetInputDevice(settings.MMERecDev > 0 ? settings.MMERecDev - 1 : -1);
        device->SetOutputDevice(settings.MMEPlayDev > 0 ? settings.MMEPlayDev - 1 : -1);
    }
    device->SetReInitOnPlay(settings.ReInitOnPlay != 0);
    return device;
}
