// The Win32 settings store: the registry under HKEY_CURRENT_USER, through
// the 8-bit calls. A test root is a key path prefixed to every key.
#include "sys/settings_backend.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

char gTestRoot[1024]; // empty: keys lie directly below HKEY_CURRENT_USER

bool FullKey(const char* key, char* out, size_t size) {
    const int n = gTestRoot[0] ? snprintf(out, size, "%s\\%s", gTestRoot, key)
                               : snprintf(out, size, "%s", key);
    return n > 0 && size_t(n) < size;
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
    const LONG status =
        RegSetValueExA(hkey, name, 0, DWORD(kind), static_cast<const BYTE*>(data), DWORD(size));
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
    int result = 0;
    DWORD type = 0;
    DWORD length = 0;
    // The size asked first may overstate a text's 8-bit length, so the
    // range is checked on the size of the bytes actually read. They are read
    // aside so that a refused value leaves dest untouched.
    if (RegQueryValueExA(hkey, name, nullptr, &type, nullptr, &length) == ERROR_SUCCESS &&
        type == kind) {
        std::vector<BYTE> bytes(length ? length : 1);
        DWORD got = length;
        if (RegQueryValueExA(hkey, name, nullptr, &type, bytes.data(), &got) == ERROR_SUCCESS &&
            type == kind && got >= minSize && got <= maxSize) {
            if (got) memcpy(dest, bytes.data(), got);
            *size = got;
            result = 1;
        }
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
