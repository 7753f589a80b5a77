// The free panel: an empty child window that hands its messages to a
// procedure supplied by its creator, together with the creator's context.
#pragma once

#include "toolkit/toolkit.h"

#include <cstdint>

// The creator's procedure: (window, message, wParam, lParam, context) -> result.
typedef LRESULT (*FreePanelProc)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 void* context);

// The panel's record, kept in window slot 0 from WM_CREATE to WM_DESTROY. A
// filled one is also the creation record (lpCreateParams) of either class.
struct FreePanel {
    HWND owner;
    int32_t x;
    int32_t y;
    uint16_t id;
    void* context;           // handed to the procedure unchanged
    FreePanelProc procedure; // null: messages go to DefWindowProcA
};

// Creates a visible child of class kFreePanelWdbClassName. The procedure
// receives WM_CREATE (its result decides the creation) and every later
// message but WM_NCCREATE, WM_CLOSE (which destroys the panel) and
// WM_MOUSEACTIVATE (which takes the focus). Returns the window or 0.
HWND CreateFreePanel(HWND owner, uint16_t id, int x, int y, int width, int height,
                     FreePanelProc procedure, void* context);
