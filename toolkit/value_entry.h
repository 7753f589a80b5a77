// What the toolkit's in-memory dialogs share: the platform calls a test must
// be able to fail, the item-less dialog template, and the edit fields with
// the toolkit's colours and fonts. The dialogs themselves are declared in
// toolkit/toolkit.h (EditTextDialog, TimeEntryDialog) and
// toolkit/precision_adjuster.h.
#pragma once

#include "toolkit/toolkit.h"

#include <cstddef>
#include <cstdint>

// Platform calls behind the dialogs, replaceable by tests.
struct ValueEntryOps {
    // A zero-filled block, null on failure (the edit-text result buffer).
    void* (*allocate)(size_t size);
    // The dialog template's memory (GlobalAlloc), null on failure.
    HGLOBAL (*globalAlloc)(UINT flags, SIZE_T size);
};

// Puts ops in place of the system's calls; null restores them.
void ValueEntrySetOps(const ValueEntryOps* ops);
const ValueEntryOps* ValueEntryGetOps();

// A GlobalAlloc'd dialog template with no items, of size 0 at (0, 0) (the
// dialogs place and size themselves in pixels when they initialise), with
// style and a caption (null or "" for none). The caller frees it with
// GlobalFree. Returns null when the memory cannot be had.
HGLOBAL MakeDialogTemplate(DWORD style, const char* title);

// Runs a modal dialog from an item-less template of style (no caption; the
// dialog titles itself), owned by owner (none when it is no window any more),
// with proc and param. Returns the dialog's result, or -1 when the template
// cannot be made (nothing is shown then).
INT_PTR RunTemplateDialog(DWORD style, HWND owner, DLGPROC proc, LPARAM param);

// Creates a child control (cls, text, style without WS_CHILD | WS_VISIBLE,
// extended style) of a dialog at (x, y), w x h, in toolkit font `font`.
// Returns the window or null.
HWND CreateDialogChild(HWND dialog, const char* cls, const char* text, DWORD style, DWORD exStyle,
                       int x, int y, int w, int h, int id, uint16_t font);

// Moves the dialog to screen (x, y) and sizes its frame for a client area of
// w x h, from the frame the dialog really has.
void PlaceDialogClient(HWND dialog, int x, int y, int w, int h);

// Answers WM_ERASEBKGND of a dialog with toolkit bitmap 12 tiled over it.
BOOL EraseDialogTextured(HWND dialog, HDC dc);

// Creates a child "edit" with a client edge, margins of 2 pixels and font.
// extraStyle adds window styles (ES_AUTOHSCROLL is always there). Returns
// the window or null.
HWND CreateValueEdit(HWND dialog, int id, int x, int y, int width, int height, HFONT font,
                     DWORD extraStyle);

// Answers WM_CTLCOLOREDIT for an edit drawn in attr: text colour bits 0-3,
// background bits 4-7. Returns the background brush.
INT_PTR ValueEditColors(HDC dc, uint32_t attr);

// Child ids.
constexpr int kEditTextFieldId = 10;
