// CPlayDeviceDlg: the "Select Playback Device" dialog without its window: the
// output devices with the stored choice selected, and OK, which stores the
// choice and has the audio engine made anew when it changed. Interface thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "devices/DeviceChoice.h"

class CPlayDeviceDlg {
public:
    static constexpr int kDialogId = 214;

    CPlayDeviceDlg(AppSettings& settings, CAudioHost& host);

    // The default device, then the host's output devices.
    const std::vector<std::string>& Names() const { return m_choice.Names(); }
    int Selected() const { return m_selected; }
    void Select(int index);
    // OK: stores the selected entry; when that changed the choice, recreate makes the engine anew
    // (the player moves onto it). True when it changed.
    bool Ok(const std::function<void()>& recreate);

private:
    CDeviceChoice m_choice;
    int m_selected;
};
