#include "sys/file_replace.h"

#include <windows.h>

#include <string>

namespace {

// The path as an extended-length wide path ("\\?\C:\..." or
// "\\?\UNC\server\..."), which the wide calls take beyond MAX_PATH: the
// temporary beside a target of 255-259 characters is longer than that, and
// the ANSI calls would refuse to move or remove it. Empty on failure.
std::wstring LongPath(const char* path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    const DWORD full = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (full == 0) return {};
    std::wstring absolute(full, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), full, &absolute[0], nullptr);
    if (written == 0 || written >= full) return {};
    absolute.resize(written);
    if (absolute.compare(0, 4, L"\\\\?\\") == 0) return absolute;
    if (absolute.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + absolute.substr(2);
    return L"\\\\?\\" + absolute;
}

} // namespace

int FileReplace(const char* from, const char* to) {
    const std::wstring source = LongPath(from), target = LongPath(to);
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
    const std::wstring wide = LongPath(path);
    return !wide.empty() && DeleteFileW(wide.c_str()) ? 1 : 0;
}
