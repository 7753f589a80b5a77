// Replacing a file by a new one in one step, so that a reader, and the disk
// after a crash or a power cut, sees either the old file or the complete new
// one. Every file the program, the scan and the native settings store write
// goes through here: the bytes go to a temporary beside the target (its name
// and ".tmp~"), which is flushed to the disk and closed, then renamed over
// the target. A failure at any step leaves the old file as it was and no
// temporary behind.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Flags of a replacement.
enum : unsigned {
    // Each '\n' is written as the platform's line end (CR LF on Windows), as
    // fopen's "w" does.
    kFileReplaceText = 1u,
    // Readable and writable by its owner alone (natively; settings values).
    kFileReplacePrivate = 2u,
};

// The new file being written; writers see it only through FileSinkWrite.
struct FileSink;

// Fills a sink with the new file's contents. Returns false to give up (the
// replacement then fails and the old file stays).
using FileWriter = std::function<bool(FileSink* sink)>;

// Appends size bytes to the new file. Returns 1; 0 once a write has failed,
// after which every write does nothing and the replacement fails.
int FileSinkWrite(FileSink* sink, const void* data, size_t size);

// A new file written and flushed beside its target, not yet in its place:
// for a writer that must prepare several files before any of them moves in.
struct FileReplacement {
    std::string target;    // the file to replace, as given
    std::string temporary; // the prepared file; empty when there is none
};

// Refuses a read-only target (as Windows does), else writes target's new
// contents (write, with flags) to a temporary beside it, flushes them to the
// disk and closes it. Returns 1, to be followed by FileReplacementCommit or
// FileReplacementAbandon; or 0, and then nothing was left behind.
int FileReplacementPrepare(FileReplacement* r, const char* target, unsigned flags,
                           const FileWriter& write);

// Moves the prepared file over its target. Returns 1; or 0 (also with
// nothing prepared), the target unchanged and the temporary removed.
int FileReplacementCommit(FileReplacement* r);

// Removes the prepared file, which is not to move in. Does nothing when
// there is none.
void FileReplacementAbandon(FileReplacement* r);

// Prepares and commits in one. Returns 1 when target holds the new
// contents; 0 when it is unchanged (and nothing was left beside it).
int FileReplace(const char* target, unsigned flags, const FileWriter& write);
