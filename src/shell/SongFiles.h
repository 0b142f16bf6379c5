// A song in a bin is its wave with two companions of the same name, the
// peak file and the session file. These are the copy, delete and rename of a
// whole song, and its three stage status flags.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class CSongFiles {
public:
    // The stage status flags of a song's divider block.
    enum Status : int { kClean = 0, kEnhance = 1, kFinalTouches = 2 };

    // Told the bytes copied so far of a copy's total.
    using CopyProgress = std::function<void(uint64_t done, uint64_t total)>;

    // Whether the song has a session file beside it.
    static bool HasSession(const std::string& song);

    // Writes the song's current audio into target, replacing a file there only once the new one is
    // complete: a song with a session has its session's audio written (with the dividers in force in a
    // fresh peak file), any other is copied with its peak file. 0; an errno for a failed copy; -1 when
    // writing the session's audio failed (its message was shown).
    static int CopySong(const std::string& source, const std::string& target, const CopyProgress& progress = {});
    // Copies one file's bytes into target through a scratch file beside it that then replaces
    // target. 0 or an errno.
    static int CopyFileReplacing(const std::string& source, const std::string& target,
                                 const CopyProgress& progress = {});

    // Removes the wave, then its session (with the session's own step files) and its peak file. 0, or
    // the errno of removing the wave (a missing wave is no failure); the companions then stay.
    static int DeleteSong(const std::string& song);

    // Renames the song and its companions; its session is told the new name. Never replaces an
    // existing wave. 0 or the errno of renaming the wave (nothing changed then).
    static int RenameSong(const std::string& oldPath, const std::string& newPath);

    // Sets ('1') or clears ('0') status byte index (0..255; others are ignored) in the song's peak
    // file and, when it has one, in its session's current step, so that a later commit keeps it.
    // False when neither could be written.
    static bool SetStatus(const std::string& song, int index, bool done);
    // The number of dividers in force: those of the session's current step when the song has a
    // session, else those of its peak file (0 when it cannot be read).
    static uint32_t DividerCount(const std::string& song);
    // The three stage flags from the song's peak file; all false when it cannot be read.
    static std::array<bool, 3> GetStatus(const std::string& song);
};
