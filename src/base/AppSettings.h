// Every persistent setting of the program, read from section "Restova" at
// start and written back when the main window has closed. Other parts read
// these fields and never touch the store for these keys themselves.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CSettingsStore;

// Sections of the settings store.
inline constexpr const char* kSectionRestova = "Restova";
inline constexpr const char* kSectionCDRip = "CDRip";
inline constexpr const char* kSectionCDDB = "CDDB";
inline constexpr const char* kSectionImpulse = "Impulse";

class AppSettings {
public:
    using Guid = std::array<uint8_t, 16>;

    // Built-in values for the folders of CProgramPaths.
    AppSettings();
    // Built-in values for these folders (programFolder: bins, presets, temp; shareFolder: the chime).
    AppSettings(std::string programFolder, std::string shareFolder);

    // The read-only share folder these settings were made for (shipped presets, the chime).
    const std::string& ShareFolder() const { return m_shareFolder; }

    // Fills every field from section "Restova"; a missing or malformed value gives its built-in value.
    void Load(const CSettingsStore& store);
    // Writes the stored fields back (ChimeSndPath is never written) in one
    // update of the file; false when the file could not be written.
    bool Save(CSettingsStore& store) const;

    // Fields in declaration order. Paths have no trailing "/".
    std::string TempPath;
    std::string PresetPath;
    std::string Bin1Path;
    std::string Bin2Path;
    std::string Bin3Path;
    std::string MP3EncPath;
    std::string Zarvo6Path;
    std::string BtnFont;
    std::string ChimeSndPath;
    // The recording mixer's command line, split at blanks; empty = the first of
    // pavucontrol or alsamixer in a terminal that is installed.
    std::string RecordMixer;
    std::string ProgramFolder;  // not stored
    int BtnFontSize;            // tenths of a point
    uint32_t BtnFontColor;      // 0x00BBGGRR
    Guid GuidDevIn;
    Guid GuidDevOut;
    int MMERecDev;   // 1-based, 0 = system default
    int MMEPlayDev;  // 1-based, 0 = system default
    int AutoCDDB;
    int CDRipJitter;
    int UseSounds;
    int UseWDM;
    int AutoSaveDefaultPreset;
    int LoopPreview;
    int HiResRecording;
    int MonoRecording;
    int FlatPreamp;
    int UseVOX;
    int VOXLevel;  // dB
    int WMACodecIdx;
    int WMAFormatIdx;
    int ShowWMAProfile;
    int ReInitOnPlay;
    int AdaptiveHum;  // 1: the Clean stage cancels hum adaptively, 0: with fixed notches

    // The main window's layout, built in and never stored (pixels).
    static constexpr int kPaneLeft = 40;
    static constexpr int kPaneRight = 490;
    static constexpr int kMessageTop = 114;
    static constexpr int kMessageHeight = 100;
    static constexpr int kButtonRowTop = 225;
    static constexpr int kButtonRowHeight = 45;
    static constexpr int kPaneTop = 275;
    static constexpr int kPaneBottom = 580;
    static constexpr int kSideButtonsTop = 30;
    static constexpr int kTrainingWheelsWidth = 300;
    static constexpr int kTrainingWheelsHeight = 675;

private:
    void SetDefaults(const std::string& shareFolder);

    std::string m_shareFolder;
};

// The program-wide settings: the application object's once it runs, else a
// record of built-in values. Never null.
AppSettings& Settings();
void SetSettings(AppSettings* settings);
