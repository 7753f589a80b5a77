// The status panel: four lines on the main window's front panel telling
// where the engine's time stands and how full the history is, refreshed
// every 300 ms together with the blinking record lamp beside it. A toolkit
// free panel whose context is the ControlPanel.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ControlPanel;
struct HistoryStatus;

constexpr int kStatusPanelX = 80;
constexpr int kStatusPanelY = 238;
constexpr int kStatusPanelWidth = 164;
constexpr int kStatusPanelHeight = 69;
constexpr UINT_PTR kStatusTimerId = 1;
constexpr UINT kStatusTimerPeriod = 300; // ms
constexpr int kRecordLampX = 12;         // the lamp, in the main window
constexpr int kRecordLampY = 30;
constexpr int kRecordLampWidth = 19;
constexpr int kRecordLampHeight = 14;
constexpr int kLampLitBitmap = 501;
constexpr int kLampDarkBitmap = 502;

// The four lines for a status: "TIME : ..", "LAST REC : ..", "START AT : .."
// and "event n / capacity". Each line has lineSize bytes.
void FormatStatusLines(const HistoryStatus& status, char lines[4][64]);

// The bitmap the lamp shows for the record switch and the blink phase.
int RecordLampBitmap(uint32_t recordLamp, uint32_t lampPhase);

// Creates the panel (free panel id 1) at (80, 238), 164 x 69, in the panel's
// main window. Returns the window or 0.
HWND CreateStatusPanel(ControlPanel* panel);

// The panel's message procedure (the free panel's callback).
LRESULT StatusPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* context);
