// The "Measure Display Options" dialog: edits a private copy of the meter
// settings (colours, fill pattern, zone thresholds, level range, fall rates,
// frame rate and a few flagged values) with a live preview of the bars; OK
// puts the copy in place of the global record, Cancel drops it.
#pragma once

#include <windows.h>

#include <cstdint>

// Which optional fields the dialog shows.
enum DisplayOptionsFlag : uint32_t {
    kOptionsZeroPoint = 0x01,    // "ZERO point" (display dB offset)
    kOptionsSyncDelay = 0x02,    // "Sync Delay"
    kOptionsReduceGain = 0x04,   // "Reduc. Gain"
    kOptionsPhaseRelease = 0x08, // "Phase Release"
    kOptionsAttack = 0x10,       // "Atck."
    kOptionsOscilloscope = 0x20, // beam delays and range release instead of the level fields
    kOptionsDiapason = 0x80,     // "Diapason"
};

// The meter window's choice: "Sync Delay" and "Phase Release".
constexpr uint32_t kMeterWindowOptionFlags = kOptionsSyncDelay | kOptionsPhaseRelease;

// Runs the dialog modally, owned by owner, at screen (x, y). Returns 1 after
// OK (the settings were replaced), 0 after Cancel or close, and 0 at once
// when the dialog is already open (it is brought to the top) or its template
// cannot be made.
int OpenDisplayOptions(HWND owner, uint32_t flags, int x, int y);

// Closes an open dialog as Cancel does; the settings' last release calls it.
void CloseDisplayOptions();

// The open dialog, or null.
HWND DisplayOptionsWindow();
