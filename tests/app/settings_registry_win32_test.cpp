// The settings store on the real registry: values land where other versions
// of the program look for them, with the registry's own kinds, below a
// test-only key so that the user's settings are never touched.
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
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestParent); // only when no other run uses it
    }

    std::string Path(const char* key) const { return root_ + "\\" + key; }

    bool KeyExists(const char* key) const {
        HKEY hkey;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(key).c_str(), 0, KEY_READ, &hkey) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(hkey);
        return true;
    }

    // Reads a value with the registry itself: its type and bytes.
    bool Query(const char* key, const char* name, DWORD* type, std::vector<BYTE>* bytes) const {
        HKEY hkey;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(key).c_str(), 0, KEY_READ, &hkey) !=
            ERROR_SUCCESS)
            return false;
        DWORD size = 8192;
        bytes->assign(size, 0);
        const LONG status = RegQueryValueExA(hkey, name, nullptr, type, bytes->data(), &size);
        RegCloseKey(hkey);
        bytes->resize(size);
        return status == ERROR_SUCCESS;
    }

    bool Set(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY hkey;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, Path(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &hkey, nullptr) != ERROR_SUCCESS)
            return false;
        const LONG status =
            RegSetValueExA(hkey, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(hkey);
        return status == ERROR_SUCCESS;
    }

    std::string root_;
};

TEST_F(SettingsRegistryTest, FirstReadCreatesNoKey) {
    float latency = 0.1f;
    EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, &latency, 4));
    EXPECT_EQ(0.1f, latency);
    EXPECT_FALSE(KeyExists("Tavin_Audio"));
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
}

TEST_F(SettingsRegistryTest, ValuesAreStoredWithTheRegistrysKinds) {
    const float latency = 0.05f;
    ASSERT_EQ(1, WriteSettingBinary(kLatencyKey, kLatencyTimeValue, &latency, 4));
    ASSERT_EQ(1, WriteSettingText(kHistoryLoadKey, kDirValue, "C:\\Music"));
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(Query("Tavin_Audio\\demo", "LatencyTime", &type, &bytes));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    ASSERT_EQ(4u, bytes.size());
    EXPECT_EQ(0, memcmp(bytes.data(), &latency, 4));
    ASSERT_TRUE(Query("Tavin_Audio\\OLMA\\Tenvelo Extra option\\Load", "dir", &type, &bytes));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(std::string("C:\\Music", 9), std::string(bytes.begin(), bytes.end()));
}

struct ForeignCase {
    const char* what;
    DWORD type;
    std::string bytes;
    int binaryResult; // 4-byte binary read
    int textResult;
    std::string text;
};

TEST_F(SettingsRegistryTest, ValuesOfOtherProgramsAreCheckedByKindAndSize) {
    const ForeignCase cases[] = {
        {"dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4), 0, 0, ""},
        {"expandable text", REG_EXPAND_SZ, std::string("%TEMP%\0", 7), 0, 0, ""},
        {"text without terminator", REG_SZ, "abc", 0, 1, "abc"},
        {"2-byte binary", REG_BINARY, std::string("\x07\x08", 2), 1, 0, ""},
        {"8-byte binary", REG_BINARY, std::string(8, '\x01'), 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Set("Tavin_Audio\\demo", "v", c.type, c.bytes.data(), DWORD(c.bytes.size())));
        uint8_t dest[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(c.binaryResult, ReadSettingBinary(kLatencyKey, "v", dest, 4));
        if (c.binaryResult) {
            EXPECT_EQ(0xEE, dest[2]);
        }
        std::vector<char> text(kSettingTextSize, '#');
        EXPECT_EQ(c.textResult, ReadSettingText(kLatencyKey, "v", text.data()));
        if (c.textResult) {
            EXPECT_EQ(c.text, std::string(text.data()));
        }
    }
}

TEST_F(SettingsRegistryTest, MeterSettingsRoundTrip) {
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

    // 33 values under 32 names, each 4 bytes of REG_BINARY.
    HKEY hkey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, Path(kMeterKey).c_str(), 0, KEY_READ, &hkey));
    DWORD values = 0;
    RegQueryInfoKeyA(hkey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(hkey);
    EXPECT_EQ(32u, values);
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(Query(kMeterKey, "nbFperS", &type, &bytes));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(std::vector<BYTE>({25, 0, 0, 0}), bytes);

    settings = AcquireMeterSettings(kSettingsAppName);
    EXPECT_EQ(0, memcmp(&expected, &settings->values, sizeof expected));
}

} // namespace
