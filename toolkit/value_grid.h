// The value grid: a zoomable, scrollable grid of float cells that the user
// edits in place with Ctrl + left button (the time-entry dialog for time
// cells, the edit-text dialog for the others). Ctrl + left button outside
// any cell goes back to the configured zoom; zooming keeps the scroll
// positions proportional. An edited value is reported to the owner as a
// float; lastEdited says which cell. ToolkitInit registers the class with
// ValueGridWindowProc. The program itself creates no grid.
#pragma once

#include "toolkit/toolkit.h"

#include <cstdint>

constexpr int32_t kGridMinZoom = 25; // percent
constexpr int32_t kGridMaxZoom = 400;
constexpr int32_t kGridZoomStep = 25;
constexpr uint32_t kGridEditAttr = 0x7E0;
constexpr int kGridEditWidth = 150;
constexpr int kGridEditHeight = 20;
// Largest content size at 100 % in pixels (columns x cell width, rows x cell height).
constexpr int64_t kGridMaxContent = 1000000;

enum GridMenuId : UINT {
    kGridMenuZoomIn = 1100,
    kGridMenuZoomOut = 1101,
    kGridMenuDefaultZoom = 1102,
};

struct GridCell {
    float value;
    int32_t time; // 1: edited as a duration in seconds with the time-entry dialog
};

struct ValueGridCreate {
    HWND owner;
    uint16_t id; // below 0x4000
    int32_t x, y, width, height;
    int32_t columns, rows;
    int32_t cellWidth, cellHeight; // at 100 %
    int32_t zoom;                  // the configured zoom in percent; 0 is 100
    ControlCallback callback;      // null: post WM_COMMAND to owner
    void* context;
};

// The grid's record, in window slot 0 from WM_CREATE to WM_DESTROY.
struct ValueGrid {
    HWND owner;
    HWND window;
    uint16_t id;
    int32_t zoom;           // percent, kGridMinZoom..kGridMaxZoom
    int32_t configuredZoom; // what Ctrl + click outside the cells goes back to
    int32_t originX;        // scroll position: content pixel at the client's left, at zoom
    int32_t originY;
    int32_t visibleWidth; // client size
    int32_t visibleHeight;
    int32_t columns, rows;
    int32_t cellWidth, cellHeight; // at 100 %
    GridCell* cells;               // columns x rows, row by row
    int32_t lastEdited;            // index of the cell edited last, -1 before
    HMENU menu;
    int32_t focused;
    ControlNotifyHead notify;
};

// Creates a WS_CHILD | WS_VISIBLE | WS_TABSTOP grid with scroll bars, all
// cells 0. Returns the window, or 0 when the toolkit is not initialised,
// the id is not below 0x4000, a size or count is not positive, the content
// exceeds kGridMaxContent, or memory runs out.
HWND CreateValueGrid(const ValueGridCreate* create);

LRESULT CALLBACK ValueGridWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Returns the record, or null when window is no grid.
const ValueGrid* ValueGridFromWindow(HWND window);

// Sets or reads a cell. Return 1, or 0 when window is no grid or the cell
// is outside it.
int ValueGridSetCell(HWND window, int32_t column, int32_t row, float value, int32_t time);
int ValueGridGetCell(HWND window, int32_t column, int32_t row, GridCell* cell);

// Zooms to percent (clamped), keeping the scroll positions proportional.
// Returns 1, or 0 when window is no grid.
int ValueGridSetZoom(HWND window, int32_t percent);

// The content size at a zoom, and where a scroll position goes when the
// zoom changes: pos * new / old, clamped to [0, content - visible].
int32_t GridContentSize(int32_t cells, int32_t cellSize, int32_t zoom);
int32_t GridRescaledOrigin(int32_t origin, int32_t oldZoom, int32_t newZoom, int32_t content,
                           int32_t visible);
