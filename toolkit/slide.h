// The slide: a horizontal or vertical track-and-thumb control with the
// knob's value model, menus, latency, value box, "Edit Value", "Adjust
// Value", reset, keys, wheel and notifications. Its record is a knob record
// (toolkit/knob.h) whose track field holds the geometry below, so every
// knob operation works on it. ToolkitInit registers the class with
// SlideWindowProc. The program itself creates no slide.
#pragma once

#include "toolkit/knob.h"

#include <cstdint>

// Style bit: horizontal (vertical without it). The other bits are the knob's.
constexpr uint32_t kSlideHorizontal = 0x00010000;
// Thumb length along the track when no thumb bitmap is given.
constexpr int kSlideDefaultThumb = 11;

struct SlideTrack {
    int32_t horizontal;   // 1: min at the left; 0: min at the bottom
    HBITMAP track;        // optional background, drawn at (0, 0) (the caller's)
    HBITMAP thumb;        // optional thumb image (the caller's)
    int32_t thumbLength;  // along the track
    int32_t thumbBreadth; // across it (the control's breadth without a bitmap)
    int32_t travel;       // pixels the thumb's leading edge can move: length - thumbLength
};

// What CreateSlide takes; zero-filled fields take their defaults.
struct SlideCreate {
    HWND owner;
    uint16_t id; // below 0x4000
    int32_t x, y, width, height;
    uint32_t style; // kSlideHorizontal plus the knob's style bits
    HBITMAP track;  // optional, kept by the caller while the slide lives
    HBITMAP thumb;  // optional, likewise
    float min, max, initial, step;
    ControlCallback callback; // null: post WM_COMMAND to owner
    void* context;
};

// Creates a WS_CHILD | WS_VISIBLE | WS_TABSTOP slide. Returns the window, or
// 0 when the toolkit is not initialised, the id is not below 0x4000, the
// size is too small for the thumb, the range cannot be mapped (see
// KnobScaleInit) or memory runs out.
HWND CreateSlide(const SlideCreate* create);

LRESULT CALLBACK SlideWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The value at a pointer position (client coordinates), and the thumb's
// leading edge (x when horizontal, y otherwise) for the current value.
float SlideValueAt(const Knob* slide, int x, int y);
int SlideThumbPosition(const Knob* slide);
