#include "sys/settings_store.h"

#include "sys/settings_backend.h"
#include "tests/sys/settings_test_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kFill = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};

TEST(SettingsStore, FirstRunReadsFailAndCreateNothing) {
    SettingsTestRoot root;
    uint8_t bytes[4] = {1, 2, 3, 4};
    char text[kSettingTextSize] = "kept";
    EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, bytes, 4));
    EXPECT_EQ(0, ReadSettingBinaryExact(kMeterKey, kAttackValue, bytes, 4));
    EXPECT_EQ(0, ReadSettingText(kHistoryLoadKey, kDirValue, text));
    EXPECT_EQ(Bytes({1, 2, 3, 4}), Bytes(bytes, bytes + 4));
    EXPECT_STREQ("kept", text);
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
}

TEST(SettingsStore, BinaryReadsTakeOnlyWhatFits) {
    const uint8_t E = 0xEE;
    const struct {
        const char* what;
        uint32_t kind;
        Bytes stored;
        bool exact;
        int result;
        Bytes expected;
    } cases[] = {
        {"2 bytes into 4 change only 2", kSettingKindBinary, {1, 2}, false, 1, {1, 2, E, E, E, E, E, E}},
        {"larger refused", kSettingKindBinary, {1, 2, 3, 4, 5, 6, 7, 8}, false, 0, kFill},
        {"text refused", kSettingKindText, {'a', 'b', 'c', 0}, false, 0, kFill},
        {"exact, smaller refused", kSettingKindBinary, {1, 2}, true, 0, kFill},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsTestRoot root;
        ASSERT_EQ(1, SettingsBackendWrite(kMeterKey, kDelayValue, c.kind, c.stored.data(),
                                          uint32_t(c.stored.size())));
        Bytes dest = kFill;
        EXPECT_EQ(c.result, c.exact ? ReadSettingBinaryExact(kMeterKey, kDelayValue, dest.data(), 4)
                                    : ReadSettingBinary(kMeterKey, kDelayValue, dest.data(), 4));
        EXPECT_EQ(c.expected, dest);
    }
}

constexpr uint32_t kViaStore = 0;

struct TextCase {
    const char* what;
    uint32_t kind;
    std::string stored;
    int result;
    std::string expected;
};

TEST(SettingsStore, TextsReadBackTerminatedOnlyWhenTheyFit) {
    const std::string full(kSettingTextSize - 1, 'x');
    const TextCase cases[] = {
        {"largest that fits", kViaStore, full, 1, full},
        {"one too long is not stored", kViaStore, full + 'y', 0, ""},
        {"binary value", kSettingKindBinary, std::string("abc\0", 4), 0, ""},
        {"larger than the area", kSettingKindText, std::string(5000, 'z') + '\0', 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsTestRoot root;
        if (c.kind == kViaStore) {
            EXPECT_EQ(c.result, WriteSettingText(kHistorySaveKey, kDirValue, c.stored.c_str()));
        } else {
            ASSERT_EQ(1, SettingsBackendWrite(kHistorySaveKey, kDirValue, c.kind, c.stored.data(),
                                              uint32_t(c.stored.size())));
        }
        std::vector<char> dest(kSettingTextSize, '#');
        EXPECT_EQ(c.result, ReadSettingText(kHistorySaveKey, kDirValue, dest.data()));
        EXPECT_EQ(c.result ? c.expected : std::string(kSettingTextSize, '#'),
                  std::string(dest.data(), c.result ? strlen(dest.data()) : dest.size()));
    }
}

} // namespace
