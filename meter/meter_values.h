// The meter's persisted values: defaults and colours, their load and save
// through the settings store, and the clamps the engine applies. Portable
// data only; the screen's drawing objects made from them live in display/.
#pragma once

#include <cstdint>

// The 33 persisted values, each stored as 4 raw bytes, in record order.
// Colours are 0x00BBGGRR (red in the low byte).
struct MeterSettingsValues {
    uint32_t moyBorder;     // average level zone, outline
    uint32_t moyBrush;      // average level zone, fill
    uint32_t nomBorder;     // nominal level zone, outline
    uint32_t nomBrush;      // nominal level zone, fill
    uint32_t maxBorder;     // clip / max level zone, outline
    uint32_t maxBrush;      // clip / max level zone, fill
    uint32_t attnBorder;    // reduction level, outline (stored as "AttnBorder")
    uint32_t attnBrush;     // reduction level, fill (also stored as "AttnBorder")
    uint32_t maxColor;      // max level marker
    uint32_t moyColor;      // max average level marker
    uint32_t electron;      // oscilloscope beam
    uint32_t persistence;   // oscilloscope screen persistence
    uint32_t corelOn;       // phase correlator, positive side
    uint32_t corelOff;      // phase correlator, negative side
    int32_t brushType;      // zone fill pattern 0..6; others give light grey
    float dbHead;           // dB, start of the nominal zone
    float dbMax;            // dB, start of the clip / max zone
    float levelMinDb;       // dB, bottom of the level range
    float levelMaxDb;       // dB, top of the level range
    float secondMinDb;      // dB, bottom of the oscilloscope range
    float secondMaxDb;      // dB, top of the oscilloscope range
    float maxDbPerS;        // dB/s, peak fall rate
    float moyDbPerS;        // dB/s, average and RMS fall rate
    int32_t framesPerS;     // display frames per second
    float reduceMinDb;      // dB, bottom of the gain-reduction scale
    float displayDbOffset;  // dB added to displayed levels
    float delay;            // s, measurement (sync) delay
    float attack;           // dB/s, attack rate
    float phaseRelease;     // 1/s, correlator return rate
    float delayElectron;    // s, oscilloscope beam delay
    float delayPersistence; // s, oscilloscope persistence delay
    float rangeRelease;     // oscilloscope range release
    float diapason;         // Hz, tuning reference
};

constexpr int kMeterValueCount = 33;
static_assert(sizeof(MeterSettingsValues) == kMeterValueCount * 4, "33 values of 4 bytes");

// The built-in defaults, never changed; "Reset All" copies them back.
const MeterSettingsValues* MeterSettingsDefaults();

// Reads the values stored under key into out, in record order, starting from
// the defaults: a missing value, one not binary or not exactly 4 bytes, or a
// non-finite float keeps its default. Returns the number of values taken
// from the store (0..33).
int LoadMeterSettingsValues(const char* key, MeterSettingsValues* out);

// Writes all 33 values under key, each as 4 raw bytes; #6 and #7 share one
// name and #7 is written last. Returns 1 when every write succeeded, else 0.
int SaveMeterSettingsValues(const char* key, const MeterSettingsValues* values);

// The values as the engine takes them: "Delay" 0..2, "Attack" 0.1..96,
// "L_MinDB" -180..40, "L_MaxDB" -170..48, "Max_DBperS" and "Moy_DBperS"
// 0.1..96, "PhaseRelease" 0.1..30. A non-finite value takes its default, a
// frame rate outside 1..1000 takes the default 10, and a level range that is
// empty after clamping takes the default range. Other values pass unchanged.
MeterSettingsValues ClampMeterValuesForEngine(const MeterSettingsValues* values);
