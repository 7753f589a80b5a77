// The 3D list: a stack of up to 16 panels drawn in perspective, scrolled
// line by line. The front panel shows a page of lines with the current one
// marked; the panel can be dragged inside the control with a rubber-band
// outline. Clicking a line (or Enter / Space on the current one) reports
// the line number to the owner as a float. ToolkitInit registers the class
// with List3DWindowProc. The program itself creates no list.
#pragma once

#include "toolkit/list_model.h"
#include "toolkit/toolkit.h"

#include <cstdint>

constexpr int32_t kList3DMaxLayers = 16;
constexpr int32_t kListLineHeight = 16;

// Owner requests (WM_COMMAND, request in wParam) beside get value (3, the
// current line as a float).
constexpr WPARAM kListRequestGoTo = 5; // lParam: the line as a float's bits, truncated
constexpr WPARAM kListRequestDown = 6;
constexpr WPARAM kListRequestUp = 7;

// Context menu ids (the 2D list has the last two).
enum ListMenuId : UINT {
    kListMenuDefaultPanel = 1000,
    kListMenuFirstLine = 1001,
    kListMenuLastLine = 1002,
};

struct List3DCreate {
    HWND owner;
    uint16_t id; // below 0x4000
    int32_t x, y, width, height;
    int32_t layers;       // panels in the stack; more than 16 are cut to 16, less than 1 is 1
    int32_t layerSpacing; // pixels between panels
    int32_t lineCount;
    HBITMAP background; // optional, the caller's; copied from backgroundSource
    RECT backgroundSource;
    ControlCallback callback; // null: post WM_COMMAND to owner
    void* context;
};

// The list's record, in window slot 0 from WM_CREATE to WM_DESTROY.
struct List3D {
    HWND owner;
    HWND window;
    uint16_t id;
    int32_t width, height;
    int32_t layers;
    int32_t layerSpacing;
    ListCursor cursor;      // first shown line, page size, line count, current line
    HBITMAP background;     // a copy of the creator's source rectangle, or 0
    HBITMAP offscreen[2];   // [0] the drawn stack, [1] the background behind it
    BoundedDragState drag;  // moving the panel
    int32_t panelX, panelY; // the front panel's top-left; (0, 0) is the default position
    int32_t panelWidth, panelHeight;
    int32_t pressX, pressY; // where the left button went down
    uint8_t* lineLayers;    // per line (index line - 1): its layer, 0..layers - 1
    HMENU menu;
    int32_t focused;
    ControlNotifyHead notify;
};

// Creates a WS_CHILD | WS_VISIBLE | WS_TABSTOP list. Returns the window, or
// 0 when the toolkit is not initialised, the id is not below 0x4000, the
// size is not positive or memory runs out.
HWND CreateList3D(const List3DCreate* create);

LRESULT CALLBACK List3DWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Returns the record, or null when window is no 3D list.
const List3D* List3DFromWindow(HWND window);
