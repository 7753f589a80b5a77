// The 3D list's window: creation, keys, menu, owner requests, the panel
// drag and the perspective drawing.
#include "toolkit/list2d.h"

#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kBackPanelAttr = 0xB9;   // pen 9, brush 11
constexpr uint32_t kFrontPanelAttr = 0xE0;  // pen 0, brush 14
constexpr uint32_t kCurrentLineAttr = 0x55; // pen and brush 5
constexpr int kPanelMargin = 2;
constexpr int kLayerIndent = 6; // text indent per layer step of a line

List3D* GetList(HWND window) {
    return static_cast<List3D*>(GetControlData(window));
}

int32_t DefaultPanelY(const List3D* list) {
    return (list->layers - 1) * list->layerSpacing;
}

HBITMAP CopyBackground(HWND window, HBITMAP source, const RECT& part) {
    const int width = part.right - part.left;
    const int height = part.bottom - part.top;
    if (!source || width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(window);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    if (copy && from && to) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, copy);
        BitBlt(to, 0, 0, width, height, from, part.left, part.top, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    ReleaseDC(window, screen);
    return copy;
}

// ---- Drawing ----

void DrawLines(const List3D* list, HDC dc) {
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    for (int32_t row = 0; row < list->cursor.page; ++row) {
        const int32_t line = list->cursor.first + row;
        if (line > list->cursor.lineCount) break;
        const int top = list->panelY + kPanelMargin + row * kListLineHeight;
        const bool current = line == list->cursor.current;
        if (current)
            DrawBox(dc, kCurrentLineAttr, list->panelX + kPanelMargin, top,
                    list->panelX + list->panelWidth - kPanelMargin, top + kListLineHeight);
        char text[32];
        std::snprintf(text, sizeof text, "Line %d", static_cast<int>(line));
        const int indent = list->lineLayers ? list->lineLayers[line - 1] * kLayerIndent : 0;
        DrawTextAt(dc, 0x200 | (current ? 15 : 0), list->panelX + 5 + indent, top + 1, text);
    }
    SetBkMode(dc, oldMode);
}

void Compose(const List3D* list, HDC dc) {
    if (list->background)
        BlitBitmap(dc, list->background, 0, 0, list->width, list->height);
    else
        TileBitmap(list->window, dc, 0, 0, ToolkitBitmap(12));
    // Back panels first, each one spacing further up and to the right.
    for (int32_t layer = list->layers - 1; layer >= 1; --layer) {
        const int left = list->panelX + layer * list->layerSpacing;
        const int top = list->panelY - layer * list->layerSpacing;
        DrawBox(dc, kBackPanelAttr, left, top, left + list->panelWidth, top + list->panelHeight);
    }
    DrawBox(dc, kFrontPanelAttr, list->panelX, list->panelY, list->panelX + list->panelWidth,
            list->panelY + list->panelHeight);
    DrawLines(list, dc);
    if (list->focused) DrawCornerMark(dc, 0, 0);
}

void Paint(const List3D* list, HDC dc) {
    HDC memory = CreateCompatibleDC(dc);
    if (!memory || !list->offscreen[0]) {
        if (memory) DeleteDC(memory);
        Compose(list, dc);
        return;
    }
    HGDIOBJ old = SelectObject(memory, list->offscreen[0]);
    Compose(list, memory);
    BitBlt(dc, 0, 0, list->width, list->height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void Redraw(const List3D* list) {
    HDC dc = GetDC(list->window);
    if (!dc) return;
    Paint(list, dc);
    ReleaseDC(list->window, dc);
}

// ---- Actions ----

void Click(List3D* list, int32_t line) {
    if (line < 1 || line > list->cursor.lineCount) return;
    ListCursorGoTo(&list->cursor, line);
    Redraw(list);
    NotifyOwner(&list->notify, list->id, FloatToBits(static_cast<float>(line)));
}

void Move(List3D* list, ListMove move) {
    if (ListCursorMove(&list->cursor, move)) Redraw(list);
}

void DefaultPanelPosition(List3D* list) {
    list->panelX = 0;
    list->panelY = DefaultPanelY(list);
    Redraw(list);
}

void StepLayer(List3D* list, int step) {
    const int32_t line = list->cursor.current;
    if (line < 1 || !list->lineLayers) return;
    const int layer = list->lineLayers[line - 1] + step;
    if (layer < 0 || layer >= list->layers) return;
    list->lineLayers[line - 1] = static_cast<uint8_t>(layer);
    Redraw(list);
}

int32_t LineAt(const List3D* list, int x, int y) {
    if (x < list->panelX || x >= list->panelX + list->panelWidth) return 0;
    const int row = y - list->panelY - kPanelMargin;
    if (row < 0) return 0;
    const int32_t line = list->cursor.first + row / kListLineHeight;
    return row / kListLineHeight < list->cursor.page && line <= list->cursor.lineCount ? line : 0;
}

// ---- Handlers ----

struct List3DCreateParams {
    const List3DCreate* create;
};

LRESULT OnCreate(HWND window, const CREATESTRUCTA* createStruct) {
    const auto* params = static_cast<const List3DCreateParams*>(createStruct->lpCreateParams);
    if (!params) return -1;
    const List3DCreate* create = params->create;
    auto* list = static_cast<List3D*>(std::calloc(1, sizeof(List3D)));
    if (!list) return -1;
    list->owner = create->owner;
    list->window = window;
    list->id = create->id;
    list->width = create->width;
    list->height = create->height;
    list->layers = create->layers < 1
                       ? 1
                       : (create->layers > kList3DMaxLayers ? kList3DMaxLayers : create->layers);
    list->layerSpacing = create->layerSpacing > 0 ? create->layerSpacing : 0;
    const int32_t depth = (list->layers - 1) * list->layerSpacing;
    list->panelWidth = list->width - depth > 20 ? list->width - depth : 20;
    list->panelHeight = list->height - depth > 20 ? list->height - depth : 20;
    list->panelY = DefaultPanelY(list);
    ListCursorInit(&list->cursor, create->lineCount,
                   (list->panelHeight - 2 * kPanelMargin) / kListLineHeight);
    list->notify = ControlNotifyHead{create->owner, create->callback,
                                     create->callback ? kNotifyByCallback : 0u, create->context};
    if (list->cursor.lineCount > 0)
        list->lineLayers = static_cast<uint8_t*>(std::calloc(list->cursor.lineCount, 1));
    list->background = CopyBackground(window, create->background, create->backgroundSource);
    HDC screen = GetDC(window);
    for (HBITMAP& bitmap : list->offscreen)
        bitmap = CreateCompatibleBitmap(screen, list->width, list->height);
    ReleaseDC(window, screen);
    BoundedDragInit(&list->drag, window, 0, 0, list->width, list->height);
    list->menu = CreatePopupMenu();
    if (!list->menu || (list->cursor.lineCount > 0 && !list->lineLayers) ||
        !AppendMenuA(list->menu, MF_STRING, kListMenuDefaultPanel,
                     "Default Panel Position\t[BACKSPACE]") ||
        !AppendMenuA(list->menu, MF_STRING, kListMenuFirstLine, "First line\t[HOME]") ||
        !AppendMenuA(list->menu, MF_STRING, kListMenuLastLine, "Last line\t[End]")) {
        SetControlData(window, list);
        return -1; // WM_DESTROY frees what was made
    }
    SetControlData(window, list);
    return 0;
}

void OnDestroy(HWND window, List3D* list) {
    if (list->menu) DestroyMenu(list->menu);
    for (HBITMAP bitmap : list->offscreen)
        if (bitmap) DeleteObject(bitmap);
    if (list->background) DeleteObject(list->background);
    std::free(list->lineLayers);
    SetControlData(window, nullptr);
    std::free(list);
}

LRESULT OnCommand(List3D* list, WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case kRequestGetValue:
        return static_cast<LRESULT>(FloatToBits(static_cast<float>(list->cursor.current)));
    case kListRequestGoTo: {
        const float line = BitsToFloat(static_cast<uint32_t>(lParam));
        // Below 1 or beyond the count is ignored; so is the current line.
        if (line >= 1.0f && line < static_cast<float>(list->cursor.lineCount) + 1.0f &&
            ListCursorGoTo(&list->cursor, static_cast<int32_t>(line)))
            Redraw(list);
        return 0;
    }
    case kListRequestDown: Move(list, kListLineDown); return 0;
    case kListRequestUp: Move(list, kListLineUp); return 0;
    case kListMenuDefaultPanel: DefaultPanelPosition(list); return 0;
    case kListMenuFirstLine: Move(list, kListFirst); return 0;
    case kListMenuLastLine: Move(list, kListLast); return 0;
    default: return 0;
    }
}

void OnKeyDown(List3D* list, WPARAM key, LPARAM lParam) {
    ListMove move;
    if (ListKeyMove(key, &move)) {
        Move(list, move);
        return;
    }
    switch (key) {
    case VK_BACK: DefaultPanelPosition(list); break;
    case VK_RETURN:
    case VK_SPACE: Click(list, list->cursor.current); break;
    case VK_LEFT: StepLayer(list, -1); break;
    case VK_RIGHT: StepLayer(list, 1); break;
    case VK_TAB:
    case VK_ESCAPE: PostMessageA(list->owner, WM_KEYDOWN, key, lParam); break;
    default: break;
    }
}

void OnLeftButtonDown(List3D* list, int x, int y) {
    SetFocus(list->window);
    list->pressX = x;
    list->pressY = y;
    if (x < list->panelX || x >= list->panelX + list->panelWidth || y < list->panelY ||
        y >= list->panelY + list->panelHeight)
        return;
    SetCapture(list->window);
    BoundedDragBegin(&list->drag, x, y, list->panelX, list->panelY, list->panelWidth,
                     list->panelHeight);
}

void OnLeftButtonUp(List3D* list, int x, int y) {
    if (!BoundedDragActive(&list->drag)) return;
    BoundedDragEnd(&list->drag);
    if (GetCapture() == list->window) ReleaseCapture();
    if (list->drag.finalLeft != list->panelX || list->drag.finalTop != list->panelY) {
        list->panelX = list->drag.finalLeft;
        list->panelY = list->drag.finalTop;
        Redraw(list);
        return;
    }
    Click(list, LineAt(list, x, y));
}

void OnContextMenu(List3D* list, int x, int y) {
    TrackContextMenu(list->window, list->menu, x, y);
}

void OnFocus(List3D* list, int focused) {
    list->focused = focused;
    Redraw(list);
}

void OnPaint(List3D* list) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(list->window, &paint);
    if (dc) Paint(list, dc);
    EndPaint(list->window, &paint);
}

} // namespace

int ListKeyMove(WPARAM key, ListMove* move) {
    switch (key) {
    case VK_UP: *move = kListLineUp; return 1;
    case VK_DOWN: *move = kListLineDown; return 1;
    case VK_PRIOR: *move = kListPageUp; return 1;
    case VK_NEXT: *move = kListPageDown; return 1;
    case VK_HOME: *move = kListFirst; return 1;
    case VK_END: *move = kListLast; return 1;
    default: return 0;
    }
}

HWND CreateList3D(const List3DCreate* create) {
    if (!create || ToolkitInitCount() == 0 || create->id >= kNotifyEnd || create->width <= 0 ||
        create->height <= 0)
        return nullptr;
    List3DCreateParams params = {create};
    return CreateWindowExA(0, k3DListClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, create->x,
                           create->y, create->width, create->height, create->owner,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(create->id)),
                           ToolkitInstance(), &params);
}

const List3D* List3DFromWindow(HWND window) {
    return WindowHasClass(window, k3DListClassName) ? GetList(window) : nullptr;
}

LRESULT CALLBACK List3DWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    List3D* list = GetList(window);
    if (!list) return DefWindowProcA(window, message, wParam, lParam);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY: OnDestroy(window, list); return 0;
    case WM_COMMAND: return OnCommand(list, wParam, lParam);
    case WM_PAINT: OnPaint(list); return 0;
    case WM_KEYDOWN: OnKeyDown(list, wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(list, x, y); return 0;
    case WM_MOUSEMOVE: BoundedDragMove(&list->drag, x, y); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(list, x, y); return 0;
    case WM_RBUTTONDOWN: OnContextMenu(list, x, y); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS: OnFocus(list, 1); return 0;
    case WM_KILLFOCUS: OnFocus(list, 0); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
