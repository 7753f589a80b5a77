// UTF-8 paths on Windows: widened where a file is opened.
#include "sys/file_path.h"
#include "sys/wide_path.h"

#include <windows.h>
#include <shellapi.h>

std::wstring WideFromUtf8(const char* text) {
    if (!text) return {};
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, &wide[0], n);
    wide.resize(size_t(n - 1));
    return wide;
}

std::string Utf8FromWide(const wchar_t* text, int length) {
    if (!text) return {};
    if (length < 0) length = lstrlenW(text);
    if (length == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, length, nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return {};
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, length, &utf8[0], n, nullptr, nullptr);
    return utf8;
}

std::wstring LongWidePath(const char* path) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.empty()) return {};
    const DWORD full = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (full == 0) return {};
    std::wstring absolute(full, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), full, &absolute[0], nullptr);
    if (written == 0 || written >= full) return {};
    absolute.resize(written);
    // Already extended, or a device ("\\.\NUL"), which has no long form.
    if (absolute.compare(0, 4, L"\\\\?\\") == 0 || absolute.compare(0, 4, L"\\\\.\\") == 0)
        return absolute;
    if (absolute.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + absolute.substr(2);
    return L"\\\\?\\" + absolute;
}

std::FILE* FileOpen(const char* path, const char* mode) {
    const std::wstring widePath = LongWidePath(path);
    const std::wstring wideMode = WideFromUtf8(mode);
    if (widePath.empty() || wideMode.empty()) return nullptr;
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    // The wide line is the one the CRT split argv from; should the two ever
    // disagree, argv is kept as it is.
    if (wide && count == argc) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(Utf8FromWide(wide[i]));
    } else {
        arguments.assign(argv, argv + argc);
    }
    LocalFree(wide);
    return arguments;
}
