// Every platform call of a file replacement goes through one table of
// function entries, so that tests can make any step fail and prove that the
// old file survives it. The real table (one per platform, in
// file_replace_win32.cpp and file_replace_posix.cpp) is the default.
#pragma once

#include <cstddef>
#include <cstdint>

// An open file: a descriptor natively, a HANDLE on Windows.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1; // also INVALID_HANDLE_VALUE

// Paths are UTF-8; the Windows entries widen them to extended-length paths.
struct FileReplaceTable {
    // Creates path, or empties it, for writing (privately: owner only).
    // Returns kNoFile on failure.
    FileHandle (*create)(const char* path, bool privately);
    // Writes all size bytes, or returns false.
    bool (*write)(FileHandle file, const void* data, size_t size);
    // Puts the file's data on the disk (fsync, FlushFileBuffers).
    bool (*flush)(FileHandle file);
    bool (*close)(FileHandle file);
    // Moves from over to, replacing it; natively the folder then goes to
    // the disk too, so that the new name survives a crash.
    bool (*rename)(const char* from, const char* to);
    bool (*remove)(const char* path);
    // True for a target that may not be replaced (Windows' read-only
    // attribute; natively no write permission for anyone).
    bool (*readOnly)(const char* path);
    // The line end of a text file: "\r\n" on Windows, "\n" natively.
    const char* lineEnd;
};

// Returns the table in force (the real one unless a test installed another).
const FileReplaceTable* FileReplaceCalls();

// Returns the platform's real table.
const FileReplaceTable* FileReplaceRealTable();

// Installs a table (it must outlive its use); null restores the real one.
// Call only while no replacement runs.
void FileReplaceSetTable(const FileReplaceTable* table);
