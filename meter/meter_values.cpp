#include "meter/meter_values.h"

#include <cstring>

#include "sys/settings_store.h"

namespace {

enum ValueType { kColour, kInteger, kFloat };

struct ValueInfo {
    const char* name;
    ValueType type;
};

// Record order; #6 and #7 share "AttnBorder".
const ValueInfo kValueInfo[kMeterValueCount] = {
    {kMoyBorderValue, kColour},
    {kMoyBrushValue, kColour},
    {kNomBorderValue, kColour},
    {kNomBrushValue, kColour},
    {kMaxBorderValue, kColour},
    {kMaxBrushValue, kColour},
    {kAttnBorderValue, kColour},
    {kAttnBorderValue, kColour},
    {kMaxColorValue, kColour},
    {kMoyColorValue, kColour},
    {kElectronValue, kColour},
    {kPersistenceValue, kColour},
    {kCorelOnValue, kColour},
    {kCorelOffValue, kColour},
    {kBrushTypeValue, kInteger},
    {kDbHeadValue, kFloat},
    {kDbMaxValue, kFloat},
    {kLevelMinDbValue, kFloat},
    {kLevelMaxDbValue, kFloat},
    {kSecondMinDbValue, kFloat},
    {kSecondMaxDbValue, kFloat},
    {kMaxDbPerSValue, kFloat},
    {kMoyDbPerSValue, kFloat},
    {kFramesPerSValue, kInteger},
    {kReduceMinDbValue, kFloat},
    {kDisplayDbOffsetValue, kFloat},
    {kDelayValue, kFloat},
    {kAttackValue, kFloat},
    {kPhaseReleaseValue, kFloat},
    {kDelayElectronValue, kFloat},
    {kDelayPersistenceValue, kFloat},
    {kRangeReleaseValue, kFloat},
    {kDiapasonValue, kFloat},
};

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | g << 8 | b << 16;
}

const MeterSettingsValues kDefaults = {
    Rgb(0, 215, 5),     // MoyBorder
    Rgb(0, 215, 5),     // MoyBrush
    Rgb(237, 237, 63),  // nomBorder
    Rgb(237, 237, 63),  // nomBrush
    Rgb(249, 51, 51),   // MaxBorder
    Rgb(249, 51, 51),   // MaxBrush
    Rgb(98, 169, 189),  // AttnBorder (outline)
    Rgb(98, 169, 189),  // AttnBorder (fill)
    Rgb(255, 216, 164), // MaxColor
    Rgb(208, 255, 208), // MoyColor
    Rgb(255, 245, 0),   // Electron
    Rgb(110, 100, 0),   // Persistence
    Rgb(0, 200, 0),     // Corel_on
    Rgb(200, 0, 0),     // Corel_off
    2,                  // BrushType
    -12.0f,             // dbHead
    -3.0f,              // dbMax
    -60.0f,             // L_MinDB
    6.0f,               // L_MaxDB
    -40.0f,             // C_MinDB
    40.0f,              // C_MaxDB
    6.0f,               // Max_DBperS
    24.0f,              // Moy_DBperS
    10,                 // nbFperS
    -20.0f,             // ReduceMinDb
    0.0f,               // DisplayDbOffset
    0.0f,               // Delay
    48.0f,              // Attack
    0.5f,               // PhaseRelease
    0.05f,              // DelayElectron
    0.2f,               // DelayPersistence
    3.0f,               // RangeRelease
    440.0f,             // diapason
};

// The values are 33 slots of 4 raw bytes; floats are moved as bytes so that
// no value is changed on its way through the x87 unit.
void GetSlot(const MeterSettingsValues* values, int index, uint8_t out[4]) {
    memcpy(out, reinterpret_cast<const uint8_t*>(values) + 4 * index, 4);
}

void SetSlot(MeterSettingsValues* values, int index, const uint8_t in[4]) {
    memcpy(reinterpret_cast<uint8_t*>(values) + 4 * index, in, 4);
}

bool FiniteBits(const uint8_t bytes[4]) {
    uint32_t bits;
    memcpy(&bits, bytes, 4);
    return ((bits >> 23) & 0xFF) != 0xFF;
}

float ClampOrDefault(float value, float lo, float hi, float fallback) {
    uint8_t bytes[4];
    memcpy(bytes, &value, 4);
    if (!FiniteBits(bytes)) return fallback;
    return value < lo ? lo : value > hi ? hi : value;
}

} // namespace
const MeterSettingsValues* MeterSettingsDefaults() {
    return &kDefaults;
}

int LoadMeterSettingsValues(const char* key, MeterSettingsValues* out) {
    *out = kDefaults;
    int taken = 0;
    for (int i = 0; i < kMeterValueCount; ++i) {
        uint8_t bytes[4];
        if (!ReadSettingBinaryExact(key, kValueInfo[i].name, bytes, 4)) continue;
        if (kValueInfo[i].type == kFloat && !FiniteBits(bytes)) continue;
        SetSlot(out, i, bytes);
        ++taken;
    }
    return taken;
}

int SaveMeterSettingsValues(const char* key, const MeterSettingsValues* values) {
    int ok = 1;
    // In record order: #7 after #6, so the fill wins their shared name.
    for (int i = 0; i < kMeterValueCount; ++i) {
        uint8_t bytes[4];
        GetSlot(values, i, bytes);
        if (!WriteSettingBinary(key, kValueInfo[i].name, bytes, 4)) ok = 0;
    }
    return ok;
}

MeterSettingsValues ClampMeterValuesForEngine(const MeterSettingsValues* values) {
    MeterSettingsValues v = *values;
    const MeterSettingsValues& d = kDefaults;
    v.delay = ClampOrDefault(v.delay, 0.0f, 2.0f, d.delay);
    v.attack = ClampOrDefault(v.attack, 0.1f, 96.0f, d.attack);
    v.levelMinDb = ClampOrDefault(v.levelMinDb, -180.0f, 40.0f, d.levelMinDb);
    v.levelMaxDb = ClampOrDefault(v.levelMaxDb, -170.0f, 48.0f, d.levelMaxDb);
    v.maxDbPerS = ClampOrDefault(v.maxDbPerS, 0.1f, 96.0f, d.maxDbPerS);
    v.moyDbPerS = ClampOrDefault(v.moyDbPerS, 0.1f, 96.0f, d.moyDbPerS);
    v.phaseRelease = ClampOrDefault(v.phaseRelease, 0.1f, 30.0f, d.phaseRelease);
    // A frame rate of 0 would divide by zero in the engine, and one beyond
    // the sample rate would leave frames without samples.
    if (v.framesPerS < 1 || v.framesPerS > 1000) v.framesPerS = d.framesPerS;
    // An empty or inverted range would divide by zero in the scale mapping.
    if (!(v.levelMinDb < v.levelMaxDb)) {
        v.levelMinDb = d.levelMinDb;
        v.levelMaxDb = d.levelMaxDb;
    }
    // Values the engine does not clamp still must be numbers.
    for (int i = 0; i < kMeterValueCount; ++i) {
        if (kValueInfo[i].type != kFloat) continue;
        uint8_t bytes[4];
        GetSlot(&v, i, bytes);
        if (FiniteBits(bytes)) continue;
        GetSlot(&d, i, bytes);
        SetSlot(&v, i, bytes);
    }
    return v;
}
