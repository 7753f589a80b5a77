#include "app/settings_store.h"
#include "display/meter_settings.h"
#include "sys/settings_backend.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kTestParent[] = "Software\\Tenvelo tests";

class SettingsRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::string(kTestParent) + "\\registry-" + info->name() + "-" +
                std::to_string(GetCurrentProcessId());
        ASSERT_EQ(1, SetSettingsRoot(root_.c_str()));
        SettingsBackendDeleteTestRoot();
    }
    void TearDown() override {
        while (MeterSettingsUseCount() > 0)
            ReleaseMeterSettings();
        SettingsBackendDeleteTestRoot();
        SetSettingsRoot(nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestParent);
    }

    HKEY Open(const char* key, bool create = false) const {
        HKEY hkey = nullptr;
        const std::string path = root_ + "\\" + key;
        const LONG status =
            create ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                     nullptr, &hkey, nullptr)
                   : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hkey);
        return status == ERROR_SUCCESS ? hkey : nullptr;
    }

    std::string root_;
};

TEST_F(SettingsRegistryTest, FirstReadCreatesNoKey) {
    float latency = 0.1f;
    EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, &latency, 4));
    EXPECT_EQ(0.1f, latency);
    EXPECT_EQ(nullptr, Open("Tavin_Audio"));
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
}

TEST_F(SettingsRegistryTest, MeterSettingsRoundTripWithTheRegistrysKinds) {
    MeterSettings* settings = AcquireMeterSettings(kSettingsAppName);
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
    settings->values.attack = 12.5f;
    settings->values.framesPerS = 25;
    settings->values.attnBorder = 0x00010203;
    settings->values.attnBrush = 0x00040506;
    MeterSettingsValues expected = settings->values;
    expected.attnBorder = expected.attnBrush;
    ASSERT_EQ(1, ReleaseMeterSettings());
    HKEY hkey = Open(kMeterKey);
    ASSERT_NE(nullptr, hkey);
    DWORD values = 0, type = 0, size = 8;
    BYTE bytes[8] = {};
    RegQueryInfoKeyA(hkey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hkey, "nbFperS", nullptr, &type, bytes, &size));
    RegCloseKey(hkey);
    EXPECT_EQ(32u, values);
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(std::vector<BYTE>({25, 0, 0, 0}), std::vector<BYTE>(bytes, bytes + size));
    settings = AcquireMeterSettings(kSettingsAppName);
    EXPECT_EQ(0, memcmp(&expected, &settings->values, sizeof expected));
}

} // namespace
