// The Windows calls of a file replacement: handles, FlushFileBuffers and
// MoveFileExW. Every call takes an extended-length wide path: the temporary
// beside a target of 255-259 characters is longer than MAX_PATH, and names
// outside the ANSI code page only exist as wide text.
#include "sys/file_replace_table.h"

#include <windows.h>

#include <string>

#include "sys/wide_path.h"

namespace {

HANDLE Handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

// Only the native settings store asks for a private file; on Windows the
// settings live in the registry.
FileHandle Create(const char* path, bool) {
    const std::wstring wide = LongWidePath(path);
    if (wide.empty()) return kNoFile;
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool Write(FileHandle file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(Handle(file), bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool Flush(FileHandle file) {
    return FlushFileBuffers(Handle(file)) != 0;
}

bool Close(FileHandle file) {
    return CloseHandle(Handle(file)) != 0;
}

// MOVEFILE_WRITE_THROUGH alone does not put the data of a rename on the
// same volume on the disk (Flush did that); it asks for the move itself.
bool Rename(const char* from, const char* to) {
    const std::wstring source = LongWidePath(from), target = LongWidePath(to);
    return !source.empty() && !target.empty() &&
           MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Remove(const char* path) {
    const std::wstring wide = LongWidePath(path);
    return !wide.empty() && DeleteFileW(wide.c_str());
}

// Windows refuses to replace a read-only file; Wine running as root does
// not, so the rule is checked here for both.
bool ReadOnly(const char* path) {
    const std::wstring wide = LongWidePath(path);
    if (wide.empty()) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

const FileReplaceTable kRealTable = {
    /* create */ Create,
    /* write */ Write,
    /* flush */ Flush,
    /* close */ Close,
    /* rename */ Rename,
    /* remove */ Remove,
    /* readOnly */ ReadOnly,
    /* lineEnd */ "\r\n",
};

} // namespace

const FileReplaceTable* FileReplaceRealTable() {
    return &kRealTable;
}
