// The naming rules of the program's files: companions of a wave, temporary
// waves and numbered variants of a path. The one place these names are made.
#pragma once

#include <string>

// "Song.wav" -> "Song.ses"; a name without a dot gets ".ses" appended.
std::string SessionFileName(const std::string& songPath);
// "Song.wav" -> "Song.pkf"; a name without a dot, or whose only dot is its first character, gets ".pkf".
std::string PeakFileName(const std::string& wavePath);
// The first free "<dir>/dctmp<N>.wav" from start on (warning 107 past 9900, the search ends at 9999).
std::string TempWaveName(const std::string& tempDir, int start = 1);
// Folder + base name with its trailing digits replaced by N, N from max(T, minimum) counting up while taken.
std::string NumberedVariant(const std::string& path, int minimum = 1);
// dir + "/" (when missing) + name.
std::string FileInTempDir(const std::string& dir, const std::string& name);
