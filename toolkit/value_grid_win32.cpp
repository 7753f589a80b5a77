// The value grid's window: cells, zoom, scrolling, editing in place.
#include "toolkit/value_grid.h"

#include "toolkit/number_text.h"

#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kGridAttr = 0xF9; // pen 9, brush 15
constexpr uint32_t kLineAttr = 11;   // grid lines
constexpr uint32_t kTimeColour = 4;  // time cells' text
constexpr uint32_t kValueColour = 0;

ValueGrid* GetGrid(HWND window) {
    return static_cast<ValueGrid*>(GetControlData(window));
}

int32_t ContentWidth(const ValueGrid* grid) {
    return GridContentSize(grid->columns, grid->cellWidth, grid->zoom);
}

int32_t ContentHeight(const ValueGrid* grid) {
    return GridContentSize(grid->rows, grid->cellHeight, grid->zoom);
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

// The origin runs from 0 to the content beyond the visible part (0 when it all fits).
int32_t MaxOrigin(int32_t content, int32_t visible) {
    return content > visible ? content - visible : 0;
}

void ClampOrigin(ValueGrid* grid) {
    grid->originX = Clamp(grid->originX, 0, MaxOrigin(ContentWidth(grid), grid->visibleWidth));
    grid->originY = Clamp(grid->originY, 0, MaxOrigin(ContentHeight(grid), grid->visibleHeight));
}

void UpdateScrollBar(const ValueGrid* grid, int bar, int32_t content, int32_t visible,
                     int32_t pos) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = content > 0 ? content - 1 : 0;
    info.nPage = static_cast<UINT>(visible > 0 ? visible : 0);
    info.nPos = pos;
    SetScrollInfo(grid->window, bar, &info, TRUE);
}

void Refresh(ValueGrid* grid) {
    ClampOrigin(grid);
    UpdateScrollBar(grid, SB_HORZ, ContentWidth(grid), grid->visibleWidth, grid->originX);
    UpdateScrollBar(grid, SB_VERT, ContentHeight(grid), grid->visibleHeight, grid->originY);
    InvalidateRect(grid->window, nullptr, FALSE);
}

void SetZoom(ValueGrid* grid, int32_t zoom) {
    zoom = Clamp(zoom, kGridMinZoom, kGridMaxZoom);
    if (zoom == grid->zoom) return;
    const int32_t old = grid->zoom;
    grid->zoom = zoom;
    grid->originX =
        GridRescaledOrigin(grid->originX, old, zoom, ContentWidth(grid), grid->visibleWidth);
    grid->originY =
        GridRescaledOrigin(grid->originY, old, zoom, ContentHeight(grid), grid->visibleHeight);
    Refresh(grid);
}

// The cell under a client point, -1 outside every cell.
int32_t CellAt(const ValueGrid* grid, int x, int y) {
    const int32_t contentX = grid->originX + x;
    const int32_t contentY = grid->originY + y;
    if (x < 0 || y < 0 || contentX >= ContentWidth(grid) || contentY >= ContentHeight(grid))
        return -1;
    const int32_t column = ScaleMulDiv(contentX, 100, grid->zoom) / grid->cellWidth;
    const int32_t row = ScaleMulDiv(contentY, 100, grid->zoom) / grid->cellHeight;
    if (column >= grid->columns || row >= grid->rows) return -1;
    return row * grid->columns + column;
}

RECT CellRect(const ValueGrid* grid, int32_t index) {
    const int32_t column = index % grid->columns;
    const int32_t row = index / grid->columns;
    RECT rect;
    rect.left = ScaleMulDiv(column * grid->cellWidth, grid->zoom, 100) - grid->originX;
    rect.top = ScaleMulDiv(row * grid->cellHeight, grid->zoom, 100) - grid->originY;
    rect.right = ScaleMulDiv((column + 1) * grid->cellWidth, grid->zoom, 100) - grid->originX;
    rect.bottom = ScaleMulDiv((row + 1) * grid->cellHeight, grid->zoom, 100) - grid->originY;
    return rect;
}

uint16_t FontForZoom(int32_t zoom) {
    if (zoom < 75) return 0;
    if (zoom < 150) return 2;
    if (zoom < 250) return 6;
    return 10;
}

// ---- Editing ----

// Opens the editor of a cell. The grid may go while the dialog is open:
// the answer is then dropped.
void EditCell(ValueGrid* grid, int32_t index) {
    HWND window = grid->window;
    const RECT rect = CellRect(grid, index);
    POINT at = {rect.left, rect.top};
    ClientToScreen(window, &at);
    const GridCell cell = grid->cells[index];
    float value = 0.0f;
    if (cell.time) {
        value = TimeEntryDialog(window, kGridEditAttr, at.x, at.y, cell.value);
        if (value == kTimeEntryCancelled) return;
    } else {
        char current[64];
        std::snprintf(current, sizeof current, "%.5f", static_cast<double>(cell.value));
        char* answer = EditTextDialog(window, kGridEditAttr, at.x, at.y, kGridEditWidth,
                                      kGridEditHeight, current);
        const bool typed = answer && answer[0] != '\0';
        if (typed) value = static_cast<float>(TextToNumber(answer));
        std::free(answer);
        if (!typed) return;
    }
    if (!IsWindow(window) || GetGrid(window) != grid) return;
    grid->cells[index].value = value;
    grid->lastEdited = index;
    InvalidateRect(window, nullptr, FALSE);
    NotifyOwner(&grid->notify, grid->id, FloatToBits(value));
}

// ---- Drawing ----

void Paint(const ValueGrid* grid, HDC dc) {
    DrawBox(dc, kGridAttr, 0, 0, grid->visibleWidth, grid->visibleHeight);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const uint32_t font = static_cast<uint32_t>(FontForZoom(grid->zoom)) << 8;
    for (int32_t index = 0; index < grid->columns * grid->rows; ++index) {
        const RECT rect = CellRect(grid, index);
        if (rect.right < 0 || rect.bottom < 0 || rect.left > grid->visibleWidth ||
            rect.top > grid->visibleHeight)
            continue;
        DrawBoxOutline(dc, kLineAttr, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
        const GridCell& cell = grid->cells[index];
        char text[48];
        std::snprintf(text, sizeof text, cell.time ? "%.3f s" : "%.3f",
                      static_cast<double>(cell.value));
        DrawTextAt(dc, font | (cell.time ? kTimeColour : kValueColour), rect.left + 3, rect.top + 2,
                   text);
    }
    SetBkMode(dc, oldMode);
    if (grid->focused) DrawCornerMark(dc, 0, 0);
}

// ---- Handlers ----

struct ValueGridCreateParams {
    const ValueGridCreate* create;
};

LRESULT OnCreate(HWND window, const CREATESTRUCTA* createStruct) {
    const auto* params = static_cast<const ValueGridCreateParams*>(createStruct->lpCreateParams);
    if (!params) return -1;
    const ValueGridCreate* create = params->create;
    auto* grid = static_cast<ValueGrid*>(std::calloc(1, sizeof(ValueGrid)));
    if (!grid) return -1;
    grid->owner = create->owner;
    grid->window = window;
    grid->id = create->id;
    grid->configuredZoom = Clamp(create->zoom ? create->zoom : 100, kGridMinZoom, kGridMaxZoom);
    grid->zoom = grid->configuredZoom;
    grid->columns = create->columns;
    grid->rows = create->rows;
    grid->cellWidth = create->cellWidth;
    grid->cellHeight = create->cellHeight;
    grid->lastEdited = -1;
    grid->notify = ControlNotifyHead{create->owner, create->callback,
                                     create->callback ? kNotifyByCallback : 0u, create->context};
    SetControlData(window, grid);
    grid->cells = static_cast<GridCell*>(
        std::calloc(static_cast<size_t>(grid->columns) * grid->rows, sizeof(GridCell)));
    grid->menu = CreatePopupMenu();
    if (!grid->cells || !grid->menu ||
        !AppendMenuA(grid->menu, MF_STRING, kGridMenuZoomIn, "Zoom In\t[+]") ||
        !AppendMenuA(grid->menu, MF_STRING, kGridMenuZoomOut, "Zoom Out\t[-]") ||
        !AppendMenuA(grid->menu, MF_STRING, kGridMenuDefaultZoom, "Default Zoom\t[CTRL+CLICK]"))
        return -1; // WM_DESTROY frees what was made
    RECT client;
    GetClientRect(window, &client);
    grid->visibleWidth = client.right;
    grid->visibleHeight = client.bottom;
    Refresh(grid);
    return 0;
}

void OnDestroy(HWND window, ValueGrid* grid) {
    if (grid->menu) DestroyMenu(grid->menu);
    std::free(grid->cells);
    SetControlData(window, nullptr);
    std::free(grid);
}

void OnSize(ValueGrid* grid, int width, int height) {
    grid->visibleWidth = width;
    grid->visibleHeight = height;
    Refresh(grid);
}

void OnScroll(ValueGrid* grid, int bar, WPARAM wParam) {
    const bool horizontal = bar == SB_HORZ;
    int32_t& origin = horizontal ? grid->originX : grid->originY;
    const int32_t line =
        ScaleMulDiv(horizontal ? grid->cellWidth : grid->cellHeight, grid->zoom, 100);
    const int32_t page = horizontal ? grid->visibleWidth : grid->visibleHeight;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: origin -= line; break;
    case SB_LINEDOWN: origin += line; break;
    case SB_PAGEUP: origin -= page; break;
    case SB_PAGEDOWN: origin += page; break;
    case SB_TOP: origin = 0; break;
    case SB_BOTTOM: origin = horizontal ? ContentWidth(grid) : ContentHeight(grid); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(grid->window, bar, &info);
        origin = info.nTrackPos;
        break;
    }
    default: return;
    }
    Refresh(grid);
}

void OnLeftButtonDown(ValueGrid* grid, WPARAM keys, int x, int y) {
    SetFocus(grid->window);
    if (!(keys & MK_CONTROL)) return;
    const int32_t index = CellAt(grid, x, y);
    if (index < 0)
        SetZoom(grid, grid->configuredZoom);
    else
        EditCell(grid, index);
}

void OnCommand(ValueGrid* grid, WPARAM wParam) {
    switch (wParam) {
    case kGridMenuZoomIn: SetZoom(grid, grid->zoom + kGridZoomStep); break;
    case kGridMenuZoomOut: SetZoom(grid, grid->zoom - kGridZoomStep); break;
    case kGridMenuDefaultZoom: SetZoom(grid, grid->configuredZoom); break;
    default: break;
    }
}

void OnKeyDown(ValueGrid* grid, WPARAM key, LPARAM lParam) {
    switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS: OnCommand(grid, kGridMenuZoomIn); break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: OnCommand(grid, kGridMenuZoomOut); break;
    case VK_LEFT: OnScroll(grid, SB_HORZ, SB_LINEUP); break;
    case VK_RIGHT: OnScroll(grid, SB_HORZ, SB_LINEDOWN); break;
    case VK_UP: OnScroll(grid, SB_VERT, SB_LINEUP); break;
    case VK_DOWN: OnScroll(grid, SB_VERT, SB_LINEDOWN); break;
    case VK_PRIOR: OnScroll(grid, SB_VERT, SB_PAGEUP); break;
    case VK_NEXT: OnScroll(grid, SB_VERT, SB_PAGEDOWN); break;
    case VK_HOME:
        grid->originX = 0;
        grid->originY = 0;
        Refresh(grid);
        break;
    case VK_TAB:
    case VK_ESCAPE: PostMessageA(grid->owner, WM_KEYDOWN, key, lParam); break;
    default: break;
    }
}

void OnWheel(ValueGrid* grid, WPARAM wParam) {
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    if (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL)
        OnCommand(grid, delta > 0 ? kGridMenuZoomIn : kGridMenuZoomOut);
    else
        OnScroll(grid, SB_VERT, delta > 0 ? SB_LINEUP : SB_LINEDOWN);
}

void OnContextMenu(ValueGrid* grid, int x, int y) {
    TrackContextMenu(grid->window, grid->menu, x, y);
}

void OnFocus(ValueGrid* grid, int focused) {
    grid->focused = focused;
    InvalidateRect(grid->window, nullptr, FALSE);
}

void OnPaint(ValueGrid* grid) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(grid->window, &paint);
    if (dc) Paint(grid, dc);
    EndPaint(grid->window, &paint);
}

ValueGrid* GridOf(HWND window) {
    return const_cast<ValueGrid*>(ValueGridFromWindow(window));
}

} // namespace

int32_t GridContentSize(int32_t cells, int32_t cellSize, int32_t zoom) {
    return ScaleMulDiv(cells * cellSize, zoom, 100);
}

int32_t GridRescaledOrigin(int32_t origin, int32_t oldZoom, int32_t newZoom, int32_t content,
                           int32_t visible) {
    const int32_t scaled = oldZoom > 0 ? ScaleMulDiv(origin, newZoom, oldZoom) : 0;
    return Clamp(scaled, 0, MaxOrigin(content, visible));
}

HWND CreateValueGrid(const ValueGridCreate* create) {
    if (!create || ToolkitInitCount() == 0 || create->id >= kNotifyEnd || create->width <= 0 ||
        create->height <= 0 || create->columns <= 0 || create->rows <= 0 ||
        create->cellWidth <= 0 || create->cellHeight <= 0)
        return nullptr;
    // Content sizes stay within 32 bits even at the largest zoom.
    const int64_t width = static_cast<int64_t>(create->columns) * create->cellWidth;
    const int64_t height = static_cast<int64_t>(create->rows) * create->cellHeight;
    if (width > kGridMaxContent || height > kGridMaxContent) return nullptr;
    ValueGridCreateParams params = {create};
    return CreateWindowExA(
        0, kValueGridClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL,
        create->x, create->y, create->width, create->height, create->owner,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(create->id)), ToolkitInstance(), &params);
}

const ValueGrid* ValueGridFromWindow(HWND window) {
    return WindowHasClass(window, kValueGridClassName) ? GetGrid(window) : nullptr;
}

int ValueGridSetCell(HWND window, int32_t column, int32_t row, float value, int32_t time) {
    ValueGrid* grid = GridOf(window);
    if (!grid || column < 0 || row < 0 || column >= grid->columns || row >= grid->rows) return 0;
    grid->cells[row * grid->columns + column] = GridCell{value, time ? 1 : 0};
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}

int ValueGridGetCell(HWND window, int32_t column, int32_t row, GridCell* cell) {
    const ValueGrid* grid = ValueGridFromWindow(window);
    if (!grid || !cell || column < 0 || row < 0 || column >= grid->columns || row >= grid->rows)
        return 0;
    *cell = grid->cells[row * grid->columns + column];
    return 1;
}

int ValueGridSetZoom(HWND window, int32_t percent) {
    ValueGrid* grid = GridOf(window);
    if (!grid) return 0;
    SetZoom(grid, percent);
    return 1;
}

LRESULT CALLBACK ValueGridWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    ValueGrid* grid = GetGrid(window);
    if (!grid) return DefWindowProcA(window, message, wParam, lParam);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY: OnDestroy(window, grid); return 0;
    case WM_SIZE: OnSize(grid, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: OnPaint(grid); return 0;
    case WM_HSCROLL: OnScroll(grid, SB_HORZ, wParam); return 0;
    case WM_VSCROLL: OnScroll(grid, SB_VERT, wParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(grid, wParam, x, y); return 0;
    case WM_RBUTTONDOWN: OnContextMenu(grid, x, y); return 0;
    case WM_COMMAND: OnCommand(grid, wParam); return 0;
    case WM_KEYDOWN: OnKeyDown(grid, wParam, lParam); return 0;
    case WM_MOUSEWHEEL: OnWheel(grid, wParam); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS: OnFocus(grid, 1); return 0;
    case WM_KILLFOCUS: OnFocus(grid, 0); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
