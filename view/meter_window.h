// The meter window "VU-Meters_0001\xA9Ktavin": the bargraphs, the correlator
// and the level history of one engine, and the bitmaps it shares with the
// main window's panel.
#pragma once

#include <windows.h>

struct ControlPanel;

extern const char kMeterWindowClass[];

// Loads the shared bitmaps (500 background, 501/502 record lamp, 509 knob
// face, 530/531 button faces) and registers the meter window class. Returns
// 1 on success, 0 on failure.
int RegisterMeterWindowClass(HINSTANCE instance);

// Unregisters the class and releases the shared bitmaps.
void UnregisterMeterWindowClass(HINSTANCE instance);

// One of the shared bitmaps by its resource number, or null.
HBITMAP SharedBitmap(int resource);

// Opens the panel's engine's meter window, or re-places an open one at the
// engine's recorded placement. Returns 1 when a window is open afterwards.
int OpenMeterWindow(ControlPanel* panel);

// Copies the engine's state into the panel's controls (null controls are
// skipped) and re-places an open meter window.
void SyncControlPanel(ControlPanel* panel);
