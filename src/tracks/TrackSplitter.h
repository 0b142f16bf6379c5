// CTrackSplitter: cuts a recording at its track dividers into one wave per
// song. The audio comes from the song's session stream (the current step's
// dividers and data), so edits not yet committed are split as the user hears
// them. Each piece is copied byte for byte into a new wave of the source's
// format; nothing is converted.
//
// Positions are bytes of the session stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/DividerBlock.h"

class CSongDocument;

class CTrackSplitter {
public:
    enum class Result {
        Done,        // every piece was handled (some may have joined the next one)
        NoDividers,  // the source has no dividers: nothing was done
        Declined,    // the user cancelled before anything was done
        Cancelled,   // the cancel flag stopped a copy; files already written stay
        Failed,      // halted after a message; files already written stay, the source too
    };

    // Track-file naming rules.
    enum Naming : int {
        kNamingTwoDigits = 0,  // B01.wav, B02.wav, ... (three digits with more than 99 dividers)
        kNamingLetters = 1,    // Ba.wav, Bb.wav, ...
        kNamingDividers = 2,   // <divider name>.wav
        kNamingPlain = 3,      // B1.wav, B2.wav, ...
    };

    static constexpr uint32_t kCdSectorBytes = 2352;      // one audio-CD sector
    static constexpr uint32_t kSmallestPieceBytes = 100;  // shorter pieces join the next one
    static constexpr size_t kCopyBlockBytes = 1 << 20;    // unit of the copy loop and of the cancel check

    // Splits source at the dividers of its session's current step (a session is created from its peak
    // file when it has none) into destinationFolder (created when missing). naming is one of Naming
    // (others count as 0); names, when given, receives the path of every file written, in order. With
    // cdAlign every divider is first rounded down to a whole CD sector. Unless keepSource, the source,
    // its peak file and its session (with its step files) are deleted, but only when every byte of the
    // stream went into a written file. Failures are shown in message boxes.
    Result SplitIntoTracks(const std::string& source, const std::string& destinationFolder, bool keepSource, int naming,
                           std::vector<std::string>* names, bool cdAlign);

    // Asks for confirmation, closes the song (committing its session), and splits it with divider names
    // into bin2Path under its own progress window. Done when the split ran through; the caller then
    // tells the user.
    Result ChopIntoTunes(CSongDocument& song, const std::string& bin2Path);
    // Message 207, that the song is now one file per track.
    static void ShowChopped();

    // The file name (without folder) of piece k of a source titled base with count dividers. Always one
    // valid path component: divider names are made safe, and names too long for the file system are cut.
    static std::string PieceFileName(int naming, const std::string& base, int k, uint32_t count,
                                     const DividerBlock& dividers);
};
