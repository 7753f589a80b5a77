#include "display/meter_settings.h"

#include "app/settings_store.h"
#include "sys/settings_backend.h"
#include "tests/app/settings_test_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The stored names in record order, as other versions of the program read them.
const char* const kNames[kMeterValueCount] = {
    "MoyBorder",        "MoyBrush",     "nomBorder",  "nomBrush",     "MaxBorder",
    "MaxBrush",         "AttnBorder",   "AttnBorder", "MaxColor",     "MoyColor",
    "Electron",         "Persistence",  "Corel_on",   "Corel_off",    "BrushType",
    "dbHead",           "dbMax",        "L_MinDB",    "L_MaxDB",      "C_MinDB",
    "C_MaxDB",          "Max_DBperS",   "Moy_DBperS", "nbFperS",      "ReduceMinDb",
    "DisplayDbOffset",  "Delay",        "Attack",     "PhaseRelease", "DelayElectron",
    "DelayPersistence", "RangeRelease", "diapason",
};

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

int IndexOf(const char* name) {
    for (int i = 0; i < kMeterValueCount; ++i)
        if (strcmp(kNames[i], name) == 0) return i;
    return -1;
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
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0xD7, 0x05, 0x00}), std::vector<uint8_t>(bytes, bytes + 4));
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterKey, "Attack", bytes, 4));
    EXPECT_EQ(std::vector<uint8_t>({0x00, 0x00, 0x40, 0x42}), std::vector<uint8_t>(bytes, bytes + 4));
    for (int i = 0; i < kMeterValueCount; ++i) {
        uint32_t bits = 0;
        EXPECT_EQ(1, ReadSettingBinaryExact(kMeterKey, kNames[i], &bits, 4)) << kNames[i];
        EXPECT_EQ(Slot(*MeterSettingsDefaults(), i), bits) << kNames[i];
    }
}

TEST_F(MeterSettingsTest, EveryValueRoundTrips) {
    MeterSettings* settings = AcquireMeterSettings("Tenvelo");
    ASSERT_NE(nullptr, settings);
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

std::vector<uint8_t> Le(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST_F(MeterSettingsTest, MalformedStoredValuesKeepTheirDefaults) {
    const struct {
        const char* what;
        const char* name;
        uint32_t kind;
        std::vector<uint8_t> bytes;
        bool taken; // else the default stays
    } cases[] = {
        {"4 bytes taken", "Attack", kSettingKindBinary, Le(FloatBits(20.0f)), true},
        {"2 bytes, older size", "Attack", kSettingKindBinary, {0x00, 0x41}, false},
        {"8 bytes", "nbFperS", kSettingKindBinary, {25, 0, 0, 0, 0, 0, 0, 0}, false},
        {"text", "dbHead", kSettingKindText, {'-', '6', 0, 0}, false},
        {"NaN float", "L_MinDB", kSettingKindBinary, Le(0x7FC00000), false},
        {"infinite float", "Delay", kSettingKindBinary, Le(0x7F800000), false},
        {"frame rate 0", "nbFperS", kSettingKindBinary, Le(0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsTestRoot root;
        ASSERT_EQ(1, SettingsBackendWrite(kMeterKey, c.name, c.kind, c.bytes.data(),
                                          uint32_t(c.bytes.size())));
        MeterSettingsValues loaded;
        EXPECT_EQ(c.taken ? 1 : 0, LoadMeterSettingsValues(kMeterKey, &loaded));
        const int i = IndexOf(c.name);
        uint32_t expected = Slot(*MeterSettingsDefaults(), i);
        if (c.taken) memcpy(&expected, c.bytes.data(), 4);
        EXPECT_EQ(expected, Slot(loaded, i));
    }
}

TEST_F(MeterSettingsTest, StoredValuesReachTheEngineWithinTheirLimits) {
    const struct {
        const char* name;
        uint32_t stored, expected; // raw bits
    } cases[] = {
        {"Delay", FloatBits(-1.0f), FloatBits(0.0f)},
        {"Delay", FloatBits(5.0f), FloatBits(2.0f)},
        {"Attack", FloatBits(0.0f), FloatBits(0.1f)},
        {"L_MinDB", FloatBits(-500.0f), FloatBits(-180.0f)},
        {"L_MaxDB", FloatBits(-100.0f), FloatBits(6.0f)}, // below L_MinDB: default range
        {"Moy_DBperS", FloatBits(1000.0f), FloatBits(96.0f)},
        {"PhaseRelease", FloatBits(31.0f), FloatBits(30.0f)},
        {"nbFperS", 0, 10},
        {"nbFperS", uint32_t(-5), 10},
        {"nbFperS", 2000, 10},
        {"nbFperS", 30, 30},
        {"dbHead", FloatBits(-300.0f), FloatBits(-300.0f)}, // not the engine's to clamp
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
        SettingsTestRoot root;
        ASSERT_EQ(1, WriteSettingBinary(kMeterKey, c.name, &c.stored, 4));
        MeterSettingsValues loaded;
        ASSERT_EQ(1, LoadMeterSettingsValues(kMeterKey, &loaded));
        EXPECT_EQ(c.expected, Slot(ClampMeterValuesForEngine(&loaded), IndexOf(c.name)));
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
