#include "display/meter_settings.h"

#include "app/settings_store.h"
#include "sys/settings_backend.h"
#include "tests/app/settings_test_root.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
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

std::vector<uint8_t> Le(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// Keeps the global record's use count balanced whatever a test does.
class MeterSettingsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        while (MeterSettingsUseCount() > 0)
            ReleaseMeterSettings();
        SetMeterSettingsHooks(nullptr);
    }
    SettingsTestRoot root_;
};

TEST_F(MeterSettingsTest, FirstRunUsesDefaultsAndTheLastReleaseWritesThemAll) {
    MeterSettings* settings = AcquireMeterSettings("Tenvelo");
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(0, memcmp(MeterSettingsDefaults(), &settings->values, sizeof settings->values));
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
    EXPECT_EQ(1, ReleaseMeterSettings());
    // Colours as 0x00BBGGRR, floats as IEEE single, little-endian.
    uint8_t bytes[4];
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterKey, "MoyBorder", bytes, 4));
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0xD7, 0x05, 0x00}),
              std::vector<uint8_t>(bytes, bytes + 4));
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterKey, "Attack", bytes, 4));
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0x00, 0x40, 0x42}),
              std::vector<uint8_t>(bytes, bytes + 4));
    // A few stored names as other versions of the program read them; the
    // round trip below covers every slot.
    const struct {
        int slot;
        const char* name;
    } names[] = {{SLOT(moyBrush), "MoyBrush"},
                 {SLOT(attnBrush), "AttnBorder"},
                 {SLOT(corelOff), "Corel_off"},
                 {SLOT(framesPerS), "nbFperS"},
                 {SLOT(displayDbOffset), "DisplayDbOffset"},
                 {SLOT(diapason), "diapason"}};
    for (const auto& n : names) {
        uint32_t bits = 0;
        EXPECT_EQ(1, ReadSettingBinaryExact(kMeterKey, n.name, &bits, 4)) << n.name;
        EXPECT_EQ(Slot(*MeterSettingsDefaults(), n.slot), bits) << n.name;
    }
}

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
    // The reduction outline shares its stored value with the fill, written last.
    changed.attnBorder = changed.attnBrush;
    settings = AcquireMeterSettings("Tenvelo");
    EXPECT_EQ(0, memcmp(&changed, &settings->values, sizeof changed));
    ReleaseMeterSettings();
    // Another meter name reads its own key.
    const float attack = 12.0f;
    ASSERT_EQ(1, WriteSettingBinary("Tavin_Audio\\OLMA\\Meter\\Other", "Attack", &attack, 4));
    EXPECT_EQ(12.0f, AcquireMeterSettings("Other")->values.attack);
    EXPECT_EQ(nullptr, AcquireMeterSettings(nullptr));
}

TEST_F(MeterSettingsTest, MalformedStoredValuesKeepTheirDefaults) {
    const struct {
        const char* name;
        int slot;
        uint32_t kind;
        std::vector<uint8_t> bytes;
        bool taken; // else the default stays
    } cases[] = {
        {"Attack", SLOT(attack), kSettingKindBinary, Le(FloatBits(20.0f)), true},
        {"Attack", SLOT(attack), kSettingKindBinary, {0x00, 0x41}, false}, // older size
        {"nbFperS", SLOT(framesPerS), kSettingKindBinary, {25, 0, 0, 0, 0, 0, 0, 0}, false},
        {"dbHead", SLOT(dbHead), kSettingKindText, {'-', '6', 0, 0}, false},
        {"L_MinDB", SLOT(levelMinDb), kSettingKindBinary, Le(0x7FC00000), false}, // NaN
        {"Delay", SLOT(delay), kSettingKindBinary, Le(0x7F800000), false},        // infinite
        {"nbFperS", SLOT(framesPerS), kSettingKindBinary, Le(0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.bytes.size()));
        SettingsTestRoot root;
        ASSERT_EQ(1, SettingsBackendWrite(kMeterKey, c.name, c.kind, c.bytes.data(),
                                          uint32_t(c.bytes.size())));
        MeterSettingsValues loaded;
        EXPECT_EQ(c.taken ? 1 : 0, LoadMeterSettingsValues(kMeterKey, &loaded));
        uint32_t expected = Slot(*MeterSettingsDefaults(), c.slot);
        if (c.taken) memcpy(&expected, c.bytes.data(), 4);
        EXPECT_EQ(expected, Slot(loaded, c.slot));
    }
}

TEST_F(MeterSettingsTest, StoredValuesReachTheEngineWithinTheirLimits) {
    const struct {
        const char* name;
        int slot;
        uint32_t stored, expected; // raw bits
    } cases[] = {
        {"Delay", SLOT(delay), FloatBits(-1.0f), FloatBits(0.0f)},
        {"Delay", SLOT(delay), FloatBits(5.0f), FloatBits(2.0f)},
        {"Attack", SLOT(attack), FloatBits(0.0f), FloatBits(0.1f)},
        {"L_MinDB", SLOT(levelMinDb), FloatBits(-500.0f), FloatBits(-180.0f)},
        // Below L_MinDB: the default range.
        {"L_MaxDB", SLOT(levelMaxDb), FloatBits(-100.0f), FloatBits(6.0f)},
        {"Moy_DBperS", SLOT(moyDbPerS), FloatBits(1000.0f), FloatBits(96.0f)},
        {"PhaseRelease", SLOT(phaseRelease), FloatBits(31.0f), FloatBits(30.0f)},
        {"nbFperS", SLOT(framesPerS), uint32_t(-5), 10},
        {"nbFperS", SLOT(framesPerS), 2000, 10},
        {"nbFperS", SLOT(framesPerS), 30, 30},
        // Not the engine's to clamp.
        {"dbHead", SLOT(dbHead), FloatBits(-300.0f), FloatBits(-300.0f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
        SettingsTestRoot root;
        ASSERT_EQ(1, WriteSettingBinary(kMeterKey, c.name, &c.stored, 4));
        MeterSettingsValues loaded;
        ASSERT_EQ(1, LoadMeterSettingsValues(kMeterKey, &loaded));
        EXPECT_EQ(c.expected, Slot(ClampMeterValuesForEngine(&loaded), c.slot));
    }
}

// What the shell's hooks saw, in order.
std::string gCalls;
float gAttackSeenByDestroy;

// The shell's objects are built once; the last release closes the dialog,
// destroys them (which may clear the whole record) and still saves the values.
TEST_F(MeterSettingsTest, OnlyTheLastReleaseSaves) {
    gCalls.clear();
    MeterSettingsHooks hooks = {};
    hooks.buildObjects = [](MeterSettings* s) {
        gCalls += "build ";
        s->objects.pens[0] = &gCalls;
    };
    hooks.destroyObjects = [](MeterSettings* s) {
        gCalls += "destroy ";
        gAttackSeenByDestroy = s->values.attack;
        memset(s, 0, sizeof *s);
    };
    hooks.closeDialog = [] { gCalls += "close "; };
    SetMeterSettingsHooks(&hooks);

    MeterSettings* first = AcquireMeterSettings("Tenvelo");
    EXPECT_EQ(first, AcquireMeterSettings("Tenvelo"));
    EXPECT_EQ(2, MeterSettingsUseCount());
    EXPECT_EQ(&gCalls, first->objects.pens[0]);
    first->values.attack = 30.0f;
    EXPECT_EQ(1, ReleaseMeterSettings());
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
    EXPECT_EQ("build ", gCalls);
    EXPECT_EQ(30.0f, GetMeterSettings()->values.attack); // still in use

    EXPECT_EQ(1, ReleaseMeterSettings());
    EXPECT_EQ(0, MeterSettingsUseCount());
    EXPECT_EQ("build close destroy ", gCalls);
    EXPECT_EQ(30.0f, gAttackSeenByDestroy);
    float attack = 0;
    EXPECT_EQ(1, ReadSettingBinary(kMeterKey, "Attack", &attack, 4));
    EXPECT_EQ(30.0f, attack);
    // Released: the record is empty, and a further release saves nothing.
    EXPECT_EQ(nullptr, GetMeterSettings()->objects.pens[0]);
    ASSERT_EQ(1, SettingsBackendDeleteTestRoot());
    EXPECT_EQ(1, ReleaseMeterSettings());
    EXPECT_EQ(1, SettingsBackendRootIsEmpty());
}

#ifndef _WIN32
TEST_F(MeterSettingsTest, AFailedSaveIsReported) {
    testsupport::ScratchDir scratch;
    ASSERT_TRUE(testsupport::WriteAll(scratch.file("file"), {1}));
    AcquireMeterSettings("Tenvelo");
    SetSettingsRoot((scratch.file("file") + "/store").c_str());
    EXPECT_EQ(0, ReleaseMeterSettings());
    SetSettingsRoot(root_.root().c_str());
}
#endif

} // namespace
