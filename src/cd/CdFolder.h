// CCdFolder: Bin3 made ready for the CD writer. Every wave is brought to CD
// format (stereo, then 44100 Hz and 16 bits) in place, and the CD playlist is
// reconciled with the folder: duplicates and unreadable entries go, waves not
// yet listed are appended.
#pragma once

#include <string>

class CSongList;

class CCdFolder {
public:
    // Converts every "*.wav" of folder that is not CD format, through a temporary wave in tempFolder
    // that then replaces it. A file that fails is reported (317 or 406) and left as it was. Returns
    // the number of files that failed.
    static int PrepareWaves(const std::string& folder, const std::string& tempFolder);
    // Loads folder's CD playlist into list (saving the list as a new playlist first when there is
    // none to load), removes later duplicates (paths compared without case) and unreadable
    // entries, appends the folder's unlisted waves, and saves it. False when it cannot be saved.
    static bool Reconcile(const std::string& folder, CSongList& list);
    // The playlist file of folder.
    static std::string PlaylistPath(const std::string& folder);
    // Writes source's audio with each sample doubled into the new stereo wave destination.
    // 0 or the file error code.
    static int ToStereo(const std::string& source, const std::string& destination);
};
