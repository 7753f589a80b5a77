// The platform side of the settings store: the registry under
// HKEY_CURRENT_USER in the Win32 build, a per-user file store natively (a
// folder per key under $XDG_CONFIG_HOME/tenvelo or ~/.config/tenvelo, a file
// per value holding its kind and bytes). Each call opens and closes what it
// uses. Key paths are backslash-separated.
#pragma once

#include <cstdint>

// Value kinds, numbered as the registry numbers them.
enum SettingKind : uint32_t {
    kSettingKindText = 1,   // REG_SZ
    kSettingKindBinary = 3, // REG_BINARY
};

// Stores size bytes of the given kind as key\name, creating the key and its
// missing parents and replacing any earlier value of that name. The file
// store replaces the value atomically. Returns 1 on success, 0 on failure.
int SettingsBackendWrite(const char* key, const char* name, uint32_t kind, const void* data,
                         uint32_t size);

// Reads key\name without creating anything. Succeeds only when the value
// exists, has the given kind and minSize <= its size <= maxSize; then copies
// its bytes to the start of dest, sets *size and returns 1. Returns 0
// otherwise, with dest unchanged.
int SettingsBackendRead(const char* key, const char* name, uint32_t kind, void* dest,
                        uint32_t minSize, uint32_t maxSize, uint32_t* size);

// Moves the store below another root (a key path below HKEY_CURRENT_USER, or
// a folder); nullptr or "" returns to the user's own root. Returns 1, or 0
// when root is too long (the root is then unchanged).
int SettingsBackendSetRoot(const char* root);

// Returns 1 when the root holds no key and no value (or does not exist), 0
// when it holds something. Meant for a test root.
int SettingsBackendRootIsEmpty();

// Removes everything below a test root set with SettingsBackendSetRoot.
// Returns 1 on success, 0 on failure or when no test root is set (the
// user's own settings are never removed).
int SettingsBackendDeleteTestRoot();
