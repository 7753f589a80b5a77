// Painting of the meter window: the static meter column and the history on
// WM_PAINT (user-interface thread), and the moving parts once per frame on
// the display thread.
#pragma once

#include <windows.h>

#include "view/meter_window_layout.h"

struct MeterEngine;
struct DisplayFrame;

// Posted to the meter window when the count of lost frames it should show
// changes; the window's thread puts it in the caption.
constexpr UINT kMeterMsgFrameLoss = WM_APP + 2;

// The window's paint: "Not Enough" / "Place" for an unusable layout,
// otherwise the headers, labels, scales and correlator box, then the history.
void PaintMeterColumn(MeterEngine* engine, HDC dc, HWND window);

// The bars and the correlator marker of a frame (display thread).
void DrawBars(MeterEngine* engine, DisplayFrame* frame, HDC dc, const MeterLayout* layout);

// The engine's per-frame drawing entry: the bars, then the live history
// column, into frame->window through a DC of this thread's own. Sends no
// message and waits for nothing; what the window's thread must do (scroll
// thumb, caption) is posted.
void MeterDrawFrame(MeterEngine* engine, DisplayFrame* frame);
