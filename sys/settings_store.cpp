#include "sys/settings_store.h"

#include "sys/settings_backend.h"

#include <cstring>

namespace {

int ValidName(const char* key, const char* name) {
    return key && key[0] && name;
}

} // namespace

int WriteSettingBinary(const char* key, const char* name, const void* data, uint32_t size) {
    if (!ValidName(key, name) || (!data && size)) return 0;
    return SettingsBackendWrite(key, name, kSettingKindBinary, data, size);
}

int ReadSettingBinary(const char* key, const char* name, void* dest, uint32_t size) {
    if (!ValidName(key, name) || (!dest && size)) return 0;
    uint32_t stored = 0;
    return SettingsBackendRead(key, name, kSettingKindBinary, dest, 0, size, &stored);
}

int ReadSettingBinaryExact(const char* key, const char* name, void* dest, uint32_t size) {
    if (!ValidName(key, name) || (!dest && size)) return 0;
    uint32_t stored = 0;
    return SettingsBackendRead(key, name, kSettingKindBinary, dest, size, size, &stored);
}

int WriteSettingText(const char* key, const char* name, const char* text) {
    if (!ValidName(key, name) || !text) return 0;
    const size_t length = strnlen(text, kSettingTextSize);
    if (length >= kSettingTextSize) return 0;
    return SettingsBackendWrite(key, name, kSettingKindText, text, uint32_t(length + 1));
}

int ReadSettingText(const char* key, const char* name, char* dest) {
    if (!ValidName(key, name) || !dest) return 0;
    char area[kSettingTextSize];
    uint32_t stored = 0;
    if (!SettingsBackendRead(key, name, kSettingKindText, area, 0, kSettingTextSize, &stored))
        return 0;
    // Another program may have stored the text without its terminator; it
    // fits only when there is room to add one.
    const void* end = memchr(area, 0, stored);
    size_t length = end ? size_t(static_cast<const char*>(end) - area) : stored;
    if (length >= kSettingTextSize) return 0;
    memcpy(dest, area, length);
    dest[length] = 0;
    return 1;
}

int SetSettingsRoot(const char* root) {
    return SettingsBackendSetRoot(root);
}
