// The floating value box's window and the three calls that drive it.
#include "toolkit/info_box.h"

#include <cstdlib>
#include <cstring>

namespace {

InfoBox* GetBox(HWND window) {
    return window ? static_cast<InfoBox*>(GetControlData(window)) : nullptr;
}

void CopyText(InfoBox* box, const char* text) {
    std::strncpy(box->text, text ? text : "", sizeof box->text - 1);
    box->text[sizeof box->text - 1] = '\0';
}

LRESULT OnCreate(HWND window) {
    auto* box = static_cast<InfoBox*>(std::calloc(1, sizeof(InfoBox)));
    if (!box) {
        return -1;
    }
    box->window = window;
    box->hidden = 1;
    box->lastX = -1;
    box->lastY = -1;
    SetControlData(window, box);
    return 0;
}

void OnDestroy(HWND window, InfoBox* box) {
    SetControlData(window, nullptr);
    std::free(box);
}

void OnPaint(InfoBox* box) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(box->window, &paint);
    if (dc) {
        RECT client;
        GetClientRect(box->window, &client);
        HGDIOBJ oldPen = SelectObject(dc, PalettePen(14));
        HGDIOBJ oldBrush = SelectObject(dc, PaletteBrush(14));
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        int oldMode = SetBkMode(dc, TRANSPARENT);
        DrawTextAt(dc, 0x700, 3, 1, box->text); // colour 0, font 7
        SetBkMode(dc, oldMode);
    }
    EndPaint(box->window, &paint);
}

// The text is also the window's text, so that it can be read like any other.
LRESULT OnGetText(const InfoBox* box, WPARAM size, char* out) {
    if (!out || size == 0) {
        return 0;
    }
    size_t length = std::strlen(box->text);
    if (length > size - 1) {
        length = size - 1;
    }
    std::memcpy(out, box->text, length);
    out[length] = '\0';
    return static_cast<LRESULT>(length);
}

} // namespace

void InfoBoxShow(HWND owner, int x, int y, const char* text) {
    InfoBox* box = GetBox(ToolkitValueBox());
    if (!box) {
        return;
    }
    CopyText(box, text);
    box->owner = owner;
    POINT point = {x, y};
    if (owner) {
        ClientToScreen(owner, &point);
    }
    UINT flags = SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (point.x == box->lastX && point.y == box->lastY) {
        flags |= SWP_NOMOVE;
    }
    box->lastX = point.x;
    box->lastY = point.y;
    // The box must not take the activation from the window being dragged in
    // (that would cost it the mouse capture); keep the focus where it was.
    HWND focus = GetFocus();
    SetWindowPos(box->window, HWND_TOPMOST, point.x, point.y, 0, 0, flags);
    box->hidden = 0;
    InvalidateRect(box->window, nullptr, FALSE);
    UpdateWindow(box->window);
    if (focus && GetFocus() != focus) {
        SetFocus(focus);
    }
}

void InfoBoxUpdate(const char* text) {
    InfoBox* box = GetBox(ToolkitValueBox());
    if (!box || box->hidden) {
        return;
    }
    CopyText(box, text);
    InvalidateRect(box->window, nullptr, FALSE);
    UpdateWindow(box->window);
}

void InfoBoxHide() {
    InfoBox* box = GetBox(ToolkitValueBox());
    if (!box) {
        return;
    }
    ShowWindow(box->window, SW_HIDE);
    box->hidden = 1;
    box->owner = nullptr;
}

const InfoBox* InfoBoxState() {
    return GetBox(ToolkitValueBox());
}

LRESULT CALLBACK ValueBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        return OnCreate(window);
    }
    InfoBox* box = GetBox(window);
    if (!box) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_DESTROY: OnDestroy(window, box); return 0;
    case WM_PAINT: OnPaint(box); return 0;
    case WM_GETTEXT: return OnGetText(box, wParam, reinterpret_cast<char*>(lParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(std::strlen(box->text));
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE; // a click on the box leaves the focus alone
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
