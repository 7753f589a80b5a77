// The Input menu and its commands: choosing the input device, "Measure
// Input" (F6) and "Stop Input" (F7), a device failure while measuring, and
// the loudness meter both streams feed (its resets).
#pragma once

#include <windows.h>

#include <cstdint>

struct Program;

// Posted by the input thread to the main window when the device failed.
constexpr UINT kMsgInputFailed = WM_APP + 40;

extern const char kMeasureInputTitle[]; // "Measure Input"
extern const char kNoInputItemText[];   // the Input menu's item when no device is listed

// At start-up, after the output side: the loudness meter, the input driver
// (device 1, or the stored choice) sized for the latency, and the Input
// menu's device items. A machine without an input device starts as before;
// Measure Input then says so.
void StartInputSide(Program* program);

// At shutdown: stops measuring and releases the input driver and the loudness meter.
void StopInputSide(Program* program);

// "Measure Input": ignored while measuring or while a file selection is
// under way. Opens the chosen device first; when it refuses, a box with its
// name and the reason, and nothing else changes. Then stops playing (as
// Stop does), zeroes the analysis and measures.
void MeasureInputCommand(Program* program);

// "Stop Input": ends measuring; nothing while not measuring.
void StopInputCommand(Program* program);

// A device item of the Input menu (id kCommandInputDeviceFirst + n - 1):
// chooses device n and stores the choice; refused with a box while measuring.
void ChooseInputCommand(Program* program, uint16_t id);

// Checks the chosen device's item of the Input menu.
void CheckInputItems(const Program* program, HMENU menu);

// The input thread ended on a device failure: joins it and tells the user.
// The history, its cues and the meters are kept.
void InputFailed(Program* program);

// A history reset or the Loudness window's Reset: the loudness starts over.
void ResetLoudness(Program* program);

// Whether "Play" would start a stream now (a file, no selection, not playing).
bool PlayWouldStart(const Program* program);
