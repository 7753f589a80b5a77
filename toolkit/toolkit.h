// The control toolkit "PX2CTL": module start and stop, the user options it
// keeps in the settings store, the shared drawing tables, the way every
// control reports to its owner, window-data helpers, drawing utilities and
// the window drag helpers. Everything here runs on the user-interface thread.
//
// The controls themselves have their own headers (toolkit/image_button.h,
// toolkit/free_panel.h, toolkit/knob.h, ...); they all assume that
// ToolkitInit has succeeded.
#pragma once

#include "toolkit/time_entry.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// ---- Window classes ----
// Every class name ends with the byte 0xA9 and the signature "Ktavin". All
// classes use the arrow cursor, no background brush and reserve room for one
// pointer in window extra slot 0 (the control's instance record).

constexpr char kKnobClassName[] = "C_PX2CTL_Rotatif_00\xA9"
                                  "Ktavin";
constexpr char kImageButtonClassName[] = "C_PX2CTL_I2p_00\xA9"
                                         "Ktavin";
constexpr char kFreePanelClassName[] = "C_PX2CTL_Free_00\xA9"
                                       "Ktavin";
constexpr char kFreePanelWdbClassName[] = "C_PX2CTL_Free_00_wdb\xA9"
                                          "Ktavin";
constexpr char kSlideClassName[] = "C_PX2CTL_Slide_00\xA9"
                                   "Ktavin";
constexpr char k3DListClassName[] = "C_PX2CTL_3DList_00\xA9"
                                    "Ktavin";
constexpr char kValueGridClassName[] = "C_PX2CTL_Vgrid_00\xA9"
                                       "Ktavin";
constexpr char k2DListClassName[] = "C_PX2CTL_2DList_00\xA9"
                                    "Ktavin";
constexpr char kValueBoxClassName[] = "C_PX2CTL_AutoValueView00\xA9"
                                      "Ktavin";

// Window procedures that ToolkitInit registers. The knob's is defined in
// toolkit/knob_win32.cpp, the floating value box's in
// toolkit/info_box_win32.cpp, the other two in this toolkit's own files.
LRESULT CALLBACK KnobWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ValueBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ImageButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FreePanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Module ----

// Brings the toolkit up. Only the first of nested calls does the work; later
// ones just count. Loads the options from "Tavin_Audio\PX2CTL\" followed by
// applicationKey (at most 255 characters are kept), loads bitmaps 1500-1513
// from instance, creates the drawing tables, registers the nine classes and
// creates the hidden floating value box.
// Returns 1 on success (and at once for a nested call); 0 when a class
// cannot be registered (ToolkitLastError says which), the value box cannot
// be made or the common controls do not initialise. A failed call still
// counts: it must be matched by ToolkitExit like a successful one.
int ToolkitInit(HINSTANCE instance, const char* applicationKey);

// Takes the toolkit down when the last nested ToolkitInit is matched: stops
// notifications, destroys the value box, closes the shared popups, deletes
// the drawing objects, unregisters the classes and writes the options back
// (write failures are ignored). Earlier calls only count down; a call with
// no ToolkitInit outstanding does nothing.
void ToolkitExit(HINSTANCE instance);

// Returns the number of ToolkitInit calls not yet matched by ToolkitExit.
uint32_t ToolkitInitCount();

// Returns the instance handle given to the first ToolkitInit (0 before).
HINSTANCE ToolkitInstance();

// Returns 1 between a successful ToolkitInit and the start of the last
// ToolkitExit (notifications go out only then), 0 otherwise.
int ToolkitAlive();

// Last error codes of ToolkitInit.
enum ToolkitError : uint16_t {
    kToolkitNoError = 0,
    kToolkitNotInitialized = 1,
    kToolkitKnobClassFailed = 2,
    kToolkitButtonClassFailed = 3,
    kToolkitFreeClassFailed = 4, // either free-panel class
    kToolkitSlideClassFailed = 5,
    kToolkit3DListClassFailed = 6,
    kToolkitGridClassFailed = 7,
    kToolkit2DListClassFailed = 8,
    kToolkitValueBoxClassFailed = 9,
};

// Returns the last error code of ToolkitInit (kToolkitNoError after success).
uint16_t ToolkitLastError();

// Returns the fixed text of an error code, e.g. "[PX2CTL] No error"; codes
// above 9 give the text of code 1.
const char* ToolkitErrorText(uint16_t code);

// ---- Options ----

// The time-entry dialog's settings (TimeEntrySettings, "Dial_tCtx") are in
// toolkit/time_entry.h.

// The toolkit-wide user options. Loaded by ToolkitInit, written back by the
// last ToolkitExit; controls read and change them in between.
struct ToolkitOptions {
    uint32_t rotMode;    // "Rot_Mode": knob mouse mode
    uint32_t infoValue;  // "infovalue": bit 31 shows the value box, low 4 bits its place
    uint32_t rotMove;    // "Rot_Move": 0 or 1, "Display Knob Moves"
    uint32_t rotLatency; // "Rot_Latency": ms after a press before a value may change, <= 500
    uint32_t sCapture;   // "S_capture": 0 or 1, slide "Mouse Captured"
    uint32_t sSetToPos;  // "S_settopos": 0 or 1, slide "Direct mouse position"
    uint32_t aIMode;     // "A_imode": 0 or 1, adjuster "Inverse mousemove mode"
    TimeEntrySettings timeEntry; // "Dial_tCtx"
};

// Largest "Rot_Latency" that loads as stored; anything above becomes 0.
constexpr uint32_t kMaxRotLatency = 500;

// Returns the process-wide options (never null). Meaningful between
// ToolkitInit and ToolkitExit; before they hold the defaults.
ToolkitOptions* ToolkitGetOptions();

// Fills options with the defaults: Rot_Mode 1, infovalue 0x80000003,
// S_capture 1, the time-entry defaults, everything else 0.
void SetDefaultToolkitOptions(ToolkitOptions* options);

// Reads the eight values from key into options. A value that is missing,
// not binary or of another size keeps what options held; the load rules
// (0/1 flags, the latency bound) are applied to what was read. Returns the
// number of values taken (0 to 8).
int LoadToolkitOptions(ToolkitOptions* options, const char* key);

// Writes the eight values to key as binary values, creating the key.
// Returns the number of values written (8 on full success).
int SaveToolkitOptions(const ToolkitOptions* options, const char* key);

// ---- Shared popup windows ----
// The toolkit closes whatever these slots hold at exit (WM_CLOSE). The
// owners of those windows set the slot when they open and clear it (0) when
// they close.
enum ToolkitPopupSlot : uint32_t {
    kPopupEditValue = 0,
    kPopupTimeEntry = 1,
    kPopupAdjuster = 2,
    kPopupSpare1 = 3,
    kPopupSpare2 = 4,
    kPopupSlotCount = 5,
};

// Returns the window held in a slot, 0 when none (or slot out of range).
HWND ToolkitPopup(uint32_t slot);

// Puts a window (or 0) in a slot. Returns 1, or 0 when slot is out of range.
int SetToolkitPopup(uint32_t slot, HWND window);

// Returns the floating value box window made by ToolkitInit, 0 outside.
HWND ToolkitValueBox();

// Hands a GDI object to the toolkit, which deletes it at exit. list 0 holds
// 64 objects, list 1 holds 8. Returns 1, or 0 when the list is full or
// does not exist (the caller still owns the object then).
int ToolkitAdoptObject(uint32_t list, HGDIOBJ object);

// ---- Value entry dialogs ----
// Both are modal and built in memory; opening one closes (WM_CLOSE) any
// dialog of the same kind still open. Each keeps its window in its popup
// slot while open. Both survive their owner being destroyed while they are
// open: they then end as if abandoned.

// Size of the text EditTextDialog returns.
constexpr size_t kEditTextSize = 1024;

// A one-line editor of width x height at screen (x, y) (the dialog adds its
// frame around it), showing initialText all selected. attr gives the
// colours (bits 0-3 text, 4-7 background) and the font (bits 8-11). Enter
// accepts; Esc, WM_CLOSE, Alt+key and the focus leaving abandon.
// Returns a newly allocated kEditTextSize-byte text that the caller frees
// with std::free: what was typed (cut to kEditTextSize - 1 characters) when
// accepted, empty when abandoned. Returns null, with no text at all, when
// the buffer cannot be allocated; callers treat that like an abandoned edit.
char* EditTextDialog(HWND owner, uint32_t attr, int x, int y, int width, int height,
                     const char* initialText);

// What TimeEntryDialog returns when cancelled or closed.
constexpr float kTimeEntryCancelled = -1.0e35f;

// "Enter Time": converts one duration between seconds, milliseconds,
// frequency, tempo, metres, samples, note values, musical position and video
// frames, at screen (x, y), starting from seconds. Works on the toolkit's
// time-entry settings ("Dial_tCtx"). Returns the chosen duration in
// seconds on OK; kTimeEntryCancelled on Cancel (which also restores the
// settings), on WM_CLOSE (which keeps them) or when it cannot open.
float TimeEntryDialog(HWND owner, uint32_t attr, int x, int y, float seconds);

// ---- Drawing tables ----
// Indices 0-15 (bitmaps 0-13). An index out of range returns 0.

constexpr uint16_t kPaletteSize = 16;
constexpr uint16_t kFontCount = 16;
constexpr uint16_t kBitmapCount = 14;
constexpr uint16_t kFirstBitmapResource = 1500;

// Returns palette colour index, mapped to the screen's nearest colour.
COLORREF PaletteColor(uint16_t index);
// Returns the solid brush of palette colour index.
HBRUSH PaletteBrush(uint16_t index);
// Returns the solid pen (width 0) of palette colour index.
HPEN PalettePen(uint16_t index);
// Returns the dash-dot pen of colour 0 used for rubber-band outlines.
HPEN DashDotPen();
// Returns "Arial" font index (heights 10 to 38, weights 400 to 800).
HFONT ToolkitFont(uint16_t index);
// Returns toolkit bitmap index (resource 1500 + index), 0 if it failed to load.
HBITMAP ToolkitBitmap(uint16_t index);

// Creates (1) or deletes (0) the drawing tables; used by ToolkitInit and
// ToolkitExit. Create returns 1 when every object was made, 0 otherwise (the
// missing entries stay 0).
int CreateDrawingTables(HINSTANCE instance);
void DeleteDrawingTables();

// ---- Notification protocol ----

// Owner callback: (context, code, value); the result is ignored.
typedef void (*ControlCallback)(void* context, uint32_t code, uint32_t value);

// Style bits of ControlNotifyHead.
constexpr uint32_t kNotifyByCallback = 0x02000000; // call the callback instead of posting
constexpr uint32_t kNotifyBeginEnd = 0x40000000;   // frame drag changes with begin/end

// Code flags added to the control's identifier (identifiers stay below 0x4000).
constexpr uint32_t kNotifyBegin = 0x8000;
constexpr uint32_t kNotifyEnd = 0x4000;

// Owner requests, as WM_COMMAND with the request in wParam.
constexpr WPARAM kRequestEnable = 1;
constexpr WPARAM kRequestDisable = 2;
constexpr WPARAM kRequestGetValue = 3;
constexpr WPARAM kRequestSetValue = 4; // a knob or slide answers 1 when it took the value

// The owner link of every control.
struct ControlNotifyHead {
    HWND owner;               // receives the posted commands
    ControlCallback callback; // used when style has kNotifyByCallback
    uint32_t style;           // kNotifyByCallback, kNotifyBeginEnd
    void* context;            // handed back to the callback unchanged
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ControlNotifyHead) == 16, "four 32-bit fields");
#endif

// Reports to the owner: calls the callback or posts WM_COMMAND with
// wParam = code & 0xFFFF and lParam = value. Does nothing while the toolkit
// is not alive, or when head is null or has no callback / owner to use.
void NotifyOwner(const ControlNotifyHead* head, uint32_t code, uint32_t value);

// Sends WM_COMMAND and returns the reply's low 32 bits read as a float.
float SendCommand(HWND window, WPARAM wParam, LPARAM lParam);

// Posts WM_COMMAND. Returns 1 when posted, 0 otherwise.
int PostCommand(HWND window, WPARAM wParam, LPARAM lParam);

// A float's 32 bits and back, as values travel in notifications and requests.
uint32_t FloatToBits(float value);
float BitsToFloat(uint32_t bits);

// ---- Window data ----

// Control instance record in window extra slot 0. Set returns the previous one.
void* SetControlData(HWND window, void* data);
void* GetControlData(HWND window);
// Dialog context in the dialog's user slot (DWLP_USER). Set returns the previous one.
void* SetDialogData(HWND dialog, void* data);
void* GetDialogData(HWND dialog);
// Returns the module instance the window was created with.
HINSTANCE GetWindowInstance(HWND window);
// Returns 1 when window is a window of the class className, 0 otherwise
// (also for a null window).
int WindowHasClass(HWND window, const char* className);

// ---- Drawing utilities ----
// attr packs: bits 0-3 text or pen colour, bits 4-7 fill brush colour,
// bits 8-11 font, bit 31 relief (white copy one pixel down-right first).

constexpr uint32_t kAttrRelief = 0x80000000u;

// Text in font (attr >> 8) & 15 and colour attr & 15; the background mode
// stays the caller's.
void DrawTextAt(HDC dc, uint32_t attr, int x, int y, const char* text);
// Line in pen attr & 15.
void DrawLineAt(HDC dc, uint32_t attr, int x1, int y1, int x2, int y2);
// Filled box: brush (attr >> 4) & 15; without relief outlined in pen attr & 15,
// with relief a sunken box (fill to right+1, bottom+1; top/left pen 9,
// right/bottom pen 15).
void DrawBox(HDC dc, uint32_t attr, int left, int top, int right, int bottom);
// As DrawBox without the fill.
void DrawBoxOutline(HDC dc, uint32_t attr, int left, int top, int right, int bottom);

// Selects a pen and a brush into dc for one drawing and puts the old ones
// back when it goes; the objects stay their owner's.
struct PenAndBrush {
    HDC dc;
    HGDIOBJ oldPen;
    HGDIOBJ oldBrush;
    PenAndBrush(HDC d, HGDIOBJ pen, HGDIOBJ brush)
        : dc(d), oldPen(SelectObject(d, pen)), oldBrush(SelectObject(d, brush)) {}
    ~PenAndBrush() {
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }
    PenAndBrush(const PenAndBrush&) = delete;
    PenAndBrush& operator=(const PenAndBrush&) = delete;
};

// Copies the bitmap's top-left w x h to (x, y).
void BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int w, int h);
// Copies the w x h part at (srcX, srcY) to (x, y).
void BlitBitmapPart(HDC dc, HBITMAP bitmap, int x, int y, int srcX, int srcY, int w, int h);
// Copies the whole bitmap to (x, y).
void BlitWholeBitmap(HDC dc, int x, int y, HBITMAP bitmap);
// Repeats the bitmap in rows from (x, y) until the window's client area is covered.
void TileBitmap(HWND window, HDC dc, int x, int y, HBITMAP bitmap);

// Largest area MaskedBlit handles; bigger sizes are clipped to it.
constexpr int kMaskedBlitMax = 128;
// Draws image through mask at (x, y): screen AND mask, then OR image.
void MaskedBlit(HDC dc, HBITMAP image, HBITMAP mask, int x, int y, int w, int h);

// Number of diameters the round-mask cache holds.
constexpr int kRoundMaskCacheSize = 31;
// Returns the monochrome mask of a circle of that diameter (white square,
// black disc), made once and cached until ToolkitExit. Returns 0 when the
// cache is full, diameter is not in 1-128, or the bitmap cannot be made.
HBITMAP RoundMask(HWND window, int diameter);
// Empties the round-mask cache (deleting its bitmaps) and the scratch bitmap.
void ClearRoundMasks();

// Two crossing diagonal bars (brush 15, pen 0) over the rectangle.
void DrawCrossMark(HDC dc, int left, int top, int right, int bottom);
// Small triangle (x, y), (x+5, y), (x, y+5): brush 2, pen 0; the focus mark.
void DrawCornerMark(HDC dc, int x, int y);
// Dot (x-2, y-2)-(x+2, y+2): brush 2, pen 0.
void DrawDot(HDC dc, int x, int y);

// Returns 1 if (x, y) lies in the window's client rectangle, 0 otherwise.
int PointInClient(HWND window, int x, int y);

// Tab and Shift+Tab among the window's children. For any key but VK_TAB
// returns 1 and does nothing; for VK_TAB moves the focus (forward wraps to
// the first child, backward stops at the first enabled one) and returns 0.
int CycleTabFocus(HWND window, UINT message, WPARAM key, LPARAM lParam);

// Moves the window, without resizing, so that it lies on the screen; shows it.
void KeepOnScreen(HWND window);

// Shows menu at window's client point (x, y), as the controls' right-click
// menus do; its commands go to window.
void TrackContextMenu(HWND window, HMENU menu, int x, int y);

// ---- Window drag (windows without a caption) ----
// Coordinates are client coordinates of the window.
struct WindowDragState {
    HWND window;
    int32_t active;
    int32_t drawn; // an outline is on the screen
    int32_t lastX; // last cursor, screen
    int32_t lastY;
    int32_t offsetX; // grab point - window top-left
    int32_t offsetY;
    int32_t left; // window rectangle at the start
    int32_t top;
    int32_t width;
    int32_t height;
    HWND previousCapture; // capture holder before the drag
};

void WindowDragInit(WindowDragState* state, HWND window);
// Starts a drag at the grab point and captures the mouse.
void WindowDragBegin(WindowDragState* state, int x, int y);
// Moves the rubber-band outline (only while active).
void WindowDragMove(WindowDragState* state, int x, int y);
// Ends the drag: moves the window to the last outline (not the release
// point) and gives the capture back. Does nothing unless active.
void WindowDragEnd(WindowDragState* state, int x, int y);

// ---- Bounded drag (a rectangle inside one window) ----
struct BoundedDragState {
    HWND window;
    int32_t active;
    int32_t drawn;
    int32_t outlineLeft;
    int32_t outlineTop;
    int32_t offsetX;
    int32_t offsetY;
    int32_t finalLeft; // the last outline's position after End
    int32_t finalTop;
    int32_t width;
    int32_t height;
    int32_t minX;
    int32_t minY;
    int32_t maxX;
    int32_t maxY;
};

void BoundedDragInit(BoundedDragState* state, HWND window, int minX, int minY, int maxX, int maxY);
// Starts dragging the rectangle (left, top, width, height) grabbed at (x, y).
void BoundedDragBegin(BoundedDragState* state, int x, int y, int left, int top, int width,
                      int height);
// Moves the outline, clamped inside the bounds (only while active).
void BoundedDragMove(BoundedDragState* state, int x, int y);
// Erases the outline and stores its position in finalLeft/finalTop.
void BoundedDragEnd(BoundedDragState* state);
// Returns 1 while a drag is active, 0 otherwise.
int BoundedDragActive(const BoundedDragState* state);
