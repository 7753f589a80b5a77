// The image button: a bitmap button that pushes, toggles, acts as a radio
// button or just shows an image. It reports through the toolkit's
// notification protocol (toolkit/toolkit.h) and answers the owner requests
// enable (1), disable (2), get value (3) and set value (4).
#pragma once

#include "toolkit/toolkit.h"

#include <cstdint>

// Modes (one of the first four), plus flags.
constexpr uint32_t kButtonPush = 0x1000;
constexpr uint32_t kButtonToggle = 0x2000;
constexpr uint32_t kButtonStatic = 0x4000; // no focus, no clicks
constexpr uint32_t kButtonRadio = 0x8000;
constexpr uint32_t kButtonModeMask = 0xF000;
constexpr uint32_t kButtonAutoRepeat = 0x20000; // with push: repeat while held
// kNotifyBeginEnd (0x40000000) in the mode frames presses with begin/end.

// Auto-repeat timer period in ms; the repeat schedule counts its ticks.
constexpr UINT kButtonRepeatPeriod = 50;
constexpr UINT_PTR kButtonRepeatTimer = 1;

// The button's record, kept in window slot 0 from WM_CREATE to WM_DESTROY.
struct ImageButton {
    HWND owner; // parent window
    int32_t x;  // position in the owner
    int32_t y;
    uint16_t id;     // below 0x4000
    int32_t enabled; // 1 at creation
    int32_t focused; // has the keyboard focus
    int32_t width;   // the up face's size when created with 0
    int32_t height;
    HBITMAP upFace;       // shown while the value is 0
    HBITMAP downFace;     // shown while the value is not 0
    HBITMAP disabledFace; // optional
    int32_t round;        // 1: drawn through a round mask of diameter width
    uint32_t mode;        // kButtonPush... plus flags
    ControlNotifyHead notify;
    float value;          // 0.0 or 1.0
    int32_t pressed;      // between press and release
    HWND previousCapture; // capture holder before the press
    uint32_t repeatTicks; // auto-repeat ticks counted while inside
    UINT_PTR timerId;     // 0 when no auto-repeat timer runs
    int32_t outside;      // cursor outside during an auto-repeat press
    HBITMAP roundMask;
    HWND window; // the button's own window
};

// Creates a WS_CHILD | WS_VISIBLE | WS_TABSTOP button at its up face's size.
// With a callback the button reports through it (context handed back),
// otherwise it posts WM_COMMAND to owner. mode is one of the kButton modes
// plus kButtonAutoRepeat and kNotifyBeginEnd as wanted. disabledFace may be 0.
// Returns the window, or 0 when it cannot be made (toolkit not initialised,
// no up face, id not below 0x4000, out of memory).
HWND CreateImageButton(HWND owner, uint16_t id, int x, int y, uint32_t mode, HBITMAP upFace,
                       HBITMAP downFace, HBITMAP disabledFace, ControlCallback callback,
                       void* context);

// A 24 x 16 button with the toolkit's faces 0 (up) and 1 (down), posting to
// owner. Toggle unless style has kButtonPush or kButtonRadio; style bit
// kNotifyBeginEnd frames presses. Returns the window or 0.
HWND CreateStandardButton(HWND owner, uint16_t id, int x, int y, uint32_t style);
