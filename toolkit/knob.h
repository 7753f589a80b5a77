// The rotary knob: a bitmap face with a needle that edits one float value
// between a minimum and a maximum, on a linear or logarithmic scale. The
// user drags it, turns the wheel, uses the arrow keys, double-clicks back to
// the default, types a value or uses its context menu, which also sets the
// toolkit-wide knob options. It reports through the toolkit's notification
// protocol and answers the owner requests enable (1), disable (2), get
// value (3) and set value (4). ToolkitInit registers the class with
// KnobWindowProc (declared in toolkit/toolkit.h).
#pragma once

#include "toolkit/knob_model.h"
#include "toolkit/toolkit.h"

#include <cstddef>
#include <cstdint>

// Style bits (creation argument).
constexpr uint32_t kKnobPenMask = 0x0000000F;    // needle pen colour index
constexpr uint32_t kKnobBrushMask = 0x000000F0;  // needle brush colour index
constexpr uint32_t kKnobEditPlain = 0x00100000;  // "Edit Value" types the value
constexpr uint32_t kKnobEditTime = 0x00200000;   // "Edit Value" opens the time-entry dialog
constexpr uint32_t kKnobDecibel = 0x00400000;    // shown and typed as 20 log10(value)
constexpr uint32_t kKnobContinuous = 0x01000000; // report every change, not only on release
// kNotifyByCallback (0x02000000): set when created with a callback.
constexpr uint32_t kKnobNoValueMenu = 0x04000000; // no value menu, no "Edit/Adjust Value"
constexpr uint32_t kKnobShortNeedle = 0x08000000; // needle from 0.7 to 1.0 of its length
constexpr uint32_t kKnobLogScale = 0x10000000;    // logarithmic scale (kKnobScaleLog)
constexpr uint32_t kKnobSpring = 0x20000000;      // back to the default on release
// kNotifyBeginEnd (0x40000000): begin and end notifications frame changes.

// "infovalue": bit 31 shows the floating value box while dragging; the low
// four bits choose its place (1 left top, 2 right top, 3 right bottom,
// 4 left bottom); clearing bit 31 also clears bits 28-30.
constexpr uint32_t kInfoValueEnabled = 0x80000000u;
constexpr uint32_t kInfoValueFlagBits = 0x70000000u;

// Context menu command ids.
enum KnobMenuId : UINT {
    kKnobMenuInverse = 10,
    kKnobMenuAngular = 12,
    kSlideMenuCapture = 10,  // a slide's "Mouse Captured" ("S_capture")
    kSlideMenuSetToPos = 12, // a slide's "Direct mouse position" ("S_settopos")
    kKnobMenuShowMoves = 20,
    kKnobMenuCurrent = 50,
    kKnobMenuDefault = 100,
    kKnobMenuMin = 101,
    kKnobMenuMax = 102,
    kKnobMenuEdit = 103,
    kKnobMenuAdjust = 104,
    kKnobMenuPreset = 600,   // + preset index
    kKnobMenuLatency = 1000, // + milliseconds, items every 100 ms up to 500
    kKnobMenuInfoBox = 2000, // + place 1-4; 2000 itself toggles the box
};

constexpr int kKnobMaxPresets = 16;
constexpr UINT_PTR kKnobLatencyTimer = 1;
// What "Edit Value" passes the dialogs: the toolkit attribute and edit size.
constexpr uint32_t kKnobEditAttr = 0x7E0;
constexpr int kKnobEditWidth = 100;
constexpr int kKnobEditHeight = 20;

struct SlideTrack;

// The knob's record, kept in window slot 0 from WM_CREATE to WM_DESTROY.
struct Knob {
    HWND owner;  // parent window, in whose client area x, y lie
    HWND window; // the knob's own window
    int32_t x;   // position in the owner
    int32_t y;
    int32_t width; // the face bitmap's size
    int32_t height;
    uint16_t id;          // below 0x4000
    int32_t enabled;      // 1 at creation
    int32_t focused;      // has the keyboard focus
    int32_t dragging;     // between left button down and up
    HBITMAP face;         // from the creator
    HBITMAP pressedFace;  // optional: shown while dragging
    HBITMAP disabledFace; // optional: shown while disabled
    int16_t startDegrees; // face angles in whole degrees
    int16_t endDegrees;
    int32_t round;     // 1: the face is drawn through roundMask
    HBITMAP roundMask; // the toolkit's cached mask of diameter width (not owned)
    uint32_t style;    // kKnob... bits
    int32_t centreX;   // needle centre within the control
    int32_t centreY;
    ControlNotifyHead notify;
    KnobScale scale;
    int32_t needleLength; // face width / 3 + 2
    int32_t needleWidth;  // 2
    uint16_t needlePen;   // palette indices
    uint16_t needleBrush;
    float needleAngle;  // current needle angle
    float defaultAngle; // the default value's angle
    float span;         // sweep from the start angle to the end angle
    float midGap;       // angle (counted like the span) in the middle of the gap
    int32_t lastX;      // last mouse position while dragging
    int32_t lastY;
    UINT_PTR latencyTimer; // 0 when no latency timer runs
    int32_t movesAllowed;  // the latency has passed since the press
    HMENU menu;            // context menu and its two submenus
    HMENU latencyMenu;
    HMENU infoMenu;
    uint16_t presetCount;
    float presets[kKnobMaxPresets]; // preset i answers to menu id 600 + i
    SlideTrack* track;              // a slide's track (toolkit/slide.h); null for a knob
};

// Creates a WS_CHILD | WS_VISIBLE | WS_TABSTOP knob at (x, y) of owner, of
// the face bitmap's size, its needle turning clockwise around (centreX,
// centreY) from startDegrees (at min) to endDegrees (at max). initial is
// the value and the default. With a callback the knob reports through it
// (context handed back), otherwise it posts WM_COMMAND to owner. Returns the
// window, or 0 when it cannot be made: toolkit not initialised, id not below
// 0x4000, no face bitmap, a range that cannot be mapped to angles (see
// KnobScaleInit), or out of memory.
HWND CreateKnob(HWND owner, uint16_t id, int x, int y, uint32_t style, HBITMAP faceBitmap,
                int centreX, int centreY, int startDegrees, int endDegrees, float min, float max,
                float initial, float step, ControlCallback callback, void* context);

// Gives the knob a pressed face (shown while dragging) and a disabled face;
// either may be 0 for none. The caller keeps owning the bitmaps and keeps
// them alive as long as the knob. Returns 1, or 0 when window is no knob.
int KnobSetFaces(HWND knob, HBITMAP pressedFace, HBITMAP disabledFace);

// Sets the displayed decimals. Returns 1, or 0 when window is no knob.
int KnobSetDecimals(HWND knob, uint8_t decimals);

// Gives the knob up to 16 preset values, listed in its context menu as
// items 600 + i. Replaces earlier presets. Returns the number taken, or -1
// when window is no knob or the menu cannot be changed.
int KnobSetPresets(HWND knob, const float* values, int count);

// Returns the knob's record, or null when window is no knob. A slide's
// record is a knob record with a track, so slides are found here too.
const Knob* KnobFromWindow(HWND knob);

// ---- Operations shared by the knob's source files ----

// Stores value when it lies in [min, max] and differs; updates the needle
// and redraws when its angle moved. Returns 1 when stored, 0 when ignored.
int KnobSetValue(Knob* knob, float value);
// Sends a value notification of the current value.
void KnobNotifyValue(Knob* knob);
// Sends the begin (1) or end (0) notification when the style asks for them.
void KnobNotifyFrame(Knob* knob, int begin);
// Applies a chosen value (menu, preset, typed) with begin, value and end
// notifications; a value outside [min, max] is ignored silently.
void KnobSetFramedValue(Knob* knob, float value);
// Resets to the default with begin, value and end notifications (enabled only).
void KnobResetToDefault(Knob* knob);
// "Edit Value" and "Adjust Value" (enabled, value menu style only).
void KnobEditValue(Knob* knob);
void KnobAdjustValue(Knob* knob);
// Input and state shared with the slide, which has the knob's value
// model, menus and notifications (toolkit/slide_win32.cpp).
LRESULT KnobOwnerRequest(Knob* knob, WPARAM request, LPARAM lParam);
void KnobKeyDown(Knob* knob, WPARAM key, LPARAM lParam);
void KnobWheel(Knob* knob, int delta);
// Right button: the context menu, or "Adjust Value" with Shift.
void KnobContextMenu(Knob* knob, WPARAM keys, int x, int y);
void KnobMiddleButton(Knob* knob, WPARAM keys);
void KnobFocus(Knob* knob, int focused);
void KnobTimer(Knob* knob, UINT_PTR id);
// Holds value changes for "Rot_Latency" ms after a press (movesAllowed).
void KnobStartLatency(Knob* knob);
void KnobStopLatencyTimer(Knob* knob);
// End of a drag: capture released, value reported (then the default when
// spring-loaded), value box hidden, adjuster refreshed, end notification.
void KnobRelease(Knob* knob);
// n steps, clamped; reported when changed and continuous.
void KnobApplySteps(Knob* knob, int32_t n);
void KnobShowValueBox(const Knob* knob);
void KnobUpdateValueBox(const Knob* knob);
void KnobRefreshAdjuster(const Knob* knob);
// WM_DESTROY: closes an attached adjuster, stops the timer, destroys the
// menus and frees the record.
void KnobDestroy(HWND window, Knob* knob);
// Paints a slide (toolkit/slide_win32.cpp).
void SlidePaint(const Knob* slide, HDC dc);

// Paints the whole knob into dc (client coordinates).
void KnobPaint(const Knob* knob, HDC dc);
// Paints the knob at once through a window device context.
void KnobRedraw(const Knob* knob);

// ---- Context menu (toolkit/knob_menu_win32.cpp) ----

// Builds the three popup menus. Returns 1, or 0 when a menu cannot be made
// (whatever was made is destroyed again).
int KnobBuildMenus(Knob* knob);
// Destroys the menus (the submenus go with the main popup).
void KnobDestroyMenus(Knob* knob);
// Refreshes the value texts, checks and grays from the knob and the
// toolkit options, as just before the menu shows. Returns the main popup,
// or 0 when window is no knob. The menu stays the knob's; do not destroy it.
HMENU KnobPrepareContextMenu(HWND knob);
// Carries out a menu command. Returns 1 when id is one of the knob's, else 0.
int KnobMenuCommand(Knob* knob, UINT id);
// Rebuilds the preset items after KnobSetPresets. Returns 1, or 0 on failure.
int KnobRebuildPresetItems(Knob* knob);

// ---- Latency timer source, replaceable for tests ----

struct KnobTimerOps {
    // Starts a timer that sends WM_TIMER with id to window after ms; returns
    // the timer id, 0 on failure.
    UINT_PTR (*setTimer)(HWND window, UINT_PTR id, UINT milliseconds);
    // Stops it.
    void (*killTimer)(HWND window, UINT_PTR id);
};

// Puts a timer source in place of SetTimer/KillTimer; null restores them.
void KnobSetTimerOps(const KnobTimerOps* ops);

// ---- Value-entry dialogs (toolkit/value_entry_hooks_win32.cpp) ----
// The dialogs behind "Edit Value" and "Adjust Value" belong to the value
// entry and slider parts of the toolkit; the knob reaches them only here.

// What "Edit Value" asks for.
struct KnobEditRequest {
    HWND owner;    // the knob
    uint32_t attr; // kKnobEditAttr
    int32_t x;     // knob centre, screen coordinates
    int32_t y;
    int32_t width; // edit area, kKnobEditWidth x kKnobEditHeight
    int32_t height;
    int32_t timeEntry; // 1: time-entry dialog for seconds; 0: one-line text edit of text
    const char* text;  // the current value as text
    float seconds;     // the current value for the time-entry dialog
};

// Opens the dialog the request names. Returns 1 with the answer (the typed
// text in text, terminated, or the chosen seconds in *seconds), or 0 when
// the edit was abandoned, cancelled or no dialog is available.
int ValueEntryEditValue(const KnobEditRequest* request, char* text, size_t textSize,
                        float* seconds);

// Opens the precision adjuster for knob at screen (x, y). Returns 1 when it
// opened, 0 when it is not available.
int ValueEntryAdjustValue(HWND knob, int x, int y);
