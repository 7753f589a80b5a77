// The floating value box: one top-most popup, made by ToolkitInit, that
// shows a control's value beside it while the value is dragged. Its window
// procedure is ValueBoxWindowProc (declared in toolkit/toolkit.h); the
// functions below find the box through ToolkitValueBox() and do nothing
// while there is none.
#pragma once

#include "toolkit/toolkit.h"

#include <cstddef>
#include <cstdint>

constexpr int kInfoBoxWidth = 80;
constexpr int kInfoBoxHeight = 20;
constexpr size_t kInfoBoxTextSize = 256;

// The box's record, kept in window slot 0 from WM_CREATE to WM_DESTROY.
struct InfoBox {
    HWND owner;                  // the control's owner, for coordinates; 0 while hidden
    HWND window;                 // the box itself
    char text[kInfoBoxTextSize]; // shown text, always terminated
    int32_t hidden;              // 1 at creation and after InfoBoxHide
    int32_t lastX;               // last screen position, -1 at creation
    int32_t lastY;
};

// Shows text at (x, y) of owner's client area: moves the box there (without
// resizing) when the position changed, shows it on top of all windows and
// leaves the keyboard focus where it was.
void InfoBoxShow(HWND owner, int x, int y, const char* text);

// While the box is shown, replaces its text and repaints it; does nothing
// while it is hidden.
void InfoBoxUpdate(const char* text);

// Hides the box and forgets its owner.
void InfoBoxHide();

// Returns the box's record, or null when there is no box.
const InfoBox* InfoBoxState();
