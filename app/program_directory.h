// Where "info..." looks for readme.txt.
#pragma once

#include <cstddef>

// The start directory, cut back to its parent when its last component has an
// extension (it is then taken for a file name), without a trailing backslash.
// Writes at most size bytes, always terminated (size > 0).
void ProgramDirectory(const char* startupDirectory, char* out, size_t size);
