// The Win32 settings store: the registry under HKEY_CURRENT_USER. Keys and
// value names go through the 8-bit calls; texts (UTF-8 here) are stored and
// read through the wide calls, so that a folder outside the code page comes
// back whole, while a program reading them through the 8-bit calls still
// gets them in its code page. A test root is a key path prefixed to every key.
#include "sys/settings_backend.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sys/wide_path.h"

namespace {

char gTestRoot[1024]; // empty: keys lie directly below HKEY_CURRENT_USER

bool FullKey(const char* key, char* out, size_t size) {
    const int n = gTestRoot[0] ? snprintf(out, size, "%s\\%s", gTestRoot, key)
                               : snprintf(out, size, "%s", key);
    return n > 0 && size_t(n) < size;
}

// The value name in the code page, as the 8-bit calls take it.
std::wstring WideName(const char* name) {
    const int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name, -1, &wide[0], n);
    return wide;
}

// size bytes of UTF-8 text (with its NUL when it has one) as a wide value.
LONG SetText(HKEY hkey, const char* name, const void* data, uint32_t size) {
    const char* text = static_cast<const char*>(data);
    const std::wstring wideName = WideName(name);
    std::wstring wide;
    if (size > 0) {
        const int n =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, int(size), nullptr, 0);
        if (n <= 0) return ERROR_NO_UNICODE_TRANSLATION;
        wide.resize(size_t(n));
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, int(size), &wide[0], n);
    }
    return RegSetValueExW(hkey, wideName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide.data()),
                          DWORD(wide.size() * sizeof(wchar_t)));
}

LONG SetValue(HKEY hkey, const char* name, uint32_t kind, const void* data, uint32_t size) {
    if (kind == kSettingKindText) return SetText(hkey, name, data, size);
    return RegSetValueExA(hkey, name, 0, DWORD(kind), static_cast<const BYTE*>(data), DWORD(size));
}

// The value's bytes when it has the given kind: texts in UTF-8 (with the
// NUL it was stored with), other kinds as stored.
bool QueryValue(HKEY hkey, const char* name, uint32_t kind, std::vector<BYTE>* bytes) {
    const bool text = kind == kSettingKindText;
    const std::wstring wideName = WideName(name);
    DWORD type = 0, length = 0;
    LONG status = text ? RegQueryValueExW(hkey, wideName.c_str(), nullptr, &type, nullptr, &length)
                       : RegQueryValueExA(hkey, name, nullptr, &type, nullptr, &length);
    if (status != ERROR_SUCCESS || type != kind) return false;
    bytes->assign(length ? length : 1, 0);
    DWORD got = length;
    status = text ? RegQueryValueExW(hkey, wideName.c_str(), nullptr, &type, bytes->data(), &got)
                  : RegQueryValueExA(hkey, name, nullptr, &type, bytes->data(), &got);
    if (status != ERROR_SUCCESS || type != kind) return false;
    bytes->resize(got);
    if (!text) return true;
    // An odd last byte is no character: it is dropped.
    const int units = int(got / sizeof(wchar_t));
    const std::string utf8 = Utf8FromWide(reinterpret_cast<const wchar_t*>(bytes->data()), units);
    if (units > 0 && utf8.empty()) return false;
    bytes->assign(utf8.begin(), utf8.end());
    return true;
}

} // namespace

int SettingsBackendWrite(const char* key, const char* name, uint32_t kind, const void* data,
                         uint32_t size) {
    char path[2048];
    if (!FullKey(key, path, sizeof path)) return 0;
    HKEY hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &hkey, nullptr) != ERROR_SUCCESS)
        return 0;
    const LONG status = SetValue(hkey, name, kind, data, size);
    RegCloseKey(hkey);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int SettingsBackendRead(const char* key, const char* name, uint32_t kind, void* dest,
                        uint32_t minSize, uint32_t maxSize, uint32_t* size) {
    char path[2048];
    if (!FullKey(key, path, sizeof path)) return 0;
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS)
        return 0;
    // Read aside, so that a refused value leaves dest untouched; the range
    // is checked on the bytes as handed over (a text's UTF-8 length).
    int result = 0;
    std::vector<BYTE> bytes;
    if (QueryValue(hkey, name, kind, &bytes) && bytes.size() >= minSize &&
        bytes.size() <= maxSize) {
        if (!bytes.empty()) memcpy(dest, bytes.data(), bytes.size());
        *size = uint32_t(bytes.size());
        result = 1;
    }
    RegCloseKey(hkey);
    return result;
}

int SettingsBackendSetRoot(const char* root) {
    if (!root) root = "";
    if (strlen(root) >= sizeof gTestRoot) return 0;
    strcpy(gTestRoot, root);
    return 1;
}

int SettingsBackendRootIsEmpty() {
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, gTestRoot, 0, KEY_QUERY_VALUE, &hkey) != ERROR_SUCCESS)
        return 1;
    DWORD keys = 0;
    DWORD values = 0;
    const LONG status = RegQueryInfoKeyA(hkey, nullptr, nullptr, nullptr, &keys, nullptr, nullptr,
                                         &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(hkey);
    return status == ERROR_SUCCESS && keys == 0 && values == 0 ? 1 : 0;
}

int SettingsBackendDeleteTestRoot() {
    if (!gTestRoot[0]) return 0;
    const LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, gTestRoot);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 1 : 0;
}
