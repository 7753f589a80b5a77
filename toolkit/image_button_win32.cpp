// The image button: push, toggle, radio and static bitmap buttons.
#include "toolkit/image_button.h"

#include <new>

namespace {

uint32_t Mode(const ImageButton* button) {
    return button->mode & kButtonModeMask;
}

bool BeginEndOn(const ImageButton* button) {
    return (button->notify.style & kNotifyBeginEnd) != 0;
}

bool AutoRepeat(const ImageButton* button) {
    return Mode(button) == kButtonPush && (button->mode & kButtonAutoRepeat);
}

void Notify(const ImageButton* button, uint32_t code, float value) {
    NotifyOwner(&button->notify, code, FloatToBits(value));
}

void Redraw(const ImageButton* button) {
    InvalidateRect(button->window, nullptr, FALSE);
}

void TakeCapture(ImageButton* button) {
    button->previousCapture = GetCapture();
    SetCapture(button->window);
}

// Clears pressed first: losing the capture is then no longer a release.
void GiveCaptureBack(ImageButton* button) {
    button->pressed = 0;
    HWND previous = button->previousCapture;
    button->previousCapture = nullptr;
    if (GetCapture() == button->window) ReleaseCapture();
    if (previous && previous != button->window && IsWindow(previous)) SetCapture(previous);
}

void BUTTON_PressPush(ImageButton* button) {
    button->value = 1.0f;
    button->pressed = 1;
    TakeCapture(button);
    if (BeginEndOn(button)) Notify(button, button->id | kNotifyBegin, 0.0f);
    if (AutoRepeat(button)) {
        button->repeatTicks = 0;
        button->outside = 0;
        button->timerId =
            SetTimer(button->window, kButtonRepeatTimer, kButtonRepeatPeriod, nullptr);
        Notify(button, button->id, 1.0f);
    }
}

// Toggle and radio: the new value is reported at once; begin/end frame the press.
void BUTTON_PressLatching(ImageButton* button, float value) {
    button->value = value;
    if (BeginEndOn(button)) {
        Notify(button, button->id | kNotifyBegin, 0.0f);
        button->pressed = 1;
        TakeCapture(button);
    }
    Notify(button, button->id, value);
}

void BUTTON_Press(ImageButton* button) {
    if (!button->enabled || button->pressed || Mode(button) == kButtonStatic) return;
    SetFocus(button->window);
    switch (Mode(button)) {
    case kButtonPush: BUTTON_PressPush(button); break;
    case kButtonToggle: BUTTON_PressLatching(button, button->value == 0.0f ? 1.0f : 0.0f); break;
    case kButtonRadio:
        if (button->value == 1.0f) return;
        BUTTON_PressLatching(button, 1.0f);
        break;
    default: return;
    }
    Redraw(button);
}

void BUTTON_Release(ImageButton* button, bool inside) {
    if (!button->pressed) return;
    GiveCaptureBack(button);
    if (Mode(button) == kButtonPush) {
        if (button->timerId) {
            KillTimer(button->window, button->timerId);
            button->timerId = 0;
        } else if (inside) {
            Notify(button, button->id, 1.0f);
        }
        button->value = 0.0f;
    }
    if (BeginEndOn(button)) Notify(button, button->id | kNotifyEnd, 0.0f);
    Redraw(button);
}

// The first repeat comes at tick 8 (450 ms), then 5, 10 and 20 per second.
bool RepeatDue(uint32_t tick) {
    if (tick <= 4) return false;
    if (tick <= 20) return tick % 4 == 0;
    if (tick <= 40) return tick % 2 == 0;
    return true;
}

void BUTTON_Tick(ImageButton* button) {
    if (!button->pressed || !button->timerId || button->outside) return;
    if (RepeatDue(button->repeatTicks)) Notify(button, button->id, 1.0f);
    ++button->repeatTicks;
}

LRESULT BUTTON_Request(ImageButton* button, WPARAM request, LPARAM lParam) {
    switch (request) {
    case kRequestEnable:
    case kRequestDisable:
        button->enabled = request == kRequestEnable;
        Redraw(button);
        return 0;
    case kRequestGetValue: return static_cast<LRESULT>(FloatToBits(button->value));
    case kRequestSetValue: {
        const float value = BitsToFloat(static_cast<uint32_t>(lParam)) == 0.0f ? 0.0f : 1.0f;
        if (value != button->value) {
            button->value = value;
            Redraw(button);
        }
        return 0;
    }
    default: return 0;
    }
}

void BUTTON_Paint(const ImageButton* button) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(button->window, &paint);
    if (!dc) return;
    HBITMAP face = button->value == 0.0f ? button->upFace : button->downFace;
    if (button->round && button->roundMask)
        MaskedBlit(dc, face, button->roundMask, 0, 0, button->width, button->height);
    else
        BlitBitmap(dc, face, 0, 0, button->width, button->height);
    if (button->enabled && button->focused) DrawCornerMark(dc, 0, 0);
    if (!button->enabled) {
        if (button->disabledFace)
            BlitBitmap(dc, button->disabledFace, 0, 0, button->width, button->height);
        else
            DrawCrossMark(dc, 0, 0, button->width, button->height);
    }
    EndPaint(button->window, &paint);
}

void BUTTON_SetFocus(ImageButton* button, bool focused) {
    if (Mode(button) == kButtonStatic) return;
    button->focused = focused;
    Redraw(button);
}

LRESULT BUTTON_Create(HWND window, const CREATESTRUCTA* create) {
    const auto* model = static_cast<const ImageButton*>(create->lpCreateParams);
    if (!model) return -1;
    auto* button = new (std::nothrow) ImageButton(*model);
    if (!button) return -1;
    button->window = window;
    if (button->round) button->roundMask = RoundMask(window, button->width);
    SetControlData(window, button);
    return 0;
}

void BUTTON_Destroy(HWND window, ImageButton* button) {
    if (button->timerId) KillTimer(window, button->timerId);
    SetControlData(window, nullptr);
    delete button;
}

bool IsPressKey(WPARAM key) {
    return key == VK_RETURN || key == VK_SPACE;
}

} // namespace

LRESULT CALLBACK ImageButtonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) SetControlData(window, nullptr);
    if (message == WM_CREATE)
        return BUTTON_Create(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    auto* button = static_cast<ImageButton*>(GetControlData(window));
    if (!button) return DefWindowProcA(window, message, wParam, lParam);

    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_LBUTTONDOWN: BUTTON_Press(button); return 0;
    case WM_LBUTTONUP: BUTTON_Release(button, PointInClient(window, x, y) != 0); return 0;
    case WM_MOUSEMOVE:
        if (button->pressed) button->outside = !PointInClient(window, x, y);
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the press cannot end normally.
        if (button->pressed && reinterpret_cast<HWND>(lParam) != window)
            BUTTON_Release(button, false);
        return 0;
    case WM_KEYDOWN:
        if (IsPressKey(wParam))
            BUTTON_Press(button);
        else if (wParam == VK_TAB || wParam == VK_ESCAPE)
            PostMessageA(button->owner, WM_KEYDOWN, wParam, lParam);
        return 0;
    case WM_KEYUP:
        if (IsPressKey(wParam)) BUTTON_Release(button, true);
        return 0;
    case WM_TIMER:
        if (wParam == button->timerId) BUTTON_Tick(button);
        return 0;
    case WM_COMMAND: return BUTTON_Request(button, wParam, lParam);
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: BUTTON_SetFocus(button, message == WM_SETFOCUS); return 0;
    case WM_PAINT: BUTTON_Paint(button); return 0;
    case WM_ERASEBKGND: return 1; // the faces cover the whole button
    case WM_DESTROY: BUTTON_Destroy(window, button); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateImageButton(HWND owner, uint16_t id, int x, int y, uint32_t mode, HBITMAP upFace,
                       HBITMAP downFace, HBITMAP disabledFace, ControlCallback callback,
                       void* context) {
    BITMAP face;
    if (!ToolkitAlive() || id >= kNotifyEnd || !upFace || !GetObjectA(upFace, sizeof face, &face))
        return nullptr;
    ImageButton model = {};
    model.owner = owner;
    model.x = x;
    model.y = y;
    model.id = id;
    model.enabled = 1;
    model.width = face.bmWidth;
    model.height = face.bmHeight;
    model.upFace = upFace;
    model.downFace = downFace ? downFace : upFace;
    model.disabledFace = disabledFace;
    model.mode = mode;
    model.notify.owner = owner;
    model.notify.callback = callback;
    model.notify.context = context;
    model.notify.style = (mode & kNotifyBeginEnd) | (callback ? kNotifyByCallback : 0);
    return CreateWindowExA(0, kImageButtonClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y,
                           model.width, model.height, owner,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ToolkitInstance(),
                           &model);
}

HWND CreateStandardButton(HWND owner, uint16_t id, int x, int y, uint32_t style) {
    uint32_t mode = kButtonToggle;
    if (style & kButtonPush)
        mode = kButtonPush;
    else if (style & kButtonRadio)
        mode = kButtonRadio;
    mode |= style & kNotifyBeginEnd;
    return CreateImageButton(owner, id, x, y, mode, ToolkitBitmap(0), ToolkitBitmap(1), nullptr,
                             nullptr, nullptr);
}
