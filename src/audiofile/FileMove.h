// Moving and copying a file without ever replacing one at the destination: a
// rename where the file system allows it, else a synced copy (and for a move
// the removal of the source).
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
