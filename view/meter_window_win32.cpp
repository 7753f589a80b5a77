#include "view/meter_window.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <new>

#include "display/display_options_dialog.h"
#include "display/meter_objects.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"
#include "toolkit/toolkit.h"
#include "view/control_panel.h"
#include "view/history_graph.h"
#include "view/loudness_window.h"
#include "view/meter_paint.h"
#include "view/meter_window_internal.h"
#include "view/meter_window_ui.h"

const char kMeterWindowClass[] = "VU-Meters_0001\xA9"
                                 "Ktavin";

namespace {

constexpr int kSharedBitmapIds[6] = {500, 501, 502, 509, 530, 531};
constexpr int kMaxZoom = 120;

// Loaded with the class and released with it: program-wide by nature.
struct SharedResources {
    HINSTANCE instance;
    HBITMAP bitmaps[6];
};
SharedResources g_shared = {};

// The window's own record, in its extra slot. The engine's context may go
// before the window does (the engine's deferred destruction closes the
// window by posting), so the record holds what the window must still free
// and the context pointer is cleared first.
struct MeterWindowRecord {
    HWND window;
    std::atomic<MeterWindowContext*> context; // null once the engine is gone
    HMENU popup;                              // the popup; owns the frame-rate submenu
    POINT anchor;                             // screen point of the last popup
    WindowDragState drag;                     // moving the window by its client area
    HistoryViewState history;                 // the history graph's drag and thumb
    LiveBars bars;                            // what the display thread last drew of the bars
};

MeterWindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<MeterWindowRecord*>(GetWindowLongPtrA(window, 0));
}

ControlPanel* Panel(MeterWindowContext* c) {
    return static_cast<ControlPanel*>(c->controlPanel);
}

void SetControl(HWND control, float value) {
    if (control) SendCommand(control, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}

// ---- Engine hooks ----

// A repaint follows every change of the history as a whole (a load, a
// reset, a jump), so the scroll thumb is set again with it.
void RepaintHook(void* window) {
    InvalidateRect(static_cast<HWND>(window), nullptr, TRUE);
    PostMessageA(static_cast<HWND>(window), kMeterMsgUpdateThumb, 0, 0);
}

// The engine is going away: the window must not touch it any more. On the
// window's own thread it is destroyed at once; from another thread (the
// streaming thread runs a deferred destruction) it is only posted a close,
// since a sent message would wait for a thread that may be waiting for us.
void CloseWindowHook(void* handle) {
    HWND window = static_cast<HWND>(handle);
    if (MeterWindowRecord* record = RecordOf(window)) record->context.store(nullptr);
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        DestroyWindow(window);
    else
        PostMessageA(window, WM_CLOSE, 0, 0);
}

int ReadPlacementHook(void* window, MeterRect* out) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(static_cast<HWND>(window), &placement)) return 0;
    const RECT& r = placement.rcNormalPosition;
    *out = MeterRect{r.left, r.top, r.right, r.bottom};
    return 1;
}

// THE RULE that keeps the threads free of deadlock: drawFrame runs on the
// display thread, and the user-interface thread may be waiting for that
// thread (Stop waits for the streaming thread, which waits for frameDone;
// engine destruction joins the display thread). So nothing reached from
// drawFrame may wait for the user-interface thread: no SendMessage, no
// SetScrollInfo or SetWindowPos on the window, no call that forwards to the
// window's thread. It draws through its own DC (GetDC/ReleaseDC, ScrollDC)
// and posts kMeterMsgUpdateThumb for the scroll bar. closeWindow may run on
// the streaming thread and therefore posts as well.
const MeterDrawHooks kMeterHooks = {
    MeterDrawFrame,    // drawFrame: display thread
    RepaintHook,       // repaint
    CloseWindowHook,   // closeWindow: UI thread or the streaming thread
    ReadPlacementHook, // readPlacement: UI thread
};

// ---- Menus ----

HMENU BuildPopup(HMENU* frameRateMenu) {
    HMENU rates = CreatePopupMenu();
    HMENU popup = CreatePopupMenu();
    if (!rates || !popup) {
        if (rates) DestroyMenu(rates);
        if (popup) DestroyMenu(popup);
        return nullptr;
    }
    for (int fps = 2; fps <= 30; ++fps) {
        char text[16];
        std::snprintf(text, sizeof text, "%i", fps);
        AppendMenuA(rates, MF_STRING, kCmdFrameRateFirst + fps - 2, text);
    }
    AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(rates), "Display Frame Per Second");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kCmdPeak, "PEAK Level");
    AppendMenuA(popup, MF_STRING, kCmdRms, "RMS Level");
    AppendMenuA(popup, MF_STRING, kCmdAverage, "Average Level");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kCmdAlwaysVisible, "Always Visible");
    AppendMenuA(popup, MF_STRING, kCmdDefaultOptions, "Default Options...");
    AppendMenuA(popup, MF_STRING, kCmdChangeName, "Change Window Name...");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kCmdFollowRecord, "Follow Record");
    AppendMenuA(popup, MF_STRING, kCmdEditCueList, "Edit Cue list...");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kCmdNotifyFrameLoss, "Notify me on frame loss.");
    AppendMenuA(popup, MF_STRING, kCmdRelaxMode, "Relax Mode.");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kCmdLoudness, "Loudness...");
    *frameRateMenu = rates;
    return popup;
}

void Check(HMENU menu, UINT id, bool on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// ---- Handlers ----

LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
    auto* context = static_cast<MeterWindowContext*>(create->lpCreateParams);
    auto* record = new (std::nothrow) MeterWindowRecord();
    if (!context || !record) {
        delete record;
        return -1;
    }
    record->window = window;
    record->context.store(context);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(record));
    HMENU rates = nullptr;
    record->popup = BuildPopup(&rates);
    context->popupMenu = record->popup;
    context->frameRateMenu = record->popup ? rates : nullptr;
    WindowDragInit(&record->drag, window);
    MeterAttachWindow(context->engine, window);
    SetHistoryScrollRange(context->engine, window);
    HMENU system = GetSystemMenu(window, FALSE);
    AppendMenuA(system, MF_STRING, kSysWhereIsWindow, "Where is this window !?");
    AppendMenuA(system, MF_STRING, kSysSetDefaultPlacement,
                "Set current Window Position as default settings");
    DragAcceptFiles(window, TRUE);
    return 0;
}

// Files dropped here are the main window's to take, as if dropped there.
void OnDropFiles(MeterWindowContext* context, HDROP drop) {
    ControlPanel* panel = Panel(context);
    if (panel && panel->parent)
        SendMessageA(panel->parent, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    else
        DragFinish(drop);
}

// The engine forgets the window and no frame is drawn into it any more: a
// frame handed over before may still be drawing into it, frames handed over
// later carry no window. Done before the window starts going away (hiding
// it already changes its surface under a drawing thread), and again,
// harmlessly, at destruction. The display thread never waits for this one,
// so waiting here (bounded) closes no cycle.
void StopDrawing(MeterWindowContext* context, HWND window) {
    if (MeterGetWindow(context->engine) != window) return;
    MeterAttachWindow(context->engine, nullptr);
    MeterWaitDisplayIdle(context->engine, 500);
}

void OnClose(MeterWindowContext* context, HWND window) {
    StopDrawing(context, window);
    DestroyWindow(window);
}

void OnDestroy(MeterWindowRecord* record) {
    if (MeterWindowContext* context = record->context.exchange(nullptr)) {
        if (context->cueListDialog) EndDialog(static_cast<HWND>(context->cueListDialog), 0);
        StopDrawing(context, record->window);
        HistoryMouseUp(&record->history);
        context->frameRateMenu = nullptr;
        context->popupMenu = nullptr;
    }
    if (record->popup) DestroyMenu(record->popup);
    record->popup = nullptr;
}

void OnPaint(MeterWindowContext* context, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return;
    SetBkMode(dc, TRANSPARENT);
    PaintMeterColumn(context->engine, dc, window);
    EndPaint(window, &paint);
    // The erase took the bars: the next frame draws them whole.
    if (MeterWindowRecord* record = RecordOf(window)) record->bars.repaints.fetch_add(1);
}

void OnFrameRate(MeterWindowContext* context, int fps) {
    MeterConfig config;
    MeterGetConfig(context->engine, &config);
    config.params.framesPerSecond = fps;
    MeterSetConfig(context->engine, &config);
}

void OnLevelMode(MeterWindowContext* context, MeterLevelMode mode) {
    MeterConfig config;
    MeterGetConfig(context->engine, &config);
    MeterSelectLevelMode(&config, mode);
    if (ControlPanel* panel = Panel(context)) {
        SetControl(panel->peakRadio, mode == kMeterLevelPeak ? 1.0f : 0.0f);
        SetControl(panel->rmsRadio, mode == kMeterLevelRms ? 1.0f : 0.0f);
        SetControl(panel->averageRadio, mode == kMeterLevelAverage ? 1.0f : 0.0f);
    }
    MeterSetConfig(context->engine, &config);
    MeterRepaint(context->engine);
}

void OnAlwaysVisible(MeterWindowContext* context, HWND window) {
    context->alwaysVisible = context->alwaysVisible ? 0 : 1;
    const bool on = context->alwaysVisible == 1;
    // Only the topmost bit: the window keeps accepting dropped files.
    const LONG others = GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_TOPMOST;
    SetWindowLongA(window, GWL_EXSTYLE, others | (on ? WS_EX_TOPMOST : 0));
    SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

void OnDefaultOptions(MeterWindowRecord* record, MeterWindowContext* context, HWND window) {
    const MeterWindowUi* ui = GetMeterWindowUi();
    if (!ui->displayOptions) return;
    if (ui->displayOptions(window, 10, record->anchor.x, record->anchor.y))
        MeterInvalidateDerived(context->engine);
}

// The caption: the meter's name and, while relax mode and "Notify me on
// frame loss." are both on, how many frames the display has lost.
void UpdateCaption(MeterWindowContext* context, HWND window) {
    MeterConfig config;
    MeterGetConfig(context->engine, &config);
    uint32_t relax, notify;
    MeterGetFrameLossSwitches(context->engine, &relax, &notify);
    const uint32_t lost = MeterGetLostFrames(context->engine);
    char text[sizeof config.name + 32];
    if (relax == 1 && notify == 1 && lost > 0)
        std::snprintf(text, sizeof text, "%s - %u frame%s lost", config.name, lost,
                      lost == 1 ? "" : "s");
    else
        lstrcpynA(text, config.name, sizeof text);
    SetWindowTextA(window, text);
}

void OnChangeName(MeterWindowContext* context, HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    MeterConfig config;
    MeterGetConfig(context->engine, &config);
    char name[sizeof config.name];
    lstrcpynA(name, config.name, sizeof name);
    const MeterWindowUi* ui = GetMeterWindowUi();
    char* text = ui->editText(window, kTextEntryOptions, frame.left, frame.top, 150, 22, name);
    if (text && text[0]) {
        SetWindowTextA(window, text);
        lstrcpynA(config.name, text, sizeof config.name);
        MeterSetConfig(context->engine, &config);
        InvalidateRect(window, nullptr, FALSE);
    }
    if (text) ui->freeText(text);
}

void OnFollowRecord(MeterWindowContext* context) {
    MeterFollow(context->engine);
    if (ControlPanel* panel = Panel(context)) SetControl(panel->zoomKnob, 1.0f);
}

void OnEditCueList(MeterWindowRecord* record, MeterWindowContext* context, HWND window) {
    const MeterWindowUi* ui = GetMeterWindowUi();
    if (ui->cueList) ui->cueList(context, window, 0, record->anchor.x, record->anchor.y);
}

void OnFrameLossSwitch(MeterWindowContext* context, HWND window, UINT id) {
    uint32_t relax, notify;
    MeterGetFrameLossSwitches(context->engine, &relax, &notify);
    if (id == kCmdNotifyFrameLoss)
        notify = notify ? 0 : 1;
    else
        relax = relax ? 0 : 1;
    MeterSetFrameLossSwitches(context->engine, relax, notify);
    UpdateCaption(context, window);
    MeterRepaint(context->engine);
}

void OnCommand(MeterWindowRecord* record, MeterWindowContext* context, HWND window, WPARAM id) {
    if (id >= 101 && id <= 139) return OnFrameRate(context, static_cast<int>(id) - 100);
    switch (id) {
    case kCmdPeak: return OnLevelMode(context, kMeterLevelPeak);
    case kCmdRms: return OnLevelMode(context, kMeterLevelRms);
    case kCmdAverage: return OnLevelMode(context, kMeterLevelAverage);
    case kCmdAlwaysVisible: return OnAlwaysVisible(context, window);
    case kCmdDefaultOptions: return OnDefaultOptions(record, context, window);
    case kCmdChangeName: return OnChangeName(context, window);
    case kCmdFollowRecord: return OnFollowRecord(context);
    case kCmdEditCueList: return OnEditCueList(record, context, window);
    case kCmdLoudness: OpenLoudnessWindow(); return;
    case kCmdNotifyFrameLoss:
    case kCmdRelaxMode: return OnFrameLossSwitch(context, window, static_cast<UINT>(id));
    default: return;
    }
}

void OnWhereIsWindow(HWND window) {
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 200, 200, SWP_SHOWWINDOW);
}

void OnSetDefaultPlacement(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    const int32_t values[4] = {r.left, r.top, r.right, r.bottom};
    const char* names[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
    for (int i = 0; i < 4; ++i)
        WriteSettingBinary(kMeterWindowKey, names[i], &values[i], 4);
}

LRESULT OnSysCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (wParam & 0xFFFF) {
    case kSysWhereIsWindow: OnWhereIsWindow(window); return 0;
    case kSysSetDefaultPlacement: OnSetDefaultPlacement(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ZoomStep(MeterWindowContext* context, int step) {
    MeterEngine* engine = context->engine;
    const int zoom = MeterGetZoom(engine);
    int next = zoom + step;
    next = next < 1 ? 1 : next > kMaxZoom ? kMaxZoom : next;
    if (next == zoom) return;
    MeterSetZoom(engine, next);
    MeterRepaint(engine);
    if (ControlPanel* panel = Panel(context)) SetControl(panel->zoomKnob, static_cast<float>(next));
}

void OnKeyDown(MeterWindowContext* context, HWND window, WPARAM key) {
    MeterEngine* e = context->engine;
    switch (key) {
    case VK_PRIOR:
    case VK_UP: ScrollHistory(e, window, kScrollPageBack, 0, 0); break;
    case VK_NEXT:
    case VK_DOWN: ScrollHistory(e, window, kScrollPageForward, 0, 0); break;
    case VK_END: ScrollHistory(e, window, kScrollNewest, 0, 0); break;
    case VK_HOME: ScrollHistory(e, window, kScrollOldest, 0, 0); break;
    case VK_LEFT: ScrollHistory(e, window, kScrollColumnBack, 0, 0); break;
    case VK_RIGHT: ScrollHistory(e, window, kScrollColumnForward, 0, 0); break;
    case VK_ADD: ZoomStep(context, -1); break;
    case VK_SUBTRACT: ZoomStep(context, 1); break;
    default: break;
    }
}

void OnMouseWheel(MeterWindowContext* context, WPARAM wParam) {
    const int step = -(static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA);
    if (step != 0) ZoomStep(context, step);
}

void OnLeftButtonDown(MeterWindowRecord* r, MeterEngine* e, WPARAM keys, int x, int y) {
    if (!HistoryMouseDown(e, &r->history, r->window, keys, x, y)) WindowDragBegin(&r->drag, x, y);
}

void OnMouseMove(MeterWindowRecord* r, MeterEngine* e, int x, int y) {
    if (!HistoryMouseMove(e, &r->history, r->window, x, y)) WindowDragMove(&r->drag, x, y);
}

void OnLeftButtonUp(MeterWindowRecord* r, int x, int y) {
    if (!HistoryMouseUp(&r->history)) WindowDragEnd(&r->drag, x, y);
}

// The thumb update the display thread posted: taken, so the next frame may
// post again.
void OnUpdateThumb(MeterWindowRecord* r, MeterEngine* e) {
    r->history.thumbPosted.store(0);
    UpdateHistoryThumb(e, r->window);
}

void OnRightButtonDown(MeterWindowRecord* record, MeterWindowContext* context, HWND window, int x,
                       int y) {
    if (!record->popup) return;
    UpdateMeterPopup(context);
    POINT point = {x, y};
    ClientToScreen(window, &point);
    record->anchor = point;
    TrackPopupMenu(record->popup, TPM_LEFTALIGN, point.x, point.y, 0, window, nullptr);
}

LRESULT CALLBACK MeterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return OnCreate(window, reinterpret_cast<CREATESTRUCTA*>(lParam));
    MeterWindowRecord* record = RecordOf(window);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        OnDestroy(record);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, 0, 0);
        delete record;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    MeterWindowContext* context = record->context.load();
    if (!context) return DefWindowProcA(window, message, wParam, lParam);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_PAINT: OnPaint(context, window); return 0;
    case WM_CLOSE: OnClose(context, window); return 0;
    case WM_MOVE:
    case WM_SIZE: MeterSavePlacement(context->engine, window); break;
    case WM_COMMAND: OnCommand(record, context, window, wParam); return 0;
    case WM_SYSCOMMAND: return OnSysCommand(window, message, wParam, lParam);
    case WM_KEYDOWN: OnKeyDown(context, window, wParam); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(context, wParam); return 0;
    case WM_HSCROLL:
        ScrollHistory(context->engine, window, static_cast<uint32_t>(wParam), HIWORD(wParam), 0);
        return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(record, context->engine, wParam, x, y); return 0;
    case WM_MOUSEMOVE: OnMouseMove(record, context->engine, x, y); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(record, x, y); return 0;
    case WM_RBUTTONDOWN: OnRightButtonDown(record, context, window, x, y); return 0;
    case WM_DROPFILES: OnDropFiles(context, reinterpret_cast<HDROP>(wParam)); return 0;
    case kMeterMsgUpdateThumb: OnUpdateThumb(record, context->engine); return 0;
    case kMeterMsgFrameLoss: UpdateCaption(context, window); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

uint32_t PaletteColour(int index) {
    return PaletteColor(static_cast<uint16_t>(index));
}

const MeterSettingsHooks kSettingsHooks = {
    BuildMeterObjects,   // buildObjects
    DestroyMeterObjects, // destroyObjects
    CloseDisplayOptions, // closeDialog
    PaletteColour,       // paletteColor
};

// The four default-placement values; 1 only when all four were read.
int ReadDefaultPlacement(RECT* out) {
    int32_t v[4];
    const char* names[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
    for (int i = 0; i < 4; ++i)
        if (!ReadSettingBinaryExact(kMeterWindowKey, names[i], &v[i], 4)) return 0;
    *out = RECT{v[0], v[1], v[2], v[3]};
    return 1;
}

constexpr DWORD kMeterWindowStyle = WS_VISIBLE | WS_CLIPCHILDREN | WS_DLGFRAME | WS_HSCROLL |
                                    WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kVisibleWidth = 64; // what must lie on a monitor for the window to be found
constexpr int kVisibleHeight = 32;

// Whether a window rectangle can be seen and used: large enough to show a
// meter column of one channel, and with a piece of it on some monitor's
// work area to be taken with the mouse (the whole client area drags the
// window). A stored placement can be anything: far off the screen, the
// place Windows gives a minimised window, or a few pixels.
bool PlacementUsable(const RECT& r) {
    RECT least = {0, 0, kMinMeterWidth + 29, kMinGraphHeight + 40};
    AdjustWindowRectEx(&least, kMeterWindowStyle, FALSE, 0);
    least.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (r.right - r.left < least.right - least.left || r.bottom - r.top < least.bottom - least.top)
        return false;
    HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONULL);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoA(monitor, &info)) return false;
    RECT shown;
    return IntersectRect(&shown, &r, &info.rcWork) && shown.right - shown.left >= kVisibleWidth &&
           shown.bottom - shown.top >= kVisibleHeight;
}

// The placement a window opens at: the engine's own when it is usable, else
// the stored default when that is, else the right edge of the screen.
RECT OpeningPlacement(const MeterRect& own) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    // Rectangles are kept with inclusive right and bottom edges.
    const RECT mine = {own.left, own.top, own.right + 1, own.bottom + 1};
    if (own.right - own.left > 5 && own.bottom - own.top > 5 && PlacementUsable(mine)) return mine;
    RECT stored;
    if (ReadDefaultPlacement(&stored)) {
        const RECT r = {stored.left, stored.top, stored.right + 1, stored.bottom + 1};
        if (PlacementUsable(r)) return r;
    }
    return RECT{screenW - 180, 0, screenW, screenH};
}

// Re-places an open window at the engine's placement unless it is there.
void ReplaceOpenWindow(HWND window, const MeterRect& rect) {
    if (!PlacementUsable(RECT{rect.left, rect.top, rect.right, rect.bottom})) return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    if (r.left == rect.left && r.top == rect.top && r.right == rect.right &&
        r.bottom == rect.bottom)
        return;
    placement.rcNormalPosition = RECT{rect.left, rect.top, rect.right, rect.bottom};
    placement.flags = 0;
    placement.showCmd = SW_SHOWNORMAL;
    SetWindowPlacement(window, &placement);
    BringWindowToTop(window);
}

} // namespace

void UpdateMeterPopup(MeterWindowContext* context) {
    HMENU popup = static_cast<HMENU>(context->popupMenu);
    HMENU rates = static_cast<HMENU>(context->frameRateMenu);
    if (!popup || !rates) return;
    MeterConfig config;
    MeterGetConfig(context->engine, &config);
    for (int fps = 2; fps <= 30; ++fps)
        Check(rates, kCmdFrameRateFirst + fps - 2, fps == config.params.framesPerSecond);
    const MeterLevelMode mode = MeterGetLevelMode(&config.params);
    Check(popup, kCmdPeak, mode == kMeterLevelPeak);
    Check(popup, kCmdRms, mode == kMeterLevelRms);
    Check(popup, kCmdAverage, mode == kMeterLevelAverage);
    Check(popup, kCmdAlwaysVisible, context->alwaysVisible == 1);
    uint32_t relax, notify;
    MeterGetFrameLossSwitches(context->engine, &relax, &notify);
    // "Notify me on frame loss." only matters, and only changes, in relax mode.
    EnableMenuItem(popup, kCmdNotifyFrameLoss,
                   MF_BYCOMMAND | (relax == 1 ? MF_ENABLED : MF_GRAYED));
    Check(popup, kCmdRelaxMode, relax == 1);
    Check(popup, kCmdNotifyFrameLoss, notify == 1);
}

const MeterDrawHooks* MeterWindowHooks() {
    return &kMeterHooks;
}

int RegisterMeterWindowClass(HINSTANCE instance) {
    g_shared.instance = instance;
    // Missing bitmaps stay null: their users draw without them.
    for (int i = 0; i < 6; ++i)
        g_shared.bitmaps[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(kSharedBitmapIds[i]));
    SetMeterSettingsHooks(&kSettingsHooks);
    RegisterLoudnessWindowClass(instance);
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MeterWindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kMeterWindowClass;
    return RegisterClassA(&wc) ? 1 : 0;
}

void UnregisterMeterWindowClass(HINSTANCE instance) {
    UnregisterClassA(kMeterWindowClass, instance);
    UnregisterLoudnessWindowClass(instance);
    for (HBITMAP& bitmap : g_shared.bitmaps) {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
    }
    SetMeterSettingsHooks(nullptr);
}

LiveBars* MeterWindowLiveBars(HWND window) {
    MeterWindowRecord* record = RecordOf(window);
    return record ? &record->bars : nullptr;
}

HistoryViewState* MeterWindowHistoryView(HWND window) {
    MeterWindowRecord* record = RecordOf(window);
    return record ? &record->history : nullptr;
}

HBITMAP SharedBitmap(int resource) {
    for (int i = 0; i < 6; ++i)
        if (kSharedBitmapIds[i] == resource) return g_shared.bitmaps[i];
    return nullptr;
}

int OpenMeterWindow(ControlPanel* panel) {
    MeterEngine* engine = panel ? panel->engine : nullptr;
    if (!engine) return 0;
    // The hooks keep the rule written above kMeterHooks: nothing they do on
    // the display or streaming thread waits for this thread.
    MeterSetDrawHooks(engine, &kMeterHooks);
    MeterWindowContext* context = MeterGetWindowContext(engine);
    context->controlPanel = panel;
    MeterConfig config;
    MeterGetConfig(engine, &config);
    if (HWND open = static_cast<HWND>(MeterGetWindow(engine))) {
        ReplaceOpenWindow(open, config.windowRect);
        return 1;
    }
    const RECT r = OpeningPlacement(config.windowRect);
    // Topmost as "Always Visible" last left it (it starts checked).
    const DWORD exStyle = context->alwaysVisible ? WS_EX_TOPMOST : 0;
    HWND window = CreateWindowExA(exStyle, kMeterWindowClass, config.name, kMeterWindowStyle,
                                  r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                                  nullptr, g_shared.instance, context);
    if (!window) return 0;
    ShowWindow(window, SW_SHOW);
    return 1;
}
