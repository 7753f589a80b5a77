// The pens, brushes and pattern bitmaps of the meter settings, made from
// their colours and fill pattern. The meter window installs these as the
// settings' build and destroy hooks, so the objects exist from the first
// acquisition of the settings (engine creation) to the last release.
#pragma once

#include <windows.h>

#include "display/meter_settings.h"

// Indexes into MeterDrawingObjects.pens.
enum MeterPen {
    kPenAverageBorder = 0, // "MoyBorder"
    kPenNominalBorder = 1, // "nomBorder"
    kPenMaxBorder = 2,     // "MaxBorder": a peak marker above 0 dB
    kPenReduction = 3,     // "AttnBorder"
    kPenMaxColor = 4,      // "MaxColor": the peak marker
    kPenAverageColor = 5,  // "MoyColor"
    kPenElectron = 6,
    kPenPersistence = 7,
};

// Indexes into MeterDrawingObjects.brushes.
enum MeterBrush {
    kBrushAverageZone = 0, // "MoyBrush", horizontal stripes
    kBrushNominalZone = 1, // "nomBrush"
    kBrushMaxZone = 2,     // "MaxBrush"
    kBrushReductionZone = 3,
    kBrushAverageZoneV = 4, // the same four, vertical stripes
    kBrushNominalZoneV = 5,
    kBrushMaxZoneV = 6,
    kBrushReductionZoneV = 7,
    kBrushElectron = 8, // solid
    kBrushPersistence = 9,
    kBrushCorrelOn = 10,
    kBrushCorrelOff = 11,
};

// Fill patterns of "BrushType".
constexpr int kBrushTypeSolid = 0;
constexpr int kBrushTypeLast = 6;

// 1 when the 8 x 8 cell of a pattern type sets pixel (x, y); orientation 1
// gives rows (horizontal stripes), 0 the pattern turned (columns).
int PatternPixelSet(int brushType, int orientation, int x, int y);

// Replaces *brush (and the bitmap in *bitmap) by the zone brush of a colour:
// solid for type 0, an 8 x 8 pattern on black for 1..6, the light grey stock
// brush for any other type or on failure. Stock brushes are never deleted.
void BuildPatternBrush(HBRUSH* brush, HBITMAP* bitmap, int brushType, COLORREF colour,
                       int orientation);

// Makes the 8 pens, 12 brushes and 8 bitmaps from the values, replacing
// earlier brushes and bitmaps.
void BuildMeterObjects(MeterSettings* settings);

// Deletes every object that exists and clears the whole record.
void DestroyMeterObjects(MeterSettings* settings);

// Typed access for the drawing code.
inline HPEN MeterSettingsPen(const MeterSettings* s, MeterPen pen) {
    return static_cast<HPEN>(s->objects.pens[pen]);
}
inline HBRUSH MeterSettingsBrush(const MeterSettings* s, MeterBrush brush) {
    return static_cast<HBRUSH>(s->objects.brushes[brush]);
}
