// The arithmetic of the meter's bars and scales: levels to decibels to
// pixels, the zone limits, and where the ticks of the dB and correlation
// scales fall. Portable; the Win32 drawing (display/bargraph_win32.cpp,
// display/scale_win32.cpp) puts these numbers on the screen.
#pragma once

#include <cstdint>

// Which quantity a bar or a history column shows.
enum BarQuantity { kBarAverage = 0, kBarRms = 1, kBarPeak = 2 };

// The quantity selected by the mode words: PEAK when bit 0 of peakSelect is
// set, else RMS when bit 0 of rmsSelect is set, else the average.
BarQuantity SelectedQuantity(uint32_t rmsSelect, uint32_t peakSelect);

// The header text of a quantity: "PEAK", "RMS" or "Aver.".
const char* QuantityHeader(BarQuantity quantity);

// Decibels of a stored level: 20 log10 of an amplitude (peak, average) or
// 10 log10 of a mean square (RMS), plus offset; -200 dB below 1e-10.
float LevelDb(float value, BarQuantity quantity, float offset);

// The dB-linear mapping of a graph h pixels high from minDb to maxDb.
struct LevelMapping {
    float minDb;
    float pixelsPerDb; // h / (maxDb - minDb)
    int32_t height;    // h
};

LevelMapping MakeLevelMapping(float minDb, float maxDb, int32_t height);

// trunc((db - minDb) * pixelsPerDb), not clamped (huge values are held
// within +-1e6 so the conversion stays defined).
int32_t DbToPixels(const LevelMapping* mapping, float db);

// The correlator's offset above its row for correlation c in a graph of
// height h: trunc((c + 1) h / 2), with c held to -1 .. +1 (and a c that is
// not a number at 0), so that any value a file holds stays in its strip.
int32_t CorrelationPixels(float c, int32_t h);

// What one bar draws, in pixels above its bottom.
struct BarPixels {
    int32_t value; // the bar, clamped to at most h
    int32_t head;  // yHead: start of the nominal zone
    int32_t max;   // yMax: start of the clip zone
    int32_t zero;  // y0: the 0 dB line
    int32_t peak;  // the peak marker, not clamped
};

BarPixels ComputeBarPixels(const LevelMapping* mapping, float valueDb, float peakDb, float dbHead,
                           float dbMax);

// One tick of a scale: its pixel offset above the scale's bottom, the value
// it stands for and its kind.
enum ScaleTickKind {
    kTickMinor = 0,
    kTickLine = 1,
    kTickHalf = 2,
    kTickMajor = 3,
};

struct ScaleTickSpec {
    int32_t offset;
    float value;
    ScaleTickKind kind;
};

// The largest number of ticks either list function writes.
constexpr int kMaxScaleTicks = 2048;

// The step between labelled ticks of a dB scale with s pixels per dB: 192 dB
// divided by 2, 2, 2, 2, 2, 3, 2, 5, 2, 5, ... until it spans at most 120
// pixels, then multiplied back once if it spans fewer than 60.
double DbScaleStep(double pixelsPerDb);

// The step of the correlation scale with s pixels per unit: 1.0 divided by
// 5, 2, 5, 2, ... until it spans at most 160 pixels, then multiplied back
// once if it spans fewer than 80.
double CorrelationScaleStep(double pixelsPerUnit);

// The ticks of a dB scale from minDb to maxDb over h pixels, in drawing
// order: a major tick per step where 11 <= offset < h, then the nine minor
// ticks and the half tick of the step below it. The end labels are not in
// the list. Returns the number written to out (at most capacity).
int ListDbScaleTicks(float minDb, float maxDb, int32_t height, ScaleTickSpec* out, int capacity);

// The ticks of the correlation scale -1 .. +1 over h pixels, the same way.
int ListCorrelationTicks(int32_t height, ScaleTickSpec* out, int capacity);
