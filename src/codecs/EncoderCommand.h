// MP3 (and Ogg Vorbis) encoding by an external command-line encoder: the
// argument text each encoder type is given, and running the program with it.
#pragma once

#include <string>
#include <vector>

#include "codecs/Mp3Options.h"

struct EncoderCommand {
    // The arguments as one text, as a command line shows them (empty: nothing to run).
    std::string text;
    // The same arguments one by one, the program first: started without a shell, so that names
    // with blanks or quotes reach the encoder as they are.
    std::vector<std::string> argv;
    // Where the encoder writes (the Ogg encoder's target takes ".ogg").
    std::string target;
};

// channelMode: 0 stereo, 1 mono, 2 left, 3 right.
EncoderCommand BuildEncoderCommand(const Mp3Options& options, const std::string& source, const std::string& target,
                                   int bitRate, int channelMode, bool vbr);

// Runs the command and waits for it: 0 on success, 1 on failure (message 409 when it cannot be
// started, the exit-code message when it fails; for Xing an exit code of -1 counts as success).
int RunEncoder(const Mp3Options& options, const EncoderCommand& command);
