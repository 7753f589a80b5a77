// The knob's window: creation, owner requests, mouse, wheel and keys, and
// the value changes with their notifications.
#include "toolkit/knob.h"

#include "toolkit/info_box.h"
#include "toolkit/number_text.h"
#include "toolkit/precision_adjuster.h"

#include <windowsx.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

// What CreateKnob hands WM_CREATE.
struct KnobCreateParams {
    HWND owner;
    uint16_t id;
    int32_t x, y, width, height;
    uint32_t style;
    HBITMAP face;
    int32_t centreX, centreY;
    int32_t startDegrees, endDegrees;
    ControlCallback callback;
    void* context;
    const KnobScale* scale;
};

static UINT_PTR SystemSetTimer(HWND window, UINT_PTR id, UINT milliseconds) {
    return SetTimer(window, id, milliseconds, nullptr);
}

static void SystemKillTimer(HWND window, UINT_PTR id) {
    KillTimer(window, id);
}

static const KnobTimerOps kSystemTimer = {
    SystemSetTimer,  // setTimer
    SystemKillTimer, // killTimer
};
static const KnobTimerOps* g_timer = &kSystemTimer;

static Knob* GetKnob(HWND window) {
    return static_cast<Knob*>(GetControlData(window));
}

static bool Continuous(const Knob* knob) {
    return (knob->style & kKnobContinuous) != 0;
}

static bool HasValueMenu(const Knob* knob) {
    return (knob->style & kKnobNoValueMenu) == 0;
}

void KnobShowValueBox(const Knob* knob) {
    uint32_t info = ToolkitGetOptions()->infoValue;
    if (!(info & kInfoValueEnabled)) {
        return;
    }
    char text[64];
    KnobValueText(&knob->scale, (knob->style & kKnobDecibel) != 0, text, sizeof text);
    int32_t boxX = 0;
    int32_t boxY = 0;
    KnobInfoBoxPlace(info, knob->x, knob->y, knob->width, knob->height, kInfoBoxWidth,
                     kInfoBoxHeight, &boxX, &boxY);
    InfoBoxShow(knob->owner, boxX, boxY, text);
}

void KnobUpdateValueBox(const Knob* knob) {
    char text[64];
    KnobValueText(&knob->scale, (knob->style & kKnobDecibel) != 0, text, sizeof text);
    InfoBoxUpdate(text);
}

// The precision adjuster attached to a knob follows its value.
void KnobRefreshAdjuster(const Knob* knob) {
    RefreshPrecisionAdjuster(knob->window, knob->style, kAdjusterClosedCode, &knob->notify,
                             knob->id, &knob->scale);
}

void KnobStopLatencyTimer(Knob* knob) {
    if (knob->latencyTimer) {
        g_timer->killTimer(knob->window, knob->latencyTimer);
        knob->latencyTimer = 0;
    }
}

// Step 3 of the value model: n steps, clamped; reports a change when
// continuous.
void KnobApplySteps(Knob* knob, int32_t n) {
    float stepped = KnobSteppedValue(&knob->scale, n);
    if (stepped == knob->scale.value) {
        return;
    }
    KnobSetValue(knob, stepped);
    if (Continuous(knob)) {
        KnobNotifyValue(knob);
    }
}

// ---- Message handlers ----

static LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
    const auto* params = static_cast<const KnobCreateParams*>(create->lpCreateParams);
    if (!params) {
        return -1;
    }
    auto* knob = static_cast<Knob*>(std::calloc(1, sizeof(Knob)));
    if (!knob) {
        return -1;
    }
    knob->owner = params->owner;
    knob->window = window;
    knob->x = params->x;
    knob->y = params->y;
    knob->width = params->width;
    knob->height = params->height;
    knob->id = params->id;
    knob->enabled = 1;
    knob->face = params->face;
    knob->startDegrees = static_cast<int16_t>(params->startDegrees);
    knob->endDegrees = static_cast<int16_t>(params->endDegrees);
    knob->round = 1;
    knob->roundMask = RoundMask(window, params->width);
    knob->style = params->style;
    knob->centreX = params->centreX;
    knob->centreY = params->centreY;
    knob->notify.owner = params->owner;
    knob->notify.callback = params->callback;
    knob->notify.style = params->style;
    knob->notify.context = params->context;
    knob->scale = *params->scale;
    knob->needleLength = params->width / 3 + 2;
    knob->needleWidth = 2;
    knob->needlePen = static_cast<uint16_t>(params->style & kKnobPenMask);
    knob->needleBrush = static_cast<uint16_t>((params->style & kKnobBrushMask) >> 4);
    knob->needleAngle = KnobValueToAngle(&knob->scale, knob->scale.value);
    knob->defaultAngle = knob->needleAngle;
    knob->span = KnobSpan(knob->scale.startAngle, knob->scale.endAngle);
    knob->midGap = KnobMidGap(knob->span);
    if (!KnobBuildMenus(knob)) {
        std::free(knob);
        return -1;
    }
    SetControlData(window, knob);
    return 0;
}

void KnobDestroy(HWND window, Knob* knob) {
    ClosePrecisionAdjusterOf(window);
    KnobStopLatencyTimer(knob);
    if (knob->dragging) {
        InfoBoxHide();
    }
    KnobDestroyMenus(knob);
    SetControlData(window, nullptr);
    std::free(knob);
}

LRESULT KnobOwnerRequest(Knob* knob, WPARAM request, LPARAM lParam) {
    switch (request) {
    case kRequestEnable:
        knob->enabled = 1;
        KnobRedraw(knob);
        return 0;
    case kRequestDisable:
        knob->enabled = 0;
        KnobRedraw(knob);
        return 0;
    case kRequestGetValue: return static_cast<LRESULT>(FloatToBits(knob->scale.value));
    case kRequestSetValue:
        // An owner's own change: shown, never reported back.
        return KnobSetValue(knob, BitsToFloat(static_cast<uint32_t>(lParam)));
    default: KnobMenuCommand(knob, LOWORD(request)); return 0;
    }
}

void KnobStartLatency(Knob* knob) {
    uint32_t latency = ToolkitGetOptions()->rotLatency;
    knob->movesAllowed = 0;
    KnobStopLatencyTimer(knob);
    if (latency != 0) {
        knob->latencyTimer = g_timer->setTimer(knob->window, kKnobLatencyTimer, latency);
    }
    // Without a timer (latency 0, or none to be had) the value follows at once.
    if (!knob->latencyTimer) {
        knob->movesAllowed = 1;
    }
}

static void OnLeftButtonDown(Knob* knob, WPARAM keys, int x, int y) {
    if (keys & MK_CONTROL) {
        KnobEditValue(knob);
        return;
    }
    if (keys & MK_SHIFT) {
        KnobAdjustValue(knob);
        return;
    }
    SetFocus(knob->window);
    if (!knob->enabled || knob->dragging) {
        return;
    }
    SetCapture(knob->window);
    KnobShowValueBox(knob);
    knob->dragging = 1;
    knob->lastX = x;
    knob->lastY = y;
    KnobRedraw(knob);
    KnobRefreshAdjuster(knob);
    KnobNotifyFrame(knob, 1);

    KnobStartLatency(knob);
}

static void MoveAngular(Knob* knob, int x, int y) {
    float angle = 0.0f;
    if (!KnobAngularTarget(&knob->scale, static_cast<float>(x - knob->centreX),
                           static_cast<float>(knob->centreY - y), &angle)) {
        return;
    }
    if (angle != knob->needleAngle) {
        float value = KnobAngleToValue(&knob->scale, angle);
        if (value != knob->scale.value) {
            knob->scale.value = value;
            knob->needleAngle = angle;
            KnobRedraw(knob);
            KnobRefreshAdjuster(knob);
        }
    }
    if (Continuous(knob)) {
        KnobNotifyValue(knob);
    }
}

static void OnMouseMove(Knob* knob, int x, int y) {
    if (!knob->dragging) {
        return;
    }
    // Moves made while the latency holds the value are dropped, so the
    // first allowed move steps from where the cursor was when it ran out.
    if (knob->movesAllowed) {
        uint32_t mode = ToolkitGetOptions()->rotMode;
        if (mode & kRotModeAngular) {
            MoveAngular(knob, x, y);
        } else {
            KnobApplySteps(knob, KnobLinearDragSteps(x - knob->lastX, y - knob->lastY, mode));
        }
        KnobUpdateValueBox(knob);
    }
    knob->lastX = x;
    knob->lastY = y;
}

void KnobRelease(Knob* knob) {
    if (!knob->dragging) {
        return;
    }
    KnobStopLatencyTimer(knob);
    knob->dragging = 0;
    ReleaseCapture();
    KnobRedraw(knob);
    KnobNotifyValue(knob);
    if (knob->style & kKnobSpring) {
        KnobSetValue(knob, knob->scale.defaultValue);
        KnobNotifyValue(knob);
    }
    InfoBoxHide();
    KnobRefreshAdjuster(knob);
    KnobNotifyFrame(knob, 0);
}

void KnobTimer(Knob* knob, UINT_PTR id) {
    if (id != kKnobLatencyTimer) {
        return;
    }
    KnobStopLatencyTimer(knob);
    knob->movesAllowed = 1;
}

void KnobContextMenu(Knob* knob, WPARAM keys, int x, int y) {
    if (keys & MK_SHIFT) {
        KnobAdjustValue(knob);
        return;
    }
    if (!knob->enabled || knob->dragging) {
        return;
    }
    TrackContextMenu(knob->window, KnobPrepareContextMenu(knob->window), x, y);
}

void KnobMiddleButton(Knob* knob, WPARAM keys) {
    if (knob->dragging) {
        return;
    }
    if (keys & MK_SHIFT) {
        KnobAdjustValue(knob);
    } else {
        KnobEditValue(knob);
    }
}

void KnobWheel(Knob* knob, int delta) {
    KnobApplySteps(knob, KnobWheelSteps(delta, ToolkitGetOptions()->rotMode));
}

void KnobKeyDown(Knob* knob, WPARAM key, LPARAM lParam) {
    bool stepKeysActive = !knob->dragging && !(knob->style & kKnobSpring);
    switch (key) {
    case VK_LEFT:
        if (stepKeysActive) {
            KnobApplySteps(knob, -1);
        }
        break;
    case VK_RIGHT:
        if (stepKeysActive) {
            KnobApplySteps(knob, 1);
        }
        break;
    case VK_UP:
        if (stepKeysActive) {
            KnobApplySteps(knob, 10);
        }
        break;
    case VK_DOWN:
        if (stepKeysActive) {
            KnobApplySteps(knob, -10);
        }
        break;
    case VK_INSERT:
        if (!knob->dragging) {
            KnobEditValue(knob);
        }
        break;
    case VK_TAB:
    case VK_ESCAPE: PostMessageA(knob->owner, WM_KEYDOWN, key, lParam); break;
    default: break;
    }
}

void KnobFocus(Knob* knob, int focused) {
    knob->focused = focused;
    KnobRedraw(knob);
}

static void OnPaint(Knob* knob) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(knob->window, &paint);
    if (dc) {
        KnobPaint(knob, dc);
    }
    EndPaint(knob->window, &paint);
}

static int BitmapSize(HBITMAP bitmap, int32_t* width, int32_t* height) {
    BITMAP info = {};
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0) {
        return 0;
    }
    *width = info.bmWidth;
    *height = info.bmHeight;
    return 1;
}

// ---- Value changes and notifications ----

int KnobSetValue(Knob* knob, float value) {
    if (!KnobScaleSetValue(&knob->scale, value)) {
        return 0;
    }
    float angle = KnobValueToAngle(&knob->scale, value);
    if (angle != knob->needleAngle || knob->track) {
        knob->needleAngle = angle;
        KnobRedraw(knob);
    }
    // Whatever the gesture (drag, keys, wheel, menu, owner), an adjuster left
    // showing the old value would push it back on its next drag.
    KnobRefreshAdjuster(knob);
    return 1;
}

void KnobNotifyValue(Knob* knob) {
    NotifyOwner(&knob->notify, knob->id, FloatToBits(knob->scale.value));
}

void KnobNotifyFrame(Knob* knob, int begin) {
    if (knob->notify.style & kNotifyBeginEnd) {
        NotifyOwner(&knob->notify, knob->id | (begin ? kNotifyBegin : kNotifyEnd), 0);
    }
}

void KnobSetFramedValue(Knob* knob, float value) {
    if (!(value >= knob->scale.min && value <= knob->scale.max)) {
        return;
    }
    KnobSetValue(knob, value);
    KnobNotifyFrame(knob, 1);
    KnobNotifyValue(knob);
    KnobNotifyFrame(knob, 0);
}

void KnobResetToDefault(Knob* knob) {
    if (!knob->enabled) {
        return;
    }
    KnobSetValue(knob, knob->scale.defaultValue);
    KnobNotifyFrame(knob, 1);
    KnobNotifyValue(knob);
    KnobNotifyFrame(knob, 0);
}

void KnobEditValue(Knob* knob) {
    if (!knob->enabled || !HasValueMenu(knob)) {
        return;
    }
    bool decibel = (knob->style & kKnobDecibel) != 0;
    bool plain = (knob->style & kKnobEditPlain) != 0;
    bool time = (knob->style & kKnobEditTime) != 0;
    if (!decibel && !plain && !time) {
        return;
    }
    char current[64];
    KnobValueText(&knob->scale, decibel, current, sizeof current);
    POINT centre = {knob->centreX, knob->centreY};
    ClientToScreen(knob->window, &centre);
    KnobEditRequest request = {};
    request.owner = knob->window;
    request.attr = kKnobEditAttr;
    request.x = centre.x;
    request.y = centre.y;
    request.width = kKnobEditWidth;
    request.height = kKnobEditHeight;
    request.timeEntry = (!decibel && !plain) ? 1 : 0;
    request.text = current;
    request.seconds = knob->scale.value;

    char answer[1024] = {};
    float seconds = 0.0f;
    if (!ValueEntryEditValue(&request, answer, sizeof answer, &seconds)) {
        return;
    }
    // The window may have gone while the dialog was open.
    if (GetKnob(request.owner) != knob) {
        return;
    }
    if (request.timeEntry) {
        KnobSetFramedValue(knob, seconds);
    } else if (answer[0] != '\0') {
        double number = TextToNumber(answer);
        KnobSetFramedValue(knob, decibel ? KnobFromDecibels(number) : static_cast<float>(number));
    }
}

void KnobAdjustValue(Knob* knob) {
    if (!knob->enabled || !HasValueMenu(knob)) {
        return;
    }
    POINT point = {knob->centreX - 2, knob->centreY - 2};
    ClientToScreen(knob->window, &point);
    ValueEntryAdjustValue(knob->window, point.x, point.y);
}

void KnobRedraw(const Knob* knob) {
    HDC dc = GetDC(knob->window);
    if (dc) {
        if (knob->track)
            SlidePaint(knob, dc);
        else
            KnobPaint(knob, dc);
        ReleaseDC(knob->window, dc);
    }
}

// ---- Public interface ----

HWND CreateKnob(HWND owner, uint16_t id, int x, int y, uint32_t style, HBITMAP faceBitmap,
                int centreX, int centreY, int startDegrees, int endDegrees, float min, float max,
                float initial, float step, ControlCallback callback, void* context) {
    if (ToolkitInitCount() == 0 || id >= kNotifyEnd) {
        return nullptr;
    }
    KnobCreateParams params = {};
    if (!BitmapSize(faceBitmap, &params.width, &params.height)) {
        return nullptr;
    }
    KnobScale scale;
    if (!KnobScaleInit(&scale, min, max, initial, step, startDegrees, endDegrees,
                       style & kKnobScaleLog)) {
        return nullptr;
    }
    if (callback) {
        style |= kNotifyByCallback;
    }
    params.owner = owner;
    params.id = id;
    params.x = x;
    params.y = y;
    params.style = style;
    params.face = faceBitmap;
    params.centreX = centreX;
    params.centreY = centreY;
    params.startDegrees = startDegrees;
    params.endDegrees = endDegrees;
    params.callback = callback;
    params.context = context;
    params.scale = &scale;
    return CreateWindowExA(0, kKnobClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y,
                           params.width, params.height, owner,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ToolkitInstance(),
                           &params);
}

const Knob* KnobFromWindow(HWND knob) {
    const bool knobLike =
        WindowHasClass(knob, kKnobClassName) || WindowHasClass(knob, kSlideClassName);
    return knobLike ? GetKnob(knob) : nullptr;
}

int KnobSetFaces(HWND window, HBITMAP pressedFace, HBITMAP disabledFace) {
    Knob* knob = const_cast<Knob*>(KnobFromWindow(window));
    if (!knob) {
        return 0;
    }
    knob->pressedFace = pressedFace;
    knob->disabledFace = disabledFace;
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}

int KnobSetDecimals(HWND window, uint8_t decimals) {
    Knob* knob = const_cast<Knob*>(KnobFromWindow(window));
    if (!knob) {
        return 0;
    }
    knob->scale.decimals = decimals;
    return 1;
}

int KnobSetPresets(HWND window, const float* values, int count) {
    Knob* knob = const_cast<Knob*>(KnobFromWindow(window));
    if (!knob || count < 0 || (count > 0 && !values)) {
        return -1;
    }
    if (count > kKnobMaxPresets) {
        count = kKnobMaxPresets;
    }
    for (int i = 0; i < count; ++i) {
        knob->presets[i] = values[i];
    }
    knob->presetCount = static_cast<uint16_t>(count);
    return KnobRebuildPresetItems(knob) ? count : -1;
}

void KnobSetTimerOps(const KnobTimerOps* ops) {
    g_timer = ops ? ops : &kSystemTimer;
}

LRESULT CALLBACK KnobWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    }
    Knob* knob = GetKnob(window);
    if (!knob) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    int x = GET_X_LPARAM(lParam);
    int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY: KnobDestroy(window, knob); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_COMMAND: return KnobOwnerRequest(knob, wParam, lParam);
    case WM_PAINT: OnPaint(knob); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(knob, wParam, x, y); return 0;
    case WM_MOUSEMOVE: OnMouseMove(knob, x, y); return 0;
    case WM_LBUTTONUP: KnobRelease(knob); return 0;
    case WM_LBUTTONDBLCLK: KnobResetToDefault(knob); return 0;
    case WM_RBUTTONDOWN: KnobContextMenu(knob, wParam, x, y); return 0;
    case WM_MBUTTONDOWN: KnobMiddleButton(knob, wParam); return 0;
    case WM_MOUSEWHEEL: KnobWheel(knob, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_KEYDOWN: KnobKeyDown(knob, wParam, lParam); return 0;
    case WM_TIMER: KnobTimer(knob, wParam); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS: KnobFocus(knob, 1); return 0;
    case WM_KILLFOCUS: KnobFocus(knob, 0); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
