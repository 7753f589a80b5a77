// The 2D list: a flat scrolling list of lines with a vertical scroll bar
// (range 0-1000), the lists' line keys and a menu with the first and last
// line. Clicking a line (or Enter / Space) reports its number to the owner
// as a float. ToolkitInit registers the class with List2DWindowProc.
#pragma once

#include "toolkit/list3d.h"

#include <cstdint>

constexpr int32_t kList2DScrollRange = 1000;

struct List2DCreate {
    HWND owner;
    uint16_t id; // below 0x4000
    int32_t x, y, width, height;
    int32_t lineHeight; // 0: kListLineHeight
    int32_t lineCount;
    ControlCallback callback;
    void* context;
};

struct List2D {
    HWND owner;
    HWND window;
    uint16_t id;
    int32_t lineHeight; // the line geometry: each line's height
    int32_t lineWidth;  // the client width beside the scroll bar
    ListCursor cursor;  // first shown line, line count, current line; page = visible lines
    HMENU menu;
    int32_t focused;
    ControlNotifyHead notify;
};

HWND CreateList2D(const List2DCreate* create);

LRESULT CALLBACK List2DWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

const List2D* List2DFromWindow(HWND window);

// The key table both lists share: the move a key asks for. Returns 1 with
// *move set for the line keys (up, down, page up and down, home, end), 0
// for any other key.
int ListKeyMove(WPARAM key, ListMove* move);
