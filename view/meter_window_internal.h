// Parts of the meter window that its tests and the benchmark reach besides
// view/meter_window.h: the menu identifiers, the popup's check marks and the
// engine hooks the window installs.
#pragma once

#include <windows.h>

#include "meter/meter_engine.h"
#include "view/history_graph.h"
#include "view/meter_paint.h"

// Popup menu commands (the full command word).
enum MeterCommand : UINT {
    kCmdFrameRateFirst = 102, // "2" .. "30": framesPerSecond = id - 100
    kCmdFrameRateLast = 130,
    kCmdPeak = 300,
    kCmdRms = 301,
    kCmdAverage = 302,
    kCmdAlwaysVisible = 500,
    kCmdNotifyFrameLoss = 501,
    kCmdRelaxMode = 502,
    kCmdDefaultOptions = 600,
    kCmdChangeName = 601,
    kCmdFollowRecord = 2100,
    kCmdEditCueList = 2101,
    kCmdLoudness = 2102, // "Loudness...", the last item: opens the Loudness window
};

// System menu items, compared on the low 16 bits of the system command.
enum MeterSysCommand : UINT {
    kSysWhereIsWindow = 1,
    kSysSetDefaultPlacement = 2,
};

// Sets the popup's check marks and grays from the engine's state, as the
// right button does before tracking the popup.
void UpdateMeterPopup(MeterWindowContext* context);

// The history graph's state in the meter window's record, or null for a
// window without one. The display thread reaches it here while it draws a
// frame into the window, which stays alive meanwhile.
HistoryViewState* MeterWindowHistoryView(HWND window);

// What the display thread last drew of the window's bars, or null for a
// window without a record; alive while the window is.
LiveBars* MeterWindowLiveBars(HWND window);

// The hooks the meter window installs on an engine (OpenMeterWindow does).
const MeterDrawHooks* MeterWindowHooks();
