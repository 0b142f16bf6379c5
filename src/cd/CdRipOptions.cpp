#include "cd/CdRipOptions.h"

#include "base/AppSettings.h"
#include "base/SettingsStore.h"

CdRipOptions CdRipOptions::Load(const CSettingsStore& store, const AppSettings& settings) {
    CdRipOptions o;
    const char* s = kSectionCDRip;
    o.drvIdx = store.GetProfileInt(s, "DrvIdx", 0);
    o.path = store.GetProfileString(s, "Path", settings.Bin1Path);
    if (o.path.empty()) o.path = settings.Bin1Path;
    o.imageFolder = store.GetProfileString(s, "ImageFolder", "");
    o.overwrite = store.GetProfileInt(s, "Overwrite", 0) != 0;
    o.createPlaylist = store.GetProfileInt(s, "CreatePlaylist", 0) != 0;
    o.openFiles = store.GetProfileInt(s, "OpenFiles", 0) != 0;
    o.ripToMp3 = store.GetProfileInt(s, "RipToMP3", 0) != 0;
    o.col0Width = store.GetProfileInt(s, "Col0Width", 150);
    o.col1Width = store.GetProfileInt(s, "Col1Width", 0);
    o.autoCddb = settings.AutoCDDB != 0;
    o.jitter = settings.CDRipJitter != 0;
    return o;
}

bool CdRipOptions::Save(CSettingsStore& store) const {
    const char* s = kSectionCDRip;
    store.BeginUpdate();
    store.WriteProfileInt(s, "DrvIdx", drvIdx);
    store.WriteProfileString(s, "Path", path);
    store.WriteProfileString(s, "ImageFolder", imageFolder);
    store.WriteProfileInt(s, "CreatePlaylist", createPlaylist);
    store.WriteProfileInt(s, "OpenFiles", openFiles);
    store.WriteProfileInt(s, "RipToMP3", ripToMp3);
    store.WriteProfileInt(s, "Col0Width", col0Width);
    store.WriteProfileInt(s, "Col1Width", col1Width);
    return store.EndUpdate();
}
