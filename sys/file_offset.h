// Files addressed by 64-bit byte offsets in both builds: stdio's fseek takes
// a long, which is 32 bits on Windows, so files over 2 GiB need these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Absolute seek. Returns false when the offset is beyond INT64_MAX or the
// stream cannot seek there.
bool FileSeekTo(std::FILE* f, uint64_t offset);

// The file's size in bytes, or -1 when it cannot be sought (pipes, some
// devices). Leaves the position at the end.
int64_t FileSize64(std::FILE* f);

// Reads up to `count` bytes at `offset`; returns how many arrived (0 when
// the seek fails).
size_t FileReadAt(std::FILE* f, uint64_t offset, void* out, size_t count);
