// The slide's window: creation, the track geometry, the mouse along the
// track, and its drawing. Everything else is the knob's (toolkit/knob.h).
#include "toolkit/slide.h"

#include "toolkit/precision_adjuster.h"

#include <windowsx.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr uint32_t kTrackAttr = 0xC9;     // pen 9, brush 12
constexpr uint32_t kThumbAttr = 0xD0;     // pen 0, brush 13
constexpr uint32_t kThumbHeldAttr = 0xE0; // pen 0, brush 14: while dragged

Knob* GetSlide(HWND window) {
    return static_cast<Knob*>(GetControlData(window));
}

const SlideTrack* Track(const Knob* slide) {
    return slide->track;
}

bool Continuous(const Knob* slide) {
    return (slide->style & kKnobContinuous) != 0;
}

int BitmapSize(HBITMAP bitmap, int32_t* width, int32_t* height) {
    BITMAP info = {};
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0) return 0;
    *width = info.bmWidth;
    *height = info.bmHeight;
    return 1;
}

// Fraction of the range a value stands at, 0 at min and 1 at max.
double Fraction(const KnobScale* scale, float value) {
    double f = 0.0;
    if (scale->scaleFlags & kKnobScaleLog)
        f = std::log(value / scale->min) / std::log(scale->max / scale->min);
    else
        f = (value - scale->min) / (static_cast<double>(scale->max) - scale->min);
    return f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
}

float ValueAtFraction(const KnobScale* scale, double f) {
    double value = scale->scaleFlags & kKnobScaleLog
                       ? scale->min * std::pow(static_cast<double>(scale->max) / scale->min, f)
                       : scale->min + f * (static_cast<double>(scale->max) - scale->min);
    float result = static_cast<float>(value);
    return result < scale->min ? scale->min : (result > scale->max ? scale->max : result);
}

// ---- Creation ----

struct SlideCreateParams {
    const SlideCreate* create;
    const KnobScale* scale;
};

LRESULT OnCreate(HWND window, const CREATESTRUCTA* createStruct) {
    const auto* params = static_cast<const SlideCreateParams*>(createStruct->lpCreateParams);
    if (!params) return -1;
    const SlideCreate* create = params->create;
    auto* slide = static_cast<Knob*>(std::calloc(1, sizeof(Knob)));
    auto* track = static_cast<SlideTrack*>(std::calloc(1, sizeof(SlideTrack)));
    if (!slide || !track) {
        std::free(slide);
        std::free(track);
        return -1;
    }
    track->horizontal = (create->style & kSlideHorizontal) ? 1 : 0;
    track->track = create->track;
    track->thumb = create->thumb;
    const int32_t length = track->horizontal ? create->width : create->height;
    const int32_t breadth = track->horizontal ? create->height : create->width;
    int32_t thumbWidth = 0, thumbHeight = 0;
    if (BitmapSize(create->thumb, &thumbWidth, &thumbHeight)) {
        track->thumbLength = track->horizontal ? thumbWidth : thumbHeight;
        track->thumbBreadth = track->horizontal ? thumbHeight : thumbWidth;
    } else {
        track->thumbLength = kSlideDefaultThumb;
        track->thumbBreadth = breadth;
    }
    track->travel = length - track->thumbLength;

    const uint32_t style = create->style | (create->callback ? kNotifyByCallback : 0);
    slide->owner = create->owner;
    slide->window = window;
    slide->x = create->x;
    slide->y = create->y;
    slide->width = create->width;
    slide->height = create->height;
    slide->id = create->id;
    slide->enabled = 1;
    slide->style = style;
    slide->centreX = create->width / 2;
    slide->centreY = create->height / 2;
    slide->notify = ControlNotifyHead{create->owner, create->callback, style, create->context};
    slide->scale = *params->scale;
    slide->track = track;
    if (!KnobBuildMenus(slide)) {
        std::free(slide);
        std::free(track);
        return -1;
    }
    SetControlData(window, slide);
    return 0;
}

void OnDestroy(HWND window, Knob* slide) {
    SlideTrack* track = slide->track;
    KnobDestroy(window, slide);
    std::free(track);
}

// ---- Mouse ----

// Sets the value at the pointer; reported when it changed and continuous.
void FollowPointer(Knob* slide, int x, int y) {
    if (KnobSetValue(slide, SlideValueAt(slide, x, y)) && Continuous(slide)) KnobNotifyValue(slide);
}

void BeginDrag(Knob* slide, int x, int y) {
    SetFocus(slide->window);
    if (!slide->enabled || slide->dragging) return;
    SetCapture(slide->window);
    KnobShowValueBox(slide);
    slide->dragging = 1;
    slide->lastX = x;
    slide->lastY = y;
    KnobNotifyFrame(slide, 1);
    // The jump to the pointer is part of the drag the notifications frame.
    if (ToolkitGetOptions()->sSetToPos) {
        FollowPointer(slide, x, y);
        KnobUpdateValueBox(slide);
    }
    KnobRedraw(slide);
    KnobRefreshAdjuster(slide);
    KnobStartLatency(slide);
}

void OnLeftButtonDown(Knob* slide, WPARAM keys, int x, int y) {
    if (keys & MK_CONTROL) {
        KnobEditValue(slide);
        return;
    }
    if (keys & MK_SHIFT) {
        KnobAdjustValue(slide);
        return;
    }
    BeginDrag(slide, x, y);
}

void OnMouseMove(Knob* slide, WPARAM keys, int x, int y) {
    const ToolkitOptions* options = ToolkitGetOptions();
    const bool inside = PointInClient(slide->window, x, y) != 0;
    if (!slide->dragging) {
        // Without "Mouse Captured", coming back in with the button held
        // picks the thumb up again.
        if (!options->sCapture && (keys & MK_LBUTTON) && inside) BeginDrag(slide, x, y);
        return;
    }
    if (!options->sCapture && !inside) {
        KnobRelease(slide);
        return;
    }
    if (slide->movesAllowed) {
        if (options->sSetToPos) {
            FollowPointer(slide, x, y);
        } else {
            const int along = Track(slide)->horizontal ? x - slide->lastX : slide->lastY - y;
            KnobApplySteps(slide, along);
        }
        KnobUpdateValueBox(slide);
    }
    slide->lastX = x;
    slide->lastY = y;
}

void OnPaint(Knob* slide) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(slide->window, &paint);
    if (dc) SlidePaint(slide, dc);
    EndPaint(slide->window, &paint);
}

// ---- Drawing ----

void PaintTrack(const Knob* slide, HDC dc) {
    const SlideTrack* track = Track(slide);
    const int w = slide->width;
    const int h = slide->height;
    if (track->track) {
        BlitBitmap(dc, track->track, 0, 0, w, h);
        return;
    }
    DrawBox(dc, kTrackAttr, 0, 0, w, h);
    const int half = track->thumbLength / 2;
    if (track->horizontal)
        DrawBox(dc, kAttrRelief, half, h / 2 - 2, w - half - 1, h / 2 + 1);
    else
        DrawBox(dc, kAttrRelief, w / 2 - 2, half, w / 2 + 1, h - half - 1);
}

void PaintThumb(const Knob* slide, HDC dc) {
    const SlideTrack* track = Track(slide);
    const int at = SlideThumbPosition(slide);
    const int across =
        ((track->horizontal ? slide->height : slide->width) - track->thumbBreadth) / 2;
    const int left = track->horizontal ? at : across;
    const int top = track->horizontal ? across : at;
    const int width = track->horizontal ? track->thumbLength : track->thumbBreadth;
    const int height = track->horizontal ? track->thumbBreadth : track->thumbLength;
    if (track->thumb) {
        BlitBitmap(dc, track->thumb, left, top, width, height);
        return;
    }
    DrawBox(dc, slide->dragging ? kThumbHeldAttr : kThumbAttr, left, top, left + width,
            top + height);
    if (track->horizontal)
        DrawLineAt(dc, 2, left + width / 2, top + 2, left + width / 2, top + height - 2);
    else
        DrawLineAt(dc, 2, left + 2, top + height / 2, left + width - 2, top + height / 2);
}

} // namespace

float SlideValueAt(const Knob* slide, int x, int y) {
    const SlideTrack* track = Track(slide);
    if (track->travel <= 0) return slide->scale.value;
    const int pos = (track->horizontal ? x : y) - track->thumbLength / 2;
    double f = static_cast<double>(pos) / track->travel;
    f = f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
    return ValueAtFraction(&slide->scale, track->horizontal ? f : 1.0 - f);
}

int SlideThumbPosition(const Knob* slide) {
    const SlideTrack* track = Track(slide);
    const double f = Fraction(&slide->scale, slide->scale.value);
    return static_cast<int>(std::lround((track->horizontal ? f : 1.0 - f) * track->travel));
}

void SlidePaint(const Knob* slide, HDC dc) {
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP image = memory ? CreateCompatibleBitmap(dc, slide->width, slide->height) : nullptr;
    HDC target = image ? memory : dc;
    HGDIOBJ old = image ? SelectObject(memory, image) : nullptr;
    PaintTrack(slide, target);
    if (slide->enabled)
        PaintThumb(slide, target);
    else
        DrawCrossMark(target, 4, 4, slide->width - 4, slide->height - 4);
    if (slide->focused) DrawCornerMark(target, 0, 0);
    if (image) {
        BitBlt(dc, 0, 0, slide->width, slide->height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(image);
    }
    if (memory) DeleteDC(memory);
}

HWND CreateSlide(const SlideCreate* create) {
    if (!create || ToolkitInitCount() == 0 || create->id >= kNotifyEnd) return nullptr;
    const int length = (create->style & kSlideHorizontal) ? create->width : create->height;
    if (length <= kSlideDefaultThumb || create->width <= 0 || create->height <= 0) return nullptr;
    KnobScale scale;
    // The angles only satisfy the scale's set-up; a slide maps values to its track.
    if (!KnobScaleInit(&scale, create->min, create->max, create->initial, create->step, 240, 300,
                       create->style & kKnobScaleLog))
        return nullptr;
    SlideCreateParams params = {create, &scale};
    return CreateWindowExA(0, kSlideClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, create->x,
                           create->y, create->width, create->height, create->owner,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(create->id)),
                           ToolkitInstance(), &params);
}

LRESULT CALLBACK SlideWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    Knob* slide = GetSlide(window);
    if (!slide) return DefWindowProcA(window, message, wParam, lParam);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY: OnDestroy(window, slide); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_COMMAND: return KnobOwnerRequest(slide, wParam, lParam);
    case WM_PAINT: OnPaint(slide); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(slide, wParam, x, y); return 0;
    case WM_MOUSEMOVE: OnMouseMove(slide, wParam, x, y); return 0;
    case WM_LBUTTONUP: KnobRelease(slide); return 0;
    case WM_LBUTTONDBLCLK: KnobResetToDefault(slide); return 0;
    case WM_RBUTTONDOWN: KnobContextMenu(slide, wParam, x, y); return 0;
    case WM_MBUTTONDOWN: KnobMiddleButton(slide, wParam); return 0;
    case WM_MOUSEWHEEL: KnobWheel(slide, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_KEYDOWN: KnobKeyDown(slide, wParam, lParam); return 0;
    case WM_TIMER: KnobTimer(slide, wParam); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_SETFOCUS: KnobFocus(slide, 1); return 0;
    case WM_KILLFOCUS: KnobFocus(slide, 0); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
