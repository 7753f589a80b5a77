#include "sys/settings_store.h"
#include "display/meter_settings.h"
#include "sys/settings_backend.h"
#include "tests/sys/settings_test_root.h"

#include <gtest/gtest.h>
#include <windows.h>

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

} // namespace
