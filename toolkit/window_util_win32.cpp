// Window utilities: Tab focus among children, keeping a window on the screen,
// and the two rubber-band drags.
#include "toolkit/toolkit.h"

#include <algorithm>

namespace {

bool ShiftHeld() {
    return GetKeyState(VK_LSHIFT) < 0 || GetKeyState(VK_SHIFT) < 0;
}

// The direct child of parent that holds window (itself or an ancestor), or 0.
HWND DirectChild(HWND parent, HWND window) {
    while (window && window != parent) {
        HWND up = GetParent(window);
        if (up == parent) return window;
        window = up;
    }
    return nullptr;
}

// Next sibling in the direction; forward wraps to the first, backward stops.
HWND Step(HWND parent, HWND child, bool backward) {
    if (backward) return GetWindow(child, GW_HWNDPREV);
    HWND next = GetWindow(child, GW_HWNDNEXT);
    return next ? next : GetWindow(parent, GW_CHILD);
}

// First enabled window from start (start excluded unless includeStart),
// stopping when the search comes back to start or runs out.
HWND FindEnabled(HWND parent, HWND start, bool backward, bool includeStart) {
    if (includeStart && IsWindowEnabled(start)) return start;
    for (HWND child = Step(parent, start, backward); child && child != start;
         child = Step(parent, child, backward)) {
        if (IsWindowEnabled(child)) return child;
    }
    return nullptr;
}

// Rubber band on a device context in XOR mode, so drawing it twice erases it.
void XorOutline(HDC dc, int left, int top, int width, int height, const POINT* cross) {
    const int oldMode = SetROP2(dc, R2_XORPEN);
    HGDIOBJ oldPen = SelectObject(dc, DashDotPen());
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, left + width, top + height);
    if (cross) {
        MoveToEx(dc, left, cross->y, nullptr);
        LineTo(dc, left + width, cross->y);
        MoveToEx(dc, cross->x, top, nullptr);
        LineTo(dc, cross->x, top + height);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetROP2(dc, oldMode);
}

void WindowDragOutline(const WindowDragState* state) {
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    const POINT cursor = {state->lastX, state->lastY};
    XorOutline(screen, state->lastX - state->offsetX, state->lastY - state->offsetY, state->width,
               state->height, &cursor);
    ReleaseDC(nullptr, screen);
}

void BoundedDragOutline(const BoundedDragState* state) {
    HDC dc = GetDC(state->window);
    if (!dc) return;
    XorOutline(dc, state->outlineLeft, state->outlineTop, state->width, state->height, nullptr);
    ReleaseDC(state->window, dc);
}

} // namespace

int CycleTabFocus(HWND window, UINT message, WPARAM key, LPARAM lParam) {
    (void)message;
    (void)lParam;
    if (key != VK_TAB) return 1;
    HWND first = GetWindow(window, GW_CHILD);
    if (!first) return 0;
    const bool backward = ShiftHeld();
    HWND focus = DirectChild(window, GetFocus());
    HWND target = focus ? FindEnabled(window, focus, backward, false)
                        : FindEnabled(window, first, backward, true);
    if (target) SetFocus(target);
    return 0;
}

void KeepOnScreen(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    const int width = rect.right - rect.left + 1;
    const int height = rect.bottom - rect.top + 1;
    int left = rect.left;
    int top = rect.top;
    if (left + width > GetSystemMetrics(SM_CXSCREEN)) left = GetSystemMetrics(SM_CXSCREEN) - width;
    if (top + height > GetSystemMetrics(SM_CYSCREEN)) top = GetSystemMetrics(SM_CYSCREEN) - height;
    left = std::max(left, 0);
    top = std::max(top, 0);
    SetWindowPos(window, nullptr, left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TrackContextMenu(HWND window, HMENU menu, int x, int y) {
    POINT point = {x, y};
    ClientToScreen(window, &point);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, window,
                   nullptr);
}

// ---- Window drag ----

void WindowDragInit(WindowDragState* state, HWND window) {
    *state = WindowDragState{};
    state->window = window;
}

void WindowDragBegin(WindowDragState* state, int x, int y) {
    POINT point = {x, y};
    RECT rect;
    if (!ClientToScreen(state->window, &point) || !GetWindowRect(state->window, &rect)) return;
    state->left = rect.left;
    state->top = rect.top;
    state->width = rect.right - rect.left + 1;
    state->height = rect.bottom - rect.top + 1;
    state->offsetX = point.x - rect.left;
    state->offsetY = point.y - rect.top;
    state->lastX = point.x;
    state->lastY = point.y;
    state->active = 1;
    state->drawn = 0;
    state->previousCapture = GetCapture();
    SetCapture(state->window);
}

void WindowDragMove(WindowDragState* state, int x, int y) {
    if (!state->active) return;
    POINT point = {x, y};
    ClientToScreen(state->window, &point);
    if (state->drawn) WindowDragOutline(state);
    state->lastX = point.x;
    state->lastY = point.y;
    WindowDragOutline(state);
    state->drawn = 1;
}

void WindowDragEnd(WindowDragState* state, int x, int y) {
    (void)x;
    (void)y;
    if (!state->active) return;
    if (state->drawn) WindowDragOutline(state);
    state->drawn = 0;
    ReleaseCapture();
    POINT place = {state->lastX - state->offsetX, state->lastY - state->offsetY};
    // A child window is placed in its parent's client coordinates.
    if ((GetWindowLongPtrA(state->window, GWL_STYLE) & WS_CHILD) && GetParent(state->window))
        ScreenToClient(GetParent(state->window), &place);
    SetWindowPos(state->window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    state->active = 0;
    if (state->previousCapture && IsWindow(state->previousCapture))
        SetCapture(state->previousCapture);
    state->previousCapture = nullptr;
}

// ---- Bounded drag ----

void BoundedDragInit(BoundedDragState* state, HWND window, int minX, int minY, int maxX, int maxY) {
    *state = BoundedDragState{};
    state->window = window;
    state->minX = minX;
    state->minY = minY;
    state->maxX = maxX;
    state->maxY = maxY;
}

void BoundedDragBegin(BoundedDragState* state, int x, int y, int left, int top, int width,
                      int height) {
    state->offsetX = x - left;
    state->offsetY = y - top;
    state->outlineLeft = left;
    state->outlineTop = top;
    state->finalLeft = left;
    state->finalTop = top;
    state->width = width;
    state->height = height;
    state->active = 1;
    state->drawn = 0;
}

void BoundedDragMove(BoundedDragState* state, int x, int y) {
    if (!state->active) return;
    if (state->drawn) BoundedDragOutline(state);
    const int left = std::min(x - state->offsetX, state->maxX - state->width);
    const int top = std::min(y - state->offsetY, state->maxY - state->height);
    state->outlineLeft = std::max(left, state->minX);
    state->outlineTop = std::max(top, state->minY);
    BoundedDragOutline(state);
    state->drawn = 1;
}

void BoundedDragEnd(BoundedDragState* state) {
    if (!state->active) return;
    if (state->drawn) BoundedDragOutline(state);
    state->drawn = 0;
    state->finalLeft = state->outlineLeft;
    state->finalTop = state->outlineTop;
    state->active = 0;
}

int BoundedDragActive(const BoundedDragState* state) {
    return state->active;
}
