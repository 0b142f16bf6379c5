// Moving, copying and linking files so that a name always holds a whole file:
// a rename where the file system allows it, else a synced copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Told the bytes copied so far and the source's size.
using CopyProgressFn = std::function<void(uint64_t done, uint64_t total)>;

// 0, or the errno of the failure; a failed move leaves one file, at the source.
int MoveFileNoReplace(const std::string& source, const std::string& destination);
// Copies source into a new file at destination (never replacing one) and syncs it; progress, when
// given, is told after every block. 0, or the errno of the failure; a failed copy leaves nothing.
int CopyFileNew(const std::string& source, const std::string& destination, const CopyProgressFn& progress = {});
// A second name for source's contents: a hard link, or a copy where links are not possible. False
// with errno set when it fails.
bool LinkOrCopy(const std::string& source, const std::string& destination);
// Moves source over destination in one step; across file systems through a synced copy in the
// destination's folder that is then renamed over it. False with errno set when it fails.
bool MoveReplacing(const std::string& source, const std::string& destination);
