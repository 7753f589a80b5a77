#include "sys/file_replace.h"

#include <windows.h>

#include <string>

#include "sys/wide_path.h"

// Both calls take extended-length wide paths: a temporary beside a target
// of 255-259 characters is longer than MAX_PATH.

int FileReplace(const char* from, const char* to) {
    const std::wstring source = LongWidePath(from), target = LongWidePath(to);
    if (source.empty() || target.empty()) return 0;
    // Windows refuses to replace a read-only file; Wine running as root
    // does not, so the rule is checked here for both.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
    // WRITE_THROUGH returns only once the move (and the data) is on the disk.
    return MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 1
               : 0;
}

int FileRemove(const char* path) {
    const std::wstring wide = LongWidePath(path);
    return !wide.empty() && DeleteFileW(wide.c_str()) ? 1 : 0;
}
