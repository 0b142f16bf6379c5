// CSessionFile: a session's record on disk, the song's path and format and the
// step list in the layout of CSessionArchive. Saving replaces the file in one
// step. Loading makes every stored path absolute and finds the files of a
// folder that was moved as a whole beside the session file.
#pragma once

#include <string>
#include <vector>

#include "audiofile/QueEdit.h"
#include "audiofile/SessionArchive.h"
#include "audiofile/WaveFormat.h"

class CSessionFile {
public:
    enum class Load {
        kAbsent,   // no file, an unreadable one, or another identifier: as if there were none
        kLoaded,   // every step read
        kDamaged,  // the step list is cut short or malformed; the steps before the fault were read
    };

    // Reads the session file at sessionPath; the steps' files are where Locate finds them.
    static Load Read(const std::string& sessionPath, CSessionArchive::Contents& contents);
    // Writes the session through a scratch file beside it that then takes its name, so the file holds
    // the old or the new list at every instant; false when it cannot. scratchPath names the scratch file
    // when the caller must know it (empty: a fresh name).
    static bool Write(const std::string& sessionPath, const std::string& songPath, const WAVEFORMATEX& format,
                      const std::vector<CQueEdit>& steps, const std::string& scratchPath = {});
    // Where the file stored as stored in the session at sessionPath is now: the stored path made absolute
    // (a relative one taken from the working folder, else from the session's folder) when something is
    // there; else a file of the same name beside the session when there is one; else the stored path.
    static std::string Locate(const std::string& stored, const std::string& sessionPath);
};
