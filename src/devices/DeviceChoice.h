// The device lists the user chooses from (the Sound Card dialog's outputs, the
// record pane's inputs): the default device first, then the host's devices in
// enumeration order. The choice is kept the way the engine in use reads it:
// an identifier with the WDM engine (GuidDevOut / GuidDevIn, zero for the
// default) and an entry number with MME (MMEPlayDev / MMERecDev, 0 for the
// default, n for the list's entry n). Interface thread.
#pragma once

#include <string>
#include <vector>

#include "devices/AudioHost.h"

class AppSettings;

class CDeviceChoice {
public:
    CDeviceChoice(AppSettings& settings, CAudioHost& host, bool capture);

    const std::vector<std::string>& Names() const { return m_names; }
    // The entry of the stored choice; 0 (the default) when it is not in the list any more.
    int Selected() const;
    // Stores entry index as the choice (an index outside the list is the default); true when the
    // stored choice changed.
    bool Store(int index);

private:
    AppSettings& m_settings;
    bool m_capture;
    std::vector<AudioEndpoint> m_devices;
    std::vector<std::string> m_names;
};
