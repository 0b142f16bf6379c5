// Compressed files brought in as waves: WMA with its own checks, and the one
// entry that decodes whatever the program reads into a new PCM wave.
#pragma once

#include <string>

// A WMA file (one audio stream only: message 209 otherwise; 210 when that stream cannot be decoded)
// into a new wave at target, replacing a file of that name. False on any failure; the caller shows
// message 32928. No partial wave is left behind.
bool ReadWmaFile(const std::string& source, const std::string& target);

// source (WMA, MP3, a compressed wave, FLAC ...) into a new wave at target, replacing a file of
// that name: 0, or -1 (WMA messages shown as ReadWmaFile does).
int DecodeToWave(const std::string& source, const std::string& target);
