// Moving a file without ever replacing one at the destination: a rename where
// the file system allows it, else a synced copy and the removal of the source.
#pragma once

#include <string>

// 0, or the errno of the failure; a failed move leaves one file, at the source.
int MoveFileNoReplace(const std::string& source, const std::string& destination);
