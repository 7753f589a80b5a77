#include "sys/settings_store.h"
#include "display/meter_settings.h"
#include "sys/settings_backend.h"
#include "tests/sys/settings_test_root.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// 32 REG_BINARY names for 33 values: "AttnBorder" is written twice.
TEST(SettingsRegistry, MeterValuesAreBinaryWords) {
    SettingsTestRoot root;
    MeterSettings* settings = AcquireMeterSettings(kSettingsAppName);
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
    settings->values.framesPerS = 25;
    ASSERT_EQ(1, ReleaseMeterSettings());
    HKEY hkey = nullptr;
    const std::string path = root.root() + "\\" + kMeterKey;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hkey));
    DWORD values = 0, type = 0, size = 8;
    BYTE bytes[8] = {};
    RegQueryInfoKeyA(hkey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hkey, "nbFperS", nullptr, &type, bytes, &size));
    RegCloseKey(hkey);
    EXPECT_EQ(32u, values);
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(std::vector<BYTE>({25, 0, 0, 0}), std::vector<BYTE>(bytes, bytes + size));
}

// The remembered folders are texts. Each reads back whole; one an earlier
// version can hold in the code page reads there as it always did (it reads
// through the 8-bit calls), and one it stored reads back in UTF-8.
TEST(SettingsRegistry, FoldersReadBackWholeAndAsEarlierVersionsReadThem) {
    const bool westernCodePage = GetACP() == 1252;
    const struct {
        const char* folder;  // UTF-8
        const char* earlier; // the folder in code page 1252, where it can be held
    } cases[] = {
        {u8"C:\\Σήμα", nullptr},
        {u8"D:\\音声\\x", nullptr},
        {u8"C:\\café Σ 音", nullptr},
        {u8"C:\\café", "C:\\caf\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        SettingsTestRoot root;
        char back[kSettingTextSize] = {};
        ASSERT_EQ(1, WriteSettingText(kHistorySaveKey, kDirValue, c.folder));
        EXPECT_EQ(1, ReadSettingText(kHistorySaveKey, kDirValue, back));
        EXPECT_STREQ(c.folder, back);
        HKEY hkey = nullptr;
        const std::string path = root.root() + "\\" + kHistorySaveKey;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &hkey));
        char earlier[256] = {};
        DWORD type = 0, size = sizeof earlier;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hkey, kDirValue, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(earlier), &size));
        EXPECT_EQ(DWORD(REG_SZ), type);
        if (c.earlier && westernCodePage) {
            EXPECT_STREQ(c.earlier, earlier);
            RegSetValueExA(hkey, kDirValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.earlier),
                           DWORD(strlen(c.earlier) + 1));
            EXPECT_EQ(1, ReadSettingText(kHistorySaveKey, kDirValue, back));
            EXPECT_STREQ(c.folder, back);
        }
        RegCloseKey(hkey);
    }
}

} // namespace
