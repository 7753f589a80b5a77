// Painting of the meter window: the static meter column and the history on
// WM_PAINT (user-interface thread), and the moving parts once per frame on
// the display thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "display/meter_scale.h"
#include "view/meter_window_layout.h"

struct MeterEngine;
struct DisplayFrame;

// Posted to the meter window when the count of lost frames it should show
// changes; the window's thread puts it in the caption.
constexpr UINT kMeterMsgFrameLoss = WM_APP + 2;

// What the display thread last drew of one bar, so that a frame redraws
// only the rows that changed: under Wine every changed pixel is copied to
// the X server, the whole bar each frame otherwise.
struct BarShown {
    uint32_t valid; // 0: the next frame draws the whole bar
    BarPixels bar;  // as drawn
    int32_t x0, bottom, height, width;
    int32_t marker;   // the peak marker was asked for
    HGDIOBJ tools[5]; // the three zone brushes and the marker's two pens drawn with
};

// The meter window's record keeps one. Threads: the bars are the display
// thread's; every paint of the window (user-interface thread) bumps
// repaints, since painting erased the bars, and the display thread then
// draws them whole again.
struct LiveBars {
    BarShown channel[2];
    std::atomic<uint32_t> repaints{0};
    uint32_t repaintsSeen = 0;
};

// The window's paint: "Not Enough" / "Place" for an unusable layout,
// otherwise the headers, labels, scales and correlator box, then the history.
void PaintMeterColumn(MeterEngine* engine, HDC dc, HWND window);

// The bars and the correlator marker of a frame (display thread). With
// shown, only what changed since the bars it describes; null draws them whole.
void DrawBars(MeterEngine* engine, DisplayFrame* frame, HDC dc, const MeterLayout* layout,
              LiveBars* shown = nullptr);

// The engine's per-frame drawing entry: the bars, then the live history
// column, into frame->window through a DC of this thread's own. Sends no
// message and waits for nothing; what the window's thread must do (scroll
// thumb, caption) is posted.
void MeterDrawFrame(MeterEngine* engine, DisplayFrame* frame);
