#include "display/meter_settings.h"

#include "sys/settings_store.h"
#include "sys/settings_backend.h"
#include "tests/sys/settings_test_root.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

#define SLOT(field) int(offsetof(MeterSettingsValues, field) / 4)

uint32_t Slot(const MeterSettingsValues& v, int i) {
    uint32_t bits;
    memcpy(&bits, reinterpret_cast<const uint8_t*>(&v) + 4 * i, 4);
    return bits;
}

uint32_t FloatBits(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    return bits;
}

class MeterSettingsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        while (MeterSettingsUseCount() > 0)
            ReleaseMeterSettings();
    }
    SettingsTestRoot root_;
};

TEST_F(MeterSettingsTest, EveryValueRoundTrips) {
    MeterSettings* settings = AcquireMeterSettings("Tenvelo");
    ASSERT_NE(nullptr, settings);
    static_assert(kMeterValueCount == 33, "33 stored values");
    MeterSettingsValues changed;
    for (int i = 0; i < kMeterValueCount; ++i) {
        const uint32_t bits = FloatBits(float(i) + 0.25f);
        memcpy(reinterpret_cast<uint8_t*>(&changed) + 4 * i, &bits, 4);
    }
    changed.brushType = 5;
    changed.framesPerS = 25;
    settings->values = changed;
    ASSERT_EQ(1, ReleaseMeterSettings());
    changed.attnBorder = changed.attnBrush;
    settings = AcquireMeterSettings("Tenvelo");
    EXPECT_EQ(0, memcmp(&changed, &settings->values, sizeof changed));
    ReleaseMeterSettings();
}

std::vector<uint8_t> Le(uint32_t bits) {
    return {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
}

// Malformed values keep their defaults; well-formed ones reach the engine
// within its limits.
TEST_F(MeterSettingsTest, StoredValuesAreRefusedOrClamped) {
    const struct {
        const char* name;
        int slot;
        uint32_t kind;
        std::vector<uint8_t> bytes;
        int loaded;
        uint32_t expected; // when loaded
    } cases[] = {
        {"Attack", SLOT(attack), kSettingKindBinary, {0x00, 0x41}, 0, 0},
        {"dbHead", SLOT(dbHead), kSettingKindText, {'-', '6', 0, 0}, 0, 0},
        {"L_MinDB", SLOT(levelMinDb), kSettingKindBinary, {0x00, 0x00, 0xC0, 0x7F}, 0, 0},
        {"Delay", SLOT(delay), kSettingKindBinary, Le(FloatBits(5.0f)), 1, FloatBits(2.0f)},
        {"nbFperS", SLOT(framesPerS), kSettingKindBinary, Le(uint32_t(-5)), 1, 10},
        {"nbFperS", SLOT(framesPerS), kSettingKindBinary, Le(uint32_t(5000)), 1, 10},
        {"Attack", SLOT(attack), kSettingKindBinary, Le(FloatBits(0.0f)), 1, FloatBits(0.1f)},
        // An empty range would divide by zero: both ends take their defaults.
        {"L_MinDB", SLOT(levelMinDb), kSettingKindBinary, Le(FloatBits(6.0f)), 1,
         FloatBits(-60.0f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsTestRoot root;
        ASSERT_EQ(1, SettingsBackendWrite(kMeterKey, c.name, c.kind, c.bytes.data(),
                                          uint32_t(c.bytes.size())));
        MeterSettingsValues loaded;
        ASSERT_EQ(c.loaded, LoadMeterSettingsValues(kMeterKey, &loaded));
        if (c.loaded)
            EXPECT_EQ(c.expected, Slot(ClampMeterValuesForEngine(&loaded), c.slot));
        else
            EXPECT_EQ(Slot(*MeterSettingsDefaults(), c.slot), Slot(loaded, c.slot));
    }
}

TEST_F(MeterSettingsTest, OnlyTheLastReleaseSaves) {
    MeterSettings* first = AcquireMeterSettings("Tenvelo");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(0, memcmp(MeterSettingsDefaults(), &first->values, sizeof first->values));
    EXPECT_EQ(first, AcquireMeterSettings("Tenvelo"));
    first->values.attack = 30.0f;
    EXPECT_EQ(1, ReleaseMeterSettings());
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
    EXPECT_EQ(1, ReleaseMeterSettings());
    EXPECT_EQ(0, MeterSettingsUseCount());
    uint8_t attack[4];
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterKey, "Attack", attack, 4));
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0x00, 0xF0, 0x41}),
              std::vector<uint8_t>(attack, attack + 4));
}

} // namespace
