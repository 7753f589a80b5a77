// "Precision Tri Slider": the three-scale adjuster window.
#include "toolkit/precision_adjuster.h"

#include "toolkit/image_button.h"
#include "toolkit/knob.h"
#include "toolkit/number_text.h"
#include "toolkit/value_entry.h"

#include <windowsx.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr uint32_t kScalesAttr = 238;         // pen and brush 14
constexpr uint32_t kMarkerAttr = 0x800000D0u; // relief, brush 13, pen 0
constexpr int kTickSpacing = 10;              // pixels between ticks
constexpr int kNumberEvery = 5;               // every fifth tick carries its number

PrecisionAdjuster* GetAdjuster(HWND window) {
    return window ? static_cast<PrecisionAdjuster*>(GetDialogData(window)) : nullptr;
}

PrecisionAdjuster* OpenAdjuster() {
    return GetAdjuster(ToolkitPopup(kPopupAdjuster));
}

bool Decibel(const PrecisionAdjuster* adjuster) {
    return (adjuster->style & kKnobDecibel) != 0;
}

float ToDecibels(float value) {
    const float db = KnobDecibels(value);
    return db > kAdjusterFloorDb ? db : kAdjusterFloorDb; // 0 and below are the floor
}

// The control's value of the working value.
float ControlValue(const PrecisionAdjuster* adjuster) {
    return Decibel(adjuster) ? KnobFromDecibels(adjuster->value) : adjuster->value;
}

void Attach(PrecisionAdjuster* adjuster, HWND control, uint32_t style, uint32_t notifyCode,
            const ControlNotifyHead* head, uint16_t id, const KnobScale* scale) {
    adjuster->control = control;
    adjuster->style = style;
    adjuster->notifyCode = notifyCode;
    adjuster->head = head ? *head : ControlNotifyHead{};
    adjuster->id = id;
    PrecisionAdjusterAttachValues(adjuster, scale, style);
}

// ---- Drawing ----

void DrawScale(const PrecisionAdjuster* adjuster, HDC dc, int index) {
    const int left = index * adjuster->w / 3;
    const int right = (index + 1) * adjuster->w / 3 - 1;
    const double sensitivity = adjuster->sensitivity[index];
    const double tickValue = sensitivity * kTickSpacing;
    const int middle = adjuster->scaleMiddle;
    const double value = adjuster->value;
    // Ticks at whole multiples of tickValue, higher values further up.
    const double top = value + middle * sensitivity;
    const double bottom = value - (adjuster->scaleHeight - middle) * sensitivity;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    for (double k = std::ceil(bottom / tickValue); k * tickValue <= top; k += 1.0) {
        const double tick = k * tickValue;
        if (tick < adjuster->min - tickValue * 0.5 || tick > adjuster->max + tickValue * 0.5)
            continue;
        const int y = middle - static_cast<int>(std::lround((tick - value) / sensitivity));
        const bool numbered = std::fmod(std::fabs(k), kNumberEvery) < 0.5;
        DrawLineAt(dc, 0, left + 4, y, left + (numbered ? 16 : 10), y);
        if (numbered) {
            char text[32];
            FloatToText(static_cast<float>(tick), text, sizeof text,
                        static_cast<uint8_t>(adjuster->decimals), 0, 0);
            DrawTextAt(dc, 0x0, left + 19, y - 5, text);
        }
    }
    DrawBox(dc, kMarkerAttr, left + 3, middle - 9, right - 3, middle + 9);
    char text[32];
    FloatToText(adjuster->value, text, sizeof text, static_cast<uint8_t>(adjuster->decimals), 0, 0);
    DrawTextAt(dc, 0x600, left + 7, middle - 8, text);
    SetBkMode(dc, oldMode);
    DrawBoxOutline(dc, kAttrRelief, left, 0, right, adjuster->scaleHeight - 1);
}

void DrawScales(PrecisionAdjuster* adjuster) {
    if (!adjuster->scales) return;
    HDC screen = GetDC(adjuster->window);
    HDC dc = CreateCompatibleDC(screen);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, adjuster->scales);
        DrawBox(dc, kScalesAttr, 0, 0, adjuster->w, adjuster->scaleHeight);
        for (int i = 0; i < kAdjusterScales; ++i)
            DrawScale(adjuster, dc, i);
        BitBlt(screen, 0, kAdjusterScaleTop, adjuster->w, adjuster->scaleHeight, dc, 0, 0, SRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    ReleaseDC(adjuster->window, screen);
}

void Paint(const PrecisionAdjuster* adjuster, HDC dc) {
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextAt(dc, kAttrRelief | 0x700, 5, 2, "Adjust Value");
    DrawTextAt(dc, kAttrRelief | 0x600, adjuster->w - 186, adjuster->h - 18,
               "Inverse mousemove mode");
    SetBkMode(dc, oldMode);
    BlitWholeBitmap(dc, 0, kAdjusterScaleTop, adjuster->scales);
}

// ---- Value changes ----

void PushValue(PrecisionAdjuster* adjuster) {
    DrawScales(adjuster);
    if (!adjuster->control || !IsWindow(adjuster->control)) return;
    const float value = ControlValue(adjuster);
    adjuster->pushing = 1;
    const LRESULT taken = SendMessageA(adjuster->control, WM_COMMAND, kRequestSetValue,
                                       static_cast<LPARAM>(FloatToBits(value)));
    adjuster->pushing = 0;
    // The owner hears only of values the control holds.
    if (taken) NotifyOwner(&adjuster->head, adjuster->id, FloatToBits(value));
}

void NotifyFrame(const PrecisionAdjuster* adjuster, uint32_t flag) {
    if (adjuster->head.style & kNotifyBeginEnd)
        NotifyOwner(&adjuster->head, adjuster->id | flag, 0);
}

int ScaleAt(const PrecisionAdjuster* adjuster, int x, int y) {
    if (y < kAdjusterScaleTop || y > kAdjusterScaleTop + adjuster->scaleHeight) return 0;
    if (x < adjuster->columns[0]) return 1;
    if (x < adjuster->columns[1]) return 2;
    return 3;
}

// ---- Handlers ----

INT_PTR OnInitDialog(HWND window, PrecisionAdjuster* adjuster) {
    adjuster->window = window;
    if (adjuster->initialised) *adjuster->initialised = 1;
    adjuster->initialised = nullptr;
    SetDialogData(window, adjuster);
    SetToolkitPopup(kPopupAdjuster, window);
    WindowDragInit(&adjuster->drag, window);

    const int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    SetWindowPos(window, nullptr, adjuster->x, adjuster->y, kAdjusterWidth + 2 * frameX,
                 kAdjusterHeight + 2 * frameY, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window, &client);
    adjuster->w = client.right;
    adjuster->h = client.bottom;
    adjuster->columns[0] = adjuster->w / 3;
    adjuster->columns[1] = 2 * adjuster->w / 3;
    adjuster->columns[2] = adjuster->w / 3 - 1;
    adjuster->scaleHeight = adjuster->h - 40 > 1 ? adjuster->h - 40 : 1;
    adjuster->scaleMiddle = adjuster->scaleHeight / 2;

    HDC screen = GetDC(window);
    adjuster->scales = CreateCompatibleBitmap(screen, adjuster->w, adjuster->scaleHeight);
    ReleaseDC(window, screen);
    DrawScales(adjuster);

    adjuster->inverseButton =
        CreateStandardButton(window, kAdjusterInverseButton, adjuster->w - 30, adjuster->h - 18, 0);
    SendMessageA(adjuster->inverseButton, WM_COMMAND, kRequestSetValue,
                 static_cast<LPARAM>(FloatToBits(ToolkitGetOptions()->aIMode ? 1.0f : 0.0f)));
    return FALSE; // the focus stays with the control that opened it
}

void OnDestroy(HWND window, PrecisionAdjuster* adjuster) {
    if (adjuster->active && GetCapture() == window) ReleaseCapture();
    HWND control = adjuster->control;
    if (ToolkitAlive() && control && IsWindow(control))
        SendMessageA(control, WM_COMMAND, adjuster->notifyCode, 0);
    if (adjuster->scales) DeleteObject(adjuster->scales);
    if (ToolkitPopup(kPopupAdjuster) == window) SetToolkitPopup(kPopupAdjuster, nullptr);
    SetDialogData(window, nullptr);
    std::free(adjuster);
}

void OnLeftButtonDown(PrecisionAdjuster* adjuster, int x, int y) {
    const int scale = ScaleAt(adjuster, x, y);
    if (scale) {
        adjuster->active = scale;
        adjuster->lastX = x;
        adjuster->lastY = y;
        adjuster->previousCapture = GetCapture();
        SetCapture(adjuster->window);
        NotifyFrame(adjuster, kNotifyBegin);
        return;
    }
    WindowDragBegin(&adjuster->drag, x, y);
}

void OnMouseMove(PrecisionAdjuster* adjuster, int x, int y) {
    if (adjuster->drag.active) {
        WindowDragMove(&adjuster->drag, x, y);
        return;
    }
    if (!adjuster->active) return;
    const int dx = x - adjuster->lastX;
    const int dy = y - adjuster->lastY;
    adjuster->lastX = x;
    adjuster->lastY = y;
    int d = std::abs(dy) > std::abs(dx) ? dy : dx;
    if (ToolkitGetOptions()->aIMode == 1) d = -d;
    if (d == 0) return;
    float value = adjuster->value + d * adjuster->sensitivity[adjuster->active - 1];
    if (value < adjuster->min) value = adjuster->min;
    if (value > adjuster->max) value = adjuster->max;
    adjuster->value = value;
    PushValue(adjuster);
}

void OnLeftButtonUp(PrecisionAdjuster* adjuster, int x, int y) {
    if (adjuster->drag.active) {
        WindowDragEnd(&adjuster->drag, x, y);
        return;
    }
    if (!adjuster->active) return;
    adjuster->active = 0;
    if (GetCapture() == adjuster->window) ReleaseCapture();
    HWND previous = adjuster->previousCapture;
    adjuster->previousCapture = nullptr;
    if (previous && previous != adjuster->window && IsWindow(previous)) SetCapture(previous);
    NotifyFrame(adjuster, kNotifyEnd);
}

void OnCommand(PrecisionAdjuster* adjuster, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kAdjusterInverseButton: // the toolkit button: lParam is its value
        ToolkitGetOptions()->aIMode = BitsToFloat(static_cast<uint32_t>(lParam)) != 0.0f ? 1 : 0;
        break;
    case IDCANCEL: DestroyWindow(adjuster->window); break;
    default: break;
    }
}

void OnPaint(const PrecisionAdjuster* adjuster) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(adjuster->window, &paint);
    if (dc) Paint(adjuster, dc);
    EndPaint(adjuster->window, &paint);
}

INT_PTR CALLBACK AdjusterDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog(window, reinterpret_cast<PrecisionAdjuster*>(lParam));
    PrecisionAdjuster* adjuster = GetAdjuster(window);
    if (!adjuster) return FALSE;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_LBUTTONDOWN: OnLeftButtonDown(adjuster, x, y); return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(adjuster, x, y); return TRUE;
    case WM_LBUTTONUP: OnLeftButtonUp(adjuster, x, y); return TRUE;
    case WM_COMMAND: OnCommand(adjuster, wParam, lParam); return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(window);
        return TRUE;
    case WM_CLOSE: DestroyWindow(window); return TRUE;
    case WM_PAINT: OnPaint(adjuster); return TRUE;
    case WM_ERASEBKGND: return EraseDialogTextured(window, reinterpret_cast<HDC>(wParam));
    case WM_DESTROY: OnDestroy(window, adjuster); return FALSE;
    default: return FALSE;
    }
}

} // namespace

void PrecisionAdjusterAttachValues(PrecisionAdjuster* adjuster, const KnobScale* scale,
                                   uint32_t style) {
    float value = scale ? scale->value : 0.0f;
    float min = scale ? scale->min : 0.0f;
    float max = scale ? scale->max : 1.0f;
    if (min > max) {
        const float swap = min;
        min = max;
        max = swap;
    }
    if (style & kKnobDecibel) {
        value = ToDecibels(value);
        min = ToDecibels(min);
        max = ToDecibels(max);
        // Whole decibels, rounded inward so that both ends stay values the
        // control takes; a range inside one decibel keeps its own ends.
        const float wholeMin = std::ceil(min);
        const float wholeMax = std::floor(max);
        if (wholeMin <= wholeMax) {
            min = wholeMin;
            max = wholeMax;
        }
    }
    adjuster->value = value < min ? min : (value > max ? max : value);
    adjuster->min = min;
    adjuster->max = max;
    adjuster->range = max - min;
    int e = 0;
    if (adjuster->range > 0.0f) {
        const double power = std::log10(adjuster->range);
        e = static_cast<int>(adjuster->range >= 1.0f ? std::ceil(power) : std::floor(power));
    }
    const double unit = std::pow(10.0, e);
    adjuster->sensitivity[0] = static_cast<float>(unit * 0.001);
    adjuster->sensitivity[1] = static_cast<float>(unit * 0.00001);
    adjuster->sensitivity[2] = static_cast<float>(unit * 0.0000001);
    const int decimals = 6 - e;
    adjuster->decimals = decimals < 1 ? 1 : (decimals > 5 ? 5 : decimals);
}

HWND OpenPrecisionAdjuster(HWND owner, HWND control, uint32_t style, int x, int y,
                           uint32_t notifyCode, const ControlNotifyHead* head, uint16_t id,
                           const KnobScale* scale) {
    if (PrecisionAdjuster* open = OpenAdjuster()) {
        Attach(open, control, style, notifyCode, head, id, scale);
        DrawScales(open);
        BringWindowToTop(open->window);
        return open->window;
    }
    auto* adjuster = static_cast<PrecisionAdjuster*>(std::calloc(1, sizeof(PrecisionAdjuster)));
    if (!adjuster) return nullptr;
    adjuster->x = x;
    adjuster->y = y;
    Attach(adjuster, control, style, notifyCode, head, id, scale);

    HGLOBAL memory = MakeDialogTemplate(
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME, "Precision Tri Slider");
    HWND window = nullptr;
    int32_t initialised = 0;
    adjuster->initialised = &initialised;
    auto* dialogTemplate = memory ? static_cast<LPCDLGTEMPLATEA>(GlobalLock(memory)) : nullptr;
    if (dialogTemplate) {
        if (owner && !IsWindow(owner)) owner = nullptr;
        window = CreateDialogIndirectParamA(ToolkitInstance(), dialogTemplate, owner,
                                            AdjusterDialogProc, reinterpret_cast<LPARAM>(adjuster));
        GlobalUnlock(memory);
    }
    if (memory) GlobalFree(memory);
    // Once the dialog has initialised, its window owns the record and frees
    // it as it goes, even when the creation fails after that.
    if (!initialised) std::free(adjuster);
    return window;
}

void RefreshPrecisionAdjuster(HWND control, uint32_t style, uint32_t notifyCode,
                              const ControlNotifyHead* head, uint16_t id, const KnobScale* scale) {
    PrecisionAdjuster* adjuster = OpenAdjuster();
    if (!adjuster || adjuster->pushing) return;
    if (adjuster->control == control) {
        PrecisionAdjusterAttachValues(adjuster, scale, style);
    } else {
        Attach(adjuster, control, style, notifyCode, head, id, scale);
    }
    DrawScales(adjuster);
}

void ClosePrecisionAdjusterOf(HWND control) {
    PrecisionAdjuster* adjuster = OpenAdjuster();
    if (adjuster && adjuster->control == control) SendMessageA(adjuster->window, WM_CLOSE, 0, 0);
}

const PrecisionAdjuster* PrecisionAdjusterState() {
    return OpenAdjuster();
}
