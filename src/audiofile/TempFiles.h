// CTempFiles: the bookkeeping that lets a start-up sweep remove the temporary
// files of runs that were killed, without touching a file that a running
// process or a saved session still needs.
//
// Every process that makes temporary files in a folder holds an exclusive lock
// on a run file of its own there ("restova-*.run") for as long as it runs. It
// records in it each temporary file before creating it, and each session file
// beside a song before saving steps from that folder into it. Records are added
// while holding the folder's sweep lock shared; a sweep holds it exclusively.
// A run file that the sweep can lock belongs to an ended process: the files it
// records go, unless a live process recorded them too or a session it recorded
// still refers to them. A recorded session that is gone keeps all of that
// run's files, since what it referred to can no longer be checked.
#pragma once

#include <string>

class CTempFiles {
public:
    // Records that this process is about to create path (a "dctmp<N>.wav" in its folder); from now on
    // until the process ends no sweep removes it. False when the record could not be written.
    static bool Reserve(const std::string& path);
    // Creates an empty "dcses<N>.ses" in folder for a session of this process's own and records it (and
    // its ".pkf" companion); the path without the extension, empty when nothing could be created.
    static std::string CreatePrivateStem(const std::string& folder);
    // The scratch file through which the private session file sessionPath is saved.
    static std::string ScratchOf(const std::string& sessionPath) { return sessionPath + ".new"; }
    // Records that the session file sessionPath refers to files in folder (before steps are saved into
    // it), or no longer does (after it was removed).
    static void NoteSession(const std::string& folder, const std::string& sessionPath);
    static void DropSession(const std::string& folder, const std::string& sessionPath);
    // Removes from folder the temporary files of ended processes that no session refers to, and their run
    // files; the number of files removed.
    static int Sweep(const std::string& folder);
};
