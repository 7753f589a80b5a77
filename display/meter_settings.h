// The program's meter settings: one global record of the meter's values
// (meter/meter_values.h), loaded when its first user acquires it and saved
// when the last user releases it, with the pens, brushes and pattern bitmaps
// the Win32 shell builds from them through the hooks below (the native build
// has none). The program hands the values to its engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "meter/meter_values.h"

// Drawing objects made from the values by the shell, as opaque handles
// (HPEN, HBRUSH, HBITMAP). All zero while nothing is built.
struct MeterDrawingObjects {
    void* pens[8];           // outlines #0 #2 #4 #6, markers #8 #9, #10 #11
    void* brushes[12];       // fills #1 #3 #5 #7 horizontal, the same vertical,
                             // solid #10 #11 #12 #13
    void* patternBitmaps[8]; // one per pattern brush
};

struct MeterSettings {
    MeterSettingsValues values;
    MeterDrawingObjects objects;
};

static_assert(offsetof(MeterSettings, values) == 0, "values come first");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(MeterSettings, objects) == 132, "objects follow the 33 values");
static_assert(sizeof(MeterSettings) == 244, "the 32-bit record is 244 bytes");
#endif

// Entries the shell installs to build and destroy the drawing objects, close
// the options dialog and read the toolkit palette. Any entry may be null.
struct MeterSettingsHooks {
    void (*buildObjects)(MeterSettings* settings);   // after the values are loaded
    void (*destroyObjects)(MeterSettings* settings); // before the record is cleared
    void (*closeDialog)();                           // at the last release, first
    uint32_t (*paletteColor)(int index);             // custom colours 0..15
};

// Installs the hooks (copied); nullptr removes them.
void SetMeterSettingsHooks(const MeterSettingsHooks* hooks);

// Counts one more user. The first acquisition forms the key from
// kMeterKeyPrefix and name, takes the custom colours from the palette hook,
// clears the record, loads the values and builds the objects. Returns the
// global record, or nullptr (nothing counted) when name is null or too long.
MeterSettings* AcquireMeterSettings(const char* name);

// Counts one user less; the last release closes the dialog, destroys the
// objects, clears the record and saves the values. Returns 1 when that save
// stored every value, 0 when it failed for one, and 1 when users remain or
// nothing was acquired.
int ReleaseMeterSettings();

// The global record (valid only while acquired). Never null.
MeterSettings* GetMeterSettings();

// Current number of users.
int MeterSettingsUseCount();

// The 16 custom colours offered by the colour chooser; never null.
uint32_t* MeterCustomColours();
