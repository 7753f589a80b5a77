// The "Loudness" window: momentary, short-term and integrated loudness,
// loudness range and true peak per channel of what plays or is measured,
// with the time integrated and a Reset button. It reads the readings the
// stream threads publish (meter/live_loudness.h) at the meter's frame rate
// on a timer of its own; nothing is sent to it from those threads. One per
// program, opened from the meter window's menu; its placement is kept for
// the run and stored when it closes.
#pragma once

#include <windows.h>

#include <cstddef>

#include "meter/live_loudness.h"

struct MeterEngine;

extern const char kLoudnessWindowClass[]; // "Loudness_0001\xA9Ktavin"
extern const char kLoudnessWindowTitle[]; // "Loudness"

// kMeterWindowKey: 4-byte signed left, top, right, bottom of its last placement.
constexpr char kLoudnessX0Value[] = "Loudness x0";
constexpr char kLoudnessY0Value[] = "Loudness y0";
constexpr char kLoudnessX1Value[] = "Loudness x1";
constexpr char kLoudnessY1Value[] = "Loudness y1";

// The rows, top to bottom; their value fields are controls kLoudnessFirstValueId + row.
enum LoudnessRow {
    kRowMomentary,
    kRowShortTerm,
    kRowIntegrated,
    kRowRange,
    kRowTruePeakLeft,
    kRowTruePeakRight,
    kRowTime,
    kLoudnessRows
};
constexpr int kLoudnessFirstValueId = 100;
constexpr int kLoudnessStatusId = 120; // the source's status line (the input's counts)
constexpr int kLoudnessResetId = 130;
constexpr size_t kLoudnessTextSize = 48;

// Where the window's readings come from: the program installs it.
struct LoudnessSource {
    LiveLoudness* live;       // the published readings
    MeterEngine** engineSlot; // its frame rate paces the window
    // The status line under the rows ("" for none).
    void (*describe)(void* context, char* text, size_t size);
    // The Reset button: the loudness starts over.
    void (*reset)(void* context);
    void* context;
};

// Registers the window class. Returns 1 on success.
int RegisterLoudnessWindowClass(HINSTANCE instance);
void UnregisterLoudnessWindowClass(HINSTANCE instance);

// Installs the source (copied); null removes it (the window then shows nothing new).
void SetLoudnessSource(const LoudnessSource* source);

// Opens the window, or brings the open one to the top. Returns it, or null.
HWND OpenLoudnessWindow();

// The open window, or null.
HWND LoudnessWindow();

// Closes the window if it is open (its placement is stored).
void CloseLoudnessWindow();

// The rows' texts for a reading: "-23.0 LUFS", "7.2 LU", "-1.0 dBTP",
// "0:01:05"; a value the meter cannot give yet reads "--".
void FormatLoudnessRows(const LoudnessReading& reading,
                        char rows[kLoudnessRows][kLoudnessTextSize]);
