#include "sys/file_replace.h"

#include <windows.h>

int FileReplace(const char* from, const char* to) {
    // WRITE_THROUGH returns only once the move (and the data) is on the disk.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int FileRemove(const char* path) {
    return DeleteFileA(path) ? 1 : 0;
}
