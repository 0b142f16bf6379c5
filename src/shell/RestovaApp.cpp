#include "shell/RestovaApp.h"

#include "audiofile/TempFiles.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "devices/AudioDevice.h"
#include "devices/Player.h"
#include "processing/FilterRunner.h"

namespace {

constexpr const char* kFirstTimeKey = "FirstTime";

}  // namespace

CRestovaApp::CRestovaApp() : CRestovaApp(Profile(), CProgramPaths::ProgramFolder(), CProgramPaths::ShareFolder()) {}

CRestovaApp::CRestovaApp(CSettingsStore& store, std::string programFolder, std::string shareFolder)
    : m_store(store), m_shareFolder(shareFolder), m_settings(std::move(programFolder), std::move(shareFolder)) {
    SetSettings(&m_settings);
    SetProfile(&m_store);
}

CRestovaApp::~CRestovaApp() {
    DestroyAudioEngine();
    if (&::Settings() == &m_settings) SetSettings(nullptr);
    if (&Profile() == &m_store) SetProfile(nullptr);
}

void CRestovaApp::InitInstance() {
    m_settings.Load(m_store);
    // The program has no installer: its first start makes the folders it needs.
    if (m_store.GetProfileInt(kSectionRestova, kFirstTimeKey, 0) == 0) InstallFolders();
    CheckBins();
    // Temporary files of runs that were killed go before this run makes its own.
    CTempFiles::Sweep(CFilterRunner::TempFolder());
}

bool CRestovaApp::InstallFolders() const {
    bool ok = true;
    for (const std::string* path : {&m_settings.Bin1Path, &m_settings.Bin2Path, &m_settings.Bin3Path,
                                    &m_settings.TempPath, &m_settings.PresetPath}) {
        ok = CProgramPaths::MakeDirectories(*path) && ok;
    }
    std::string shipped = CProgramPaths::Join(m_shareFolder, "Presets");
    if (CProgramPaths::IsDirectory(shipped) && CProgramPaths::IsDirectory(m_settings.PresetPath)) {
        ok = CProgramPaths::CopyMissingFiles(shipped, m_settings.PresetPath) && ok;
    }
    return ok;
}

int CRestovaApp::CheckBins() const {
    const std::pair<const std::string*, MsgId> bins[] = {{&m_settings.Bin1Path, kMsgBin1Invalid},
                                                         {&m_settings.Bin2Path, kMsgBin2Invalid},
                                                         {&m_settings.Bin3Path, kMsgBin3Invalid}};
    int missing = 0;
    for (const auto& [path, message] : bins) {
        if (CProgramPaths::Exists(*path)) continue;
        ++missing;
        ShowMessage(message, MsgIcon::Exclamation);
    }
    return missing;
}

CAudioDevice& CRestovaApp::CreateAudioEngine(CAudioHost& host) {
    std::unique_ptr<CAudioDevice> next = CreateAudioDevice(m_settings, host);
    // The player lets go of the old engine (its streams stopped) before that is destroyed.
    if (m_player) m_player->SetDevice(*next);
    m_engine = std::move(next);
    return *m_engine;
}

void CRestovaApp::DestroyAudioEngine() {
    m_engine.reset();
}

bool CRestovaApp::OnMainWindowInit() {
    if (m_store.GetProfileInt(kSectionRestova, kFirstTimeKey, 0) != 0) return false;
    m_store.WriteProfileInt(kSectionRestova, kFirstTimeKey, 1);
    return true;
}

bool CRestovaApp::OnFirstRunTimer() {
    return Services().OpenDocument(GuidePath());
}

bool CRestovaApp::OnMainWindowClosed() {
    return m_settings.Save(m_store);
}

std::string CRestovaApp::GuidePath() const {
    return CProgramPaths::Join(m_shareFolder, LoadString(kMsgGuideName));
}

int CRestovaApp::MmeDeviceId(int stored) {
    return stored >= 1 ? stored - 1 : -1;
}
