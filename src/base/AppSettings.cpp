#include "base/AppSettings.h"

#include <algorithm>
#include <vector>

#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"

namespace {

AppSettings* g_settings = nullptr;

constexpr const char* kWaveEditor = "audacity";

void LoadGuid(const CSettingsStore& store, const char* key, AppSettings::Guid& guid) {
    std::vector<uint8_t> bytes;
    guid.fill(0);
    if (store.GetProfileBinary(kSectionRestova, key, bytes) && bytes.size() == guid.size()) {
        std::copy(bytes.begin(), bytes.end(), guid.begin());
    }
}

}  // namespace

AppSettings::AppSettings() : AppSettings(CProgramPaths::ProgramFolder(), CProgramPaths::ShareFolder()) {}

AppSettings::AppSettings(std::string programFolder, std::string shareFolder)
    : ProgramFolder(std::move(programFolder)), m_shareFolder(std::move(shareFolder)) {
    SetDefaults(m_shareFolder);
}

void AppSettings::SetDefaults(const std::string& shareFolder) {
    // Temporary waves get a folder of their own rather than the program folder itself.
    TempPath = CProgramPaths::Join(ProgramFolder, "Temp");
    PresetPath = CProgramPaths::Join(ProgramFolder, "Presets");
    Bin1Path = CProgramPaths::Join(ProgramFolder, "Bin1_My_Song_Files");
    Bin2Path = CProgramPaths::Join(ProgramFolder, "Bin2_Working_On");
    Bin3Path = CProgramPaths::Join(ProgramFolder, "Bin3_Ready_For_CD");
    MP3EncPath = "lame_enc.dll";
    // The advanced editor is whatever wave editor the desktop has; empty asks the user to pick one.
    Zarvo6Path = CProgramPaths::OnPath(kWaveEditor) ? kWaveEditor : "";
    BtnFont = "Comic Sans MS Bold";
    // The chime ships read-only with the other resources.
    ChimeSndPath = CProgramPaths::Join(shareFolder, "Chime.wav");
    RecordMixer.clear();
    BtnFontSize = 100;
    BtnFontColor = 10930376;
    GuidDevIn.fill(0);
    GuidDevOut.fill(0);
    MMERecDev = 0;
    MMEPlayDev = 0;
    AutoCDDB = 0;
    CDRipJitter = 0;
    UseSounds = 1;
    UseWDM = 1;
    AutoSaveDefaultPreset = 1;
    LoopPreview = 1;
    HiResRecording = 0;
    MonoRecording = 0;
    FlatPreamp = 0;
    UseVOX = 1;
    AdaptiveHum = 1;
    VOXLevel = -55;
    WMACodecIdx = 0;
    WMAFormatIdx = 0;
    ShowWMAProfile = 1;
    ReInitOnPlay = 0;
}

void AppSettings::Load(const CSettingsStore& store) {
    SetDefaults(m_shareFolder);
    const char* s = kSectionRestova;
    auto str = [&](const char* key, std::string& field) { field = store.GetProfileString(s, key, field); };
    auto num = [&](const char* key, int& field) { field = store.GetProfileInt(s, key, field); };
    str("TempPath", TempPath);
    str("PresetPath", PresetPath);
    str("Bin1Path", Bin1Path);
    str("Bin2Path", Bin2Path);
    str("Bin3Path", Bin3Path);
    str("MP3EncPath", MP3EncPath);
    str("Zarvo6Path", Zarvo6Path);
    str("BtnFont", BtnFont);
    str("ChimeSndPath", ChimeSndPath);
    str("RecordMixer", RecordMixer);
    num("BtnFontSize", BtnFontSize);
    BtnFontColor = static_cast<uint32_t>(store.GetProfileInt(s, "BtnFontColor", static_cast<int>(BtnFontColor)));
    LoadGuid(store, "GuidDevIn", GuidDevIn);
    LoadGuid(store, "GuidDevOut", GuidDevOut);
    num("MMERecDev", MMERecDev);
    num("MMEPlayDev", MMEPlayDev);
    num("AutoCDDB", AutoCDDB);
    num("CDRipJitter", CDRipJitter);
    num("UseSounds", UseSounds);
    num("UseWDM", UseWDM);
    num("AutoSaveDefaultPreset", AutoSaveDefaultPreset);
    num("LoopPreview", LoopPreview);
    num("HiResRecording", HiResRecording);
    num("MonoRecording", MonoRecording);
    num("FlatPreamp", FlatPreamp);
    num("UseVOX", UseVOX);
    num("AdaptiveHum", AdaptiveHum);
    num("VOXLevel", VOXLevel);
    num("WMACodecIdx", WMACodecIdx);
    num("WMAFormatIdx", WMAFormatIdx);
    num("ShowWMAProfile", ShowWMAProfile);
    num("ReInitOnPlay", ReInitOnPlay);
}

bool AppSettings::Save(CSettingsStore& store) const {
    const char* s = kSectionRestova;
    auto str = [&](const char* key, const std::string& value) { store.WriteProfileString(s, key, value); };
    auto num = [&](const char* key, int value) { store.WriteProfileInt(s, key, value); };
    auto guid = [&](const char* key, const Guid& value) {
        store.WriteProfileBinary(s, key, value.data(), value.size());
    };
    store.BeginUpdate();
    str("PresetPath", PresetPath);
    str("TempPath", TempPath);
    num("AutoSaveDefaultPreset", AutoSaveDefaultPreset);
    num("UseWDM", UseWDM);
    num("MMERecDev", MMERecDev);
    num("MMEPlayDev", MMEPlayDev);
    guid("GuidDevIn", GuidDevIn);
    guid("GuidDevOut", GuidDevOut);
    num("AutoCDDB", AutoCDDB);
    num("CDRipJitter", CDRipJitter);
    num("LoopPreview", LoopPreview);
    num("HiResRecording", HiResRecording);
    num("MonoRecording", MonoRecording);
    num("FlatPreamp", FlatPreamp);
    num("UseVOX", UseVOX);
    num("AdaptiveHum", AdaptiveHum);
    num("VOXLevel", VOXLevel);
    num("ReInitOnPlay", ReInitOnPlay);
    num("ShowWMAProfile", ShowWMAProfile);
    num("WMACodecIdx", WMACodecIdx);
    num("WMAFormatIdx", WMAFormatIdx);
    num("BtnFontSize", BtnFontSize);
    num("BtnFontColor", static_cast<int>(BtnFontColor));
    num("UseSounds", UseSounds);
    str("Bin1Path", Bin1Path);
    str("Bin2Path", Bin2Path);
    str("Bin3Path", Bin3Path);
    str("MP3EncPath", MP3EncPath);
    str("Zarvo6Path", Zarvo6Path);
    str("BtnFont", BtnFont);
    str("RecordMixer", RecordMixer);
    return store.EndUpdate();
}

AppSettings& Settings() {
    static AppSettings fallback;
    return g_settings ? *g_settings : fallback;
}

void SetSettings(AppSettings* settings) {
    g_settings = settings;
}
