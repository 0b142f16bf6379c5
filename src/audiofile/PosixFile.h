// Whole reads and writes at file offsets, retried on interruption, and the
// opening of regular files only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// open(2) of name with flags that fails (errno EINVAL) for anything but a regular file: a FIFO or
// device named like a wave would block or never end. The descriptor, or -1.
int OpenRegularFile(const std::string& name, int flags);
// Writes all n bytes at offset; false on failure (errno set).
bool WriteAllAt(int fd, const void* data, size_t n, uint64_t offset);
// Reads up to n bytes at offset, fewer only at the end of the file; bytes read or -1.
int64_t ReadAllAt(int fd, void* data, size_t n, uint64_t offset);
// The whole regular file at path into out, when it is at most maxBytes long; false otherwise.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out);
