// The ripper's options, section "CDRip" of the settings store, and the two
// program-wide settings it reads (AutoCDDB, CDRipJitter).
#pragma once

#include <string>

class AppSettings;
class CSettingsStore;

struct CdRipOptions {
    int drvIdx = 0;
    std::string path;         // the rip folder; Bin1 when not stored
    std::string imageFolder;  // CUE/BIN and TOC/BIN images found here are listed as drives
    bool overwrite = false;
    bool createPlaylist = false;
    bool openFiles = false;
    bool ripToMp3 = false;
    int col0Width = 150;  // pixels; 0 sizes the column to its header
    int col1Width = 0;
    bool oneFile = false;     // "Rip all tracks to one file"; not stored
    bool subFolders = false;  // rip into artist and album folders; not stored
    bool autoCddb = false;
    bool jitter = false;

    static CdRipOptions Load(const CSettingsStore& store, const AppSettings& settings);
    // Writes what the pane keeps on closing: DrvIdx, Path, ImageFolder, CreatePlaylist, OpenFiles,
    // RipToMP3, Col0Width, Col1Width. False when the file could not be written.
    bool Save(CSettingsStore& store) const;
};
