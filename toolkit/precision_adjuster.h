// The precision adjuster, "Precision Tri Slider": a floating window with
// three vertical scales of different fineness that edits the value of the
// knob or slide it is attached to. One at a time; the toolkit keeps its
// window in the kPopupAdjuster slot. It copies what it needs from the
// control when it attaches and talks to it only through messages, so a
// control that goes while it is open leaves nothing dangling.
#pragma once

#include "toolkit/knob_model.h"
#include "toolkit/toolkit.h"

#include <cstdint>

// Client area the window is sized for (plus its frame).
constexpr int kAdjusterWidth = 231;
constexpr int kAdjusterHeight = 320;
constexpr int kAdjusterScaleTop = 20; // the scales' bitmap starts here
constexpr int kAdjusterInverseButton = 100;
constexpr int kAdjusterScales = 3;
// What the knob passes as notifyCode; the adjuster sends it to the control
// when it closes, and the control ignores it.
constexpr uint32_t kAdjusterClosedCode = 105;
// Lowest decibel figure the adjuster works with (for a minimum of 0).
constexpr float kAdjusterFloorDb = -200.0f;

struct PrecisionAdjuster {
    HWND window;
    int32_t x, y;                       // screen position it opened at
    int32_t w, h;                       // client size
    HWND control;                       // attached control, 0 when detached
    uint16_t id;                        // its identifier
    ControlNotifyHead head;             // a copy of its owner link
    uint32_t style;                     // its style (kKnobDecibel)
    uint32_t notifyCode;                // sent to the control on close
    float value;                        // working value (dB when decibel-styled)
    float min, max;                     // min <= max (whole dB when decibel-styled)
    float range;                        // max - min
    float sensitivity[kAdjusterScales]; // value per pixel, coarse to fine
    int32_t decimals;                   // of the numbers shown, 1-5
    int32_t columns[3];                 // w / 3, 2w / 3, w / 3 - 1
    int32_t scaleHeight;                // h - 40
    int32_t scaleMiddle;                // where the marker sits in the scales' bitmap
    int32_t active;                     // scale being dragged, 1-3; 0 none
    int32_t lastX, lastY;
    HWND previousCapture;
    int32_t pushing; // the adjuster itself is setting the control's value
    HBITMAP scales;  // w x (h - 40), the drawn scales
    WindowDragState drag;
    HWND inverseButton;   // "Inverse mousemove mode"
    int32_t* initialised; // set to 1 at WM_INITDIALOG while the window is being made
};

// Opens the adjuster at screen (x, y) attached to control, or, when one is
// open, re-attaches it, redraws it and brings it to the top. head is copied.
// style gives kKnobDecibel; scale gives value, min and max. Returns the
// window, or 0 when it cannot be made.
HWND OpenPrecisionAdjuster(HWND owner, HWND control, uint32_t style, int x, int y,
                           uint32_t notifyCode, const ControlNotifyHead* head, uint16_t id,
                           const KnobScale* scale);

// After a control's value changed: the adjuster attached to it re-reads the
// value and redraws; one attached elsewhere re-attaches to it. Nothing
// happens when no adjuster is open.
void RefreshPrecisionAdjuster(HWND control, uint32_t style, uint32_t notifyCode,
                              const ControlNotifyHead* head, uint16_t id, const KnobScale* scale);

// Closes the adjuster when it is attached to control (the control is going).
void ClosePrecisionAdjusterOf(HWND control);

// Returns the open adjuster's record, or null.
const PrecisionAdjuster* PrecisionAdjusterState();

// The scale arithmetic, pure: fills value, min, max, range, sensitivity and
// decimals from a control's scale and style.
void PrecisionAdjusterAttachValues(PrecisionAdjuster* adjuster, const KnobScale* scale,
                                   uint32_t style);
