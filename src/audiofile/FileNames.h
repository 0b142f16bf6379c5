// The naming rules of the program's files: companions of a wave, temporary
// waves and numbered variants of a path. The one place these names are made.
#pragma once

#include <string>

// Numbers at which the search for a free temporary wave warns (message 107) and ends.
inline constexpr int kTempWaveWarnAbove = 9900;
inline constexpr int kTempWaveLast = 9999;
// Base names are cut to this many characters before a number is appended.
inline constexpr size_t kMaxBaseNameChars = 250;

// "Song.wav" -> "Song.ses"; a name without a dot, or whose only dot is its first character, gets ".ses".
std::string SessionFileName(const std::string& songPath);
// "Song.wav" -> "Song.pkf"; the same rule with ".pkf".
std::string PeakFileName(const std::string& wavePath);
// The first free "<dir>/dctmp<N>.wav" from start on, recorded as this process's (CTempFiles) so that no
// sweep removes it, and claimed by creating it empty, so that processes running at once never share one. crowded (when
// given) tells whether N passed 9900; at 9999 the search ends and that name is taken even when it exists.
std::string TempWaveName(const std::string& tempDir, int start = 1, bool* crowded = nullptr);
// Folder + base name (cut to 250 characters) with its trailing digits T replaced by N, N starting at
// max(T, minimum, 1) and counting up while that file exists, up to 9999.
std::string NumberedVariant(const std::string& path, int minimum = 1);
// The same, claimed by creating it empty, for a scratch file that processes working at once in one
// folder must never share.
std::string ClaimNumberedVariant(const std::string& path, int minimum);
// dir + "/" (when missing) + name.
std::string FileInTempDir(const std::string& dir, const std::string& name);
// path made absolute (from the working folder) and normalised: no "." or ".." parts, no doubled or
// trailing "/".
std::string AbsolutePath(const std::string& path);
// True when both names reach the same file (or are the same text).
bool SamePath(const std::string& a, const std::string& b);
// True when something (even a dangling link) is at path.
bool PathExists(const std::string& path);
// The folder part of path: "." when it has none, "/" for the root.
std::string FolderOf(const std::string& path);
// Flushes a file's data (folder: a folder's entries) to the disk; true also where a file system cannot
// sync folders.
bool SyncPath(const std::string& path, bool folder = false);
// The file name without its folder.
std::string FileNameOf(const std::string& path);
// The file name without its folder and extension (a song's title).
std::string FileTitle(const std::string& path);
// path with its extension (the part from the last dot of the file name) replaced by ext (".xyz").
std::string ReplaceExtension(const std::string& path, const std::string& ext);
// Whether the file name's extension is ext (".xyz"), in any case.
bool HasExtension(const std::string& path, const std::string& ext);
