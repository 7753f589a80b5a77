#include "sys/file_replace.h"

#include <windows.h>

int FileReplace(const char* from, const char* to) {
    // Windows refuses to replace a read-only file; Wine running as root
    // does not, so the rule is checked here for both.
    const DWORD attributes = GetFileAttributesA(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
    // WRITE_THROUGH returns only once the move (and the data) is on the disk.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int FileRemove(const char* path) {
    return DeleteFileA(path) ? 1 : 0;
}
