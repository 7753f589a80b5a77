// The 2D list's window: lines, the scroll bar, keys and menu.
#include "toolkit/list2d.h"

#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kListAttr = 0xF0;        // pen 0, brush 15
constexpr uint32_t kCurrentLineAttr = 0x55; // pen and brush 5

List2D* GetList(HWND window) {
    return static_cast<List2D*>(GetControlData(window));
}

void UpdateScrollBar(const List2D* list) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 0;
    info.nMax = kList2DScrollRange;
    info.nPos = ListCursorScrollPos(&list->cursor, kList2DScrollRange);
    SetScrollInfo(list->window, SB_VERT, &info, TRUE);
}

void Paint(const List2D* list, HDC dc) {
    RECT client;
    GetClientRect(list->window, &client);
    DrawBox(dc, kListAttr, 0, 0, client.right, client.bottom);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    for (int32_t row = 0; row < list->cursor.page; ++row) {
        const int32_t line = list->cursor.first + row;
        if (line > list->cursor.lineCount) break;
        const int top = row * list->lineHeight;
        const bool current = line == list->cursor.current;
        if (current)
            DrawBox(dc, kCurrentLineAttr, 1, top + 1, client.right - 1, top + list->lineHeight);
        char text[32];
        std::snprintf(text, sizeof text, "Line %d", static_cast<int>(line));
        DrawTextAt(dc, 0x200 | (current ? 15 : 0), 4, top + 1, text);
    }
    SetBkMode(dc, oldMode);
    if (list->focused) DrawCornerMark(dc, 0, 0);
}

void Redraw(const List2D* list) {
    UpdateScrollBar(list);
    InvalidateRect(list->window, nullptr, FALSE);
}

void Move(List2D* list, ListMove move) {
    if (ListCursorMove(&list->cursor, move)) Redraw(list);
}

void Click(List2D* list, int32_t line) {
    if (line < 1 || line > list->cursor.lineCount) return;
    ListCursorGoTo(&list->cursor, line);
    Redraw(list);
    NotifyOwner(&list->notify, list->id, FloatToBits(static_cast<float>(line)));
}

// ---- Handlers ----

struct List2DCreateParams {
    const List2DCreate* create;
};

LRESULT OnCreate(HWND window, const CREATESTRUCTA* createStruct) {
    const auto* params = static_cast<const List2DCreateParams*>(createStruct->lpCreateParams);
    if (!params) return -1;
    const List2DCreate* create = params->create;
    auto* list = static_cast<List2D*>(std::calloc(1, sizeof(List2D)));
    if (!list) return -1;
    list->owner = create->owner;
    list->window = window;
    list->id = create->id;
    list->lineHeight = create->lineHeight > 0 ? create->lineHeight : kListLineHeight;
    RECT client;
    GetClientRect(window, &client);
    list->lineWidth = client.right;
    ListCursorInit(&list->cursor, create->lineCount, client.bottom / list->lineHeight);
    list->notify = ControlNotifyHead{create->owner, create->callback,
                                     create->callback ? kNotifyByCallback : 0u, create->context};
    SetControlData(window, list);
    list->menu = CreatePopupMenu();
    if (!list->menu ||
        !AppendMenuA(list->menu, MF_STRING, kListMenuFirstLine, "First line\t[HOME]") ||
        !AppendMenuA(list->menu, MF_STRING, kListMenuLastLine, "Last line\t[End]"))
        return -1; // WM_DESTROY frees what was made
    UpdateScrollBar(list);
    return 0;
}

void OnDestroy(HWND window, List2D* list) {
    if (list->menu) DestroyMenu(list->menu);
    SetControlData(window, nullptr);
    std::free(list);
}

LRESULT OnCommand(List2D* list, WPARAM wParam) {
    switch (wParam) {
    case kRequestGetValue:
        return static_cast<LRESULT>(FloatToBits(static_cast<float>(list->cursor.current)));
    case kListMenuFirstLine: Move(list, kListFirst); return 0;
    case kListMenuLastLine: Move(list, kListLast); return 0;
    default: return 0;
    }
}

void OnScroll(List2D* list, WPARAM wParam) {
    int32_t first = list->cursor.first;
    const int32_t jump = list->cursor.page > 1 ? list->cursor.page - 1 : 1;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: first -= 1; break;
    case SB_LINEDOWN: first += 1; break;
    case SB_PAGEUP: first -= jump; break;
    case SB_PAGEDOWN: first += jump; break;
    case SB_TOP: first = 1; break;
    case SB_BOTTOM: first = ListCursorLastFirst(&list->cursor); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        first = ListCursorFirstAt(&list->cursor, HIWORD(wParam), kList2DScrollRange);
        break;
    default: return;
    }
    ListCursorScrollTo(&list->cursor, first);
    Redraw(list);
}

void OnKeyDown(List2D* list, WPARAM key, LPARAM lParam) {
    ListMove move;
    if (ListKeyMove(key, &move)) {
        Move(list, move);
        return;
    }
    switch (key) {
    case VK_RETURN:
    case VK_SPACE: Click(list, list->cursor.current); break;
    case VK_TAB:
    case VK_ESCAPE: PostMessageA(list->owner, WM_KEYDOWN, key, lParam); break;
    default: break;
    }
}

void OnLeftButtonDown(List2D* list, int y) {
    SetFocus(list->window);
    if (y < 0) return;
    const int32_t row = y / list->lineHeight;
    if (row < list->cursor.page) Click(list, list->cursor.first + row);
}

void OnContextMenu(List2D* list, int x, int y) {
    TrackContextMenu(list->window, list->menu, x, y);
}

void OnFocus(List2D* list, int focused) {
    list->focused = focused;
    InvalidateRect(list->window, nullptr, FALSE);
}

void OnPaint(List2D* list) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(list->window, &paint);
    if (dc) Paint(list, dc);
    EndPaint(list->window, &paint);
}

} // namespace

HWND CreateList2D(const List2DCreate* create) {
    if (!create || ToolkitInitCount() == 0 || create->id >= kNotifyEnd || create->width <= 0 ||
        create->height <= 0)
        return nullptr;
    List2DCreateParams params = {create};
    return CreateWindowExA(0, k2DListClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL,
                           create->x, create->y, create->width, create->height, create->owner,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(create->id)),
                           ToolkitInstance(), &params);
}

const List2D* List2DFromWindow(HWND window) {
    return WindowHasClass(window, k2DListClassName) ? GetList(window) : nullptr;
}

LRESULT CALLBACK List2DWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    List2D* list = GetList(window);
    if (!list) return DefWindowProcA(window, message, wParam, lParam);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY: OnDestroy(window, list); return 0;
    case WM_COMMAND: return OnCommand(list, wParam);
    case WM_PAINT: OnPaint(list); return 0;
    case WM_VSCROLL: OnScroll(list, wParam); return 0;
    case WM_KEYDOWN: OnKeyDown(list, wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(list, y); return 0;
    case WM_RBUTTONDOWN: OnContextMenu(list, x, y); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS: OnFocus(list, 1); return 0;
    case WM_KILLFOCUS: OnFocus(list, 0); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
