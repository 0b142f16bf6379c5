// Where the program keeps things: the writable program folder (bins,
// presets, temporary waves), the read-only share folder (help pictures,
// guide, chime, shipped presets) and the settings file; plus the few folder
// operations that start-up needs. Paths use "/" and carry no trailing slash.
#pragma once

#include <string>

class CProgramPaths {
public:
    // $RESTOVA_HOME when set (a relative one from the current folder), else ~/Restova.
    static std::string ProgramFolder();
    // The installed share folder when it exists, else the source tree's share/.
    static std::string ShareFolder();
    // $XDG_CONFIG_HOME/Parlowe/Restova.ini (default ~/.config).
    static std::string SettingsFile();
    // $HOME, else the password database's home, else "/".
    static std::string HomeFolder();
    // The user's music folder: XDG_MUSIC_DIR of user-dirs.dirs, else ~/Music. It may not exist.
    static std::string MusicFolder();
    // Whether an executable of this name is in one of $PATH's folders.
    static bool OnPath(const std::string& program);

    // folder + "/" + name, without doubling a slash.
    static std::string Join(const std::string& folder, const std::string& name);
    static bool IsDirectory(const std::string& path);
    static bool Exists(const std::string& path);
    // Creates the folder and its missing parents; true when it is a folder afterwards.
    static bool MakeDirectories(const std::string& path);
    // Copies the regular files of source into destination, recursing into
    // folders; existing files are left alone and hidden entries skipped.
    // False when a file could not be copied.
    static bool CopyMissingFiles(const std::string& source, const std::string& destination);
};
