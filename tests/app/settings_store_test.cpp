#include "app/settings_store.h"

#include "sys/settings_backend.h"
#include "tests/app/settings_test_root.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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

    // A value missing from an existing key fails the same way.
    ASSERT_EQ(1, WriteSettingBinary(kLatencyKey, "other", bytes, 4));
    EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, bytes, 4));
    EXPECT_EQ(0, SettingsBackendRootIsEmpty());
}

// Into an 8-byte destination filled with 0xEE, asking for 4 bytes.
TEST(SettingsStore, BinaryReadsTakeOnlyWhatFits) {
    const uint8_t E = 0xEE;
    const struct {
        const char* what;
        uint32_t kind; // kind stored
        Bytes stored;
        bool exact; // ReadSettingBinaryExact
        int result;
        Bytes expected; // the destination afterwards
    } cases[] = {
        {"same size", kSettingKindBinary, {1, 2, 3, 4}, false, 1, {1, 2, 3, 4, E, E, E, E}},
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

constexpr uint32_t kViaStore = 0; // written with WriteSettingText

struct TextCase {
    const char* what;
    uint32_t kind;      // kViaStore, or a kind stored as it is
    std::string stored; // the text, or the raw bytes of that kind
    int result;         // of the write through the store, then of the read
    std::string expected;
};

TEST(SettingsStore, TextsReadBackTerminatedOnlyWhenTheyFit) {
    const std::string full(kSettingTextSize - 1, 'x');
    const TextCase cases[] = {
        {"8-bit characters", kViaStore, "caf\xE9 \xA9Ktavin", 1, "caf\xE9 \xA9Ktavin"},
        {"largest that fits", kViaStore, full, 1, full},
        {"one too long is not stored", kViaStore, full + 'y', 0, ""},
        {"binary value", kSettingKindBinary, std::string("abc\0", 4), 0, ""},
        {"no terminator, full area", kSettingKindText, full + 'z', 0, ""},
        {"larger than the area", kSettingKindText, std::string(5000, 'z') + '\0', 0, ""},
        {"inner terminator ends it", kSettingKindText, std::string("ab\0cd\0", 6), 1, "ab"},
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
        // A failed read leaves the destination untouched.
        EXPECT_EQ(c.result ? c.expected : std::string(kSettingTextSize, '#'),
                  std::string(dest.data(), c.result ? strlen(dest.data()) : dest.size()));
    }
}

TEST(SettingsStore, KeysAndValuesOfTheSameNameStayApart) {
    SettingsTestRoot root;
    // "Tavin_Audio\OLMA" has a subkey "Tenvelo"; a value of that name must
    // not collide with it, nor values whose names look like paths.
    const char* names[] = {"Tenvelo", "a/b", "..", "x.val", "x"};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        const uint32_t v = uint32_t(100 + i);
        ASSERT_EQ(1, WriteSettingBinary(kOlmaKey, names[i], &v, 4)) << names[i];
    }
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        uint32_t v = 0;
        EXPECT_EQ(1, ReadSettingBinary(kOlmaKey, names[i], &v, 4)) << names[i];
        EXPECT_EQ(100 + i, v) << names[i];
    }
}

#ifndef _WIN32

namespace fs = std::filesystem;

TEST(SettingsFileStore, EmptyKeyComponentsAreRefused) {
    SettingsTestRoot root;
    const uint32_t v = 1;
    for (const char* key : {"a\\\\b", "\\a", "a\\"}) {
        EXPECT_EQ(0, WriteSettingBinary(key, "v", &v, 4)) << key;
    }
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
}

TEST(SettingsFileStore, AValueIsOneFileInItsKeyFolder) {
    SettingsTestRoot root;
    const uint32_t v = 0x04030201;
    ASSERT_EQ(1, WriteSettingBinary(kLatencyKey, kLatencyTimeValue, &v, 4));
    ASSERT_EQ(1, WriteSettingBinary(kLatencyKey, kLatencyTimeValue, &v, 4));
    const fs::path folder = fs::path(root.root()) / "Tavin_Audio" / "demo";
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files.push_back(e.path().filename());
    // Replaced in place: no temporary left beside it.
    EXPECT_EQ(std::vector<std::string>{"LatencyTime.val"}, files);
    EXPECT_EQ(Bytes({'T', 'V', 'S', 'T', 3, 0, 0, 0, 1, 2, 3, 4}),
              testsupport::ReadAll((folder / "LatencyTime.val").string()));
}

TEST(SettingsFileStore, DamagedValueFilesAreRefused) {
    const Bytes files[] = {
        {'T', 'V', 'S'},                     // cut in the head
        {'X', 'V', 'S', 'T', 3, 0, 0, 0, 1}, // foreign
        {'T', 'V', 'S', 'T', 9, 0, 0, 0, 1}, // unknown kind
    };
    for (const auto& bytes : files) {
        SettingsTestRoot root;
        const fs::path folder = fs::path(root.root()) / "Tavin_Audio" / "demo";
        fs::create_directories(folder);
        ASSERT_TRUE(testsupport::WriteAll((folder / "LatencyTime.val").string(), bytes));
        uint8_t dest[4] = {7, 7, 7, 7};
        EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, dest, 4));
        EXPECT_EQ(Bytes(4, 7), Bytes(dest, dest + 4));
    }
}

#endif

TEST(SettingsStore, DetachedStoreReadsNothingAndWritesNothing) {
    SettingsTestRoot root;
    uint8_t bytes[4] = {1, 2, 3, 4}, read[4] = {9, 9, 9, 9};
    ASSERT_EQ(1, WriteSettingBinary(kLatencyKey, kLatencyTimeValue, bytes, 4));
    SetSettingsDetached(1);
    EXPECT_EQ(0, ReadSettingBinary(kLatencyKey, kLatencyTimeValue, read, 4));
    EXPECT_EQ(0, WriteSettingBinary(kMeterKey, kAttackValue, bytes, 4));
    SetSettingsDetached(0);
    EXPECT_EQ(Bytes({9, 9, 9, 9}), Bytes(read, read + 4));
    EXPECT_EQ(0, ReadSettingBinary(kMeterKey, kAttackValue, read, 4)); // nothing was written
}

} // namespace
