// The application object without its windows: it owns the settings for the
// whole run, loads them at start, installs the program's folders on a first
// start, checks the bins, says when the first-run guide is due, and writes
// the settings back when the main window has closed. It owns the audio
// engine for the run; the front end creates the main window between these
// steps.
#pragma once

#include <memory>
#include <string>

#include "base/AppSettings.h"

class CAudioDevice;
class CAudioHost;
class CPlayer;
class CSettingsStore;

class CRestovaApp {
public:
    // Delay between the main window's start and the guide on a first start (ms).
    static constexpr int kFirstRunTimerMs = 1500;

    // The program-wide store and CProgramPaths' folders.
    CRestovaApp();
    // This store (it must outlive the object) and these folders.
    CRestovaApp(CSettingsStore& store, std::string programFolder, std::string shareFolder);
    // Also makes its settings and store the program-wide ones until it is destroyed.
    ~CRestovaApp();
    CRestovaApp(const CRestovaApp&) = delete;
    CRestovaApp& operator=(const CRestovaApp&) = delete;

    // Start-up before the audio engine: loads the settings; when FirstTime is
    // still 0 installs the folders; then checks the bins and sweeps the temporary
    // folder of what killed runs left. Start-up goes on in every case.
    void InitInstance();
    // Creates the three bins, the temp and the presets folder and copies the
    // shipped presets into the latter (existing files kept); false when any of it failed.
    bool InstallFolders() const;
    // Shows message 386, 387 or 411 for each bin that does not exist; returns how many are missing.
    int CheckBins() const;

    // Creates the audio engine UseWDM asks for (WDM with the two device GUIDs, else MME with the
    // stored device numbers) over host, replacing the one before: after Preferences or a change of
    // device. The player set with SetPlayer is stopped and moved onto the new engine before the old
    // one goes, whatever it was doing.
    CAudioDevice& CreateAudioEngine(CAudioHost& host);
    // The program's player, which lives on the engine (null: none). It must be set to null, or be
    // gone, before the engine is destroyed for good.
    void SetPlayer(CPlayer* player) { m_player = player; }
    // Null before CreateAudioEngine.
    CAudioDevice* AudioEngine() const { return m_engine.get(); }
    void DestroyAudioEngine();

    // The main window has initialised: when FirstTime is 0 it becomes 1 at
    // once and the result is true, meaning the first-run timer must start.
    bool OnMainWindowInit();
    // The first-run timer fired: opens the getting-started guide; false when that failed.
    bool OnFirstRunTimer();
    // The main window has closed: writes the settings back; false when they could not be stored.
    bool OnMainWindowClosed();

    // The guide in the share folder.
    std::string GuidePath() const;
    // The MME device id for a stored 1-based device number: 0 (or anything
    // below 1) is -1, the system default; n is n - 1.
    static int MmeDeviceId(int stored);

    AppSettings& Settings() { return m_settings; }
    CSettingsStore& Store() { return m_store; }

private:
    CSettingsStore& m_store;
    std::string m_shareFolder;
    AppSettings m_settings;
    std::unique_ptr<CAudioDevice> m_engine;
    CPlayer* m_player = nullptr;
};
