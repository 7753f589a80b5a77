// Replacing a file by another in one step, so that a reader sees either the
// old file or the complete new one.
#pragma once

// Moves the file at from over the file at to (both in the same folder),
// after flushing from's data to the disk. Returns 1 on success, 0 on failure
// (then to is unchanged and from is left for the caller to remove).
int FileReplace(const char* from, const char* to);

// Removes the file at path. Returns 1 when removed, 0 otherwise.
int FileRemove(const char* path);
