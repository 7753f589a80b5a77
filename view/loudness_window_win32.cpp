#include "view/loudness_window.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "meter/meter_engine.h"
#include "sys/settings_store.h"

const char kLoudnessWindowClass[] = "Loudness_0001\xA9"
                                    "Ktavin";
const char kLoudnessWindowTitle[] = "Loudness";

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr int kRowHeight = 20;
constexpr int kLabelX = 8;
constexpr int kLabelWidth = 100;
constexpr int kValueX = 112;
constexpr int kValueWidth = 120;
constexpr int kClientWidth = 240;
constexpr int kStatusY = 8 + kLoudnessRows * kRowHeight + 4;
constexpr int kResetY = kStatusY + kRowHeight + 4;
constexpr int kClientHeight = kResetY + 24 + 8;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

const char* const kLabels[kLoudnessRows] = {"Momentary",   "Short-term",  "Integrated", "Range",
                                            "True peak L", "True peak R", "Time"};

// Program-wide by nature: one window, one source, one placement per run.
struct LoudnessWindowGlobals {
    HINSTANCE instance;
    LoudnessSource source;
    bool hasSource;
    HWND window;
    RECT placement; // the last one this run; empty until the window closed once
};
LoudnessWindowGlobals g_loudness = {};

// The window's own record, in its extra slot.
struct LoudnessWindowRecord {
    HWND window;
    HWND values[kLoudnessRows];
    HWND status;
    UINT period;                                      // the timer's, in ms: the meter's frame rate
    char shown[kLoudnessRows + 1][kLoudnessTextSize]; // on screen: only changes are set
};

LoudnessWindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<LoudnessWindowRecord*>(GetWindowLongPtrA(window, 0));
}

void FormatValue(char* out, double value, const char* unit) {
    if (std::isfinite(value))
        std::snprintf(out, kLoudnessTextSize, "%.1f %s", value, unit);
    else
        std::snprintf(out, kLoudnessTextSize, "-- %s", unit);
}

UINT FramePeriod() {
    int fps = 10;
    if (g_loudness.hasSource && g_loudness.source.engineSlot && *g_loudness.source.engineSlot) {
        MeterConfig config;
        MeterGetConfig(*g_loudness.source.engineSlot, &config);
        fps = config.params.framesPerSecond;
    }
    if (fps < 1) fps = 1;
    if (fps > 30) fps = 30;
    return UINT(1000 / fps);
}

HWND MakeStatic(HWND parent, int id, int x, int y, int width, DWORD align, const char* text) {
    HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | align, x, y, width,
                                   kRowHeight - 2, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                                   g_loudness.instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return control;
}

void SetIfChanged(HWND control, char* shown, const char* text) {
    if (std::strcmp(shown, text) == 0) return;
    std::snprintf(shown, kLoudnessTextSize, "%s", text);
    SetWindowTextA(control, text);
}

// ---- Handlers ----

LRESULT OnCreate(HWND window) {
    auto* record = new (std::nothrow) LoudnessWindowRecord();
    if (!record) return -1;
    record->window = window;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(record));
    for (int row = 0; row < kLoudnessRows; ++row) {
        const int y = 8 + row * kRowHeight;
        MakeStatic(window, 0, kLabelX, y, kLabelWidth, SS_LEFT, kLabels[row]);
        record->values[row] =
            MakeStatic(window, kLoudnessFirstValueId + row, kValueX, y, kValueWidth, SS_RIGHT, "");
    }
    record->status =
        MakeStatic(window, kLoudnessStatusId, kLabelX, kStatusY, kClientWidth - 16, SS_LEFT, "");
    HWND reset = CreateWindowExA(0, "BUTTON", "Reset", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                 kClientWidth - 88, kResetY, 80, 24, window,
                                 reinterpret_cast<HMENU>(INT_PTR(kLoudnessResetId)),
                                 g_loudness.instance, nullptr);
    SendMessageA(reset, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    record->period = FramePeriod();
    SetTimer(window, kTimerId, record->period, nullptr);
    return 0;
}

void OnTimer(LoudnessWindowRecord* record) {
    if (!g_loudness.hasSource) return;
    const LoudnessSource& source = g_loudness.source;
    LoudnessReading reading;
    if (LiveLoudnessRead(source.live, &reading)) {
        char rows[kLoudnessRows][kLoudnessTextSize];
        FormatLoudnessRows(reading, rows);
        for (int row = 0; row < kLoudnessRows; ++row)
            SetIfChanged(record->values[row], record->shown[row], rows[row]);
    }
    if (source.describe) {
        char status[kLoudnessTextSize] = "";
        source.describe(source.context, status, sizeof status);
        SetIfChanged(record->status, record->shown[kLoudnessRows], status);
    }
    const UINT period = FramePeriod();
    if (period != record->period) {
        record->period = period;
        SetTimer(record->window, kTimerId, period, nullptr);
    }
}

void OnCommand(LoudnessWindowRecord* record, int id) {
    if (id != kLoudnessResetId || !g_loudness.hasSource) return;
    if (g_loudness.source.reset) g_loudness.source.reset(g_loudness.source.context);
    OnTimer(record);
}

void StorePlacement(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    g_loudness.placement = r;
    const int32_t v[4] = {r.left, r.top, r.right, r.bottom};
    const char* names[4] = {kLoudnessX0Value, kLoudnessY0Value, kLoudnessX1Value, kLoudnessY1Value};
    for (int i = 0; i < 4; ++i)
        WriteSettingBinary(kMeterWindowKey, names[i], &v[i], 4);
}

void OnDestroy(LoudnessWindowRecord* record) {
    KillTimer(record->window, kTimerId);
    StorePlacement(record->window);
    if (g_loudness.window == record->window) g_loudness.window = nullptr;
    SetWindowLongPtrA(record->window, 0, 0);
    delete record;
}

LRESULT CALLBACK LoudnessWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return OnCreate(window);
    LoudnessWindowRecord* record = RecordOf(window);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_TIMER: OnTimer(record); return 0;
    case WM_COMMAND: OnCommand(record, LOWORD(wParam)); return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: OnDestroy(record); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The placement this run kept, else the stored one, else the work area's
// bottom left corner (clear of the main window, which opens at the top);
// only where a part of it can be seen.
RECT OpeningPlacement() {
    RECT want = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&want, kStyle, FALSE, 0);
    const int width = want.right - want.left, height = want.bottom - want.top;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT corner = {work.left, work.bottom - height, work.left + width, work.bottom};
    RECT r = g_loudness.placement;
    int32_t v[4];
    const char* names[4] = {kLoudnessX0Value, kLoudnessY0Value, kLoudnessX1Value, kLoudnessY1Value};
    if (r.right <= r.left) {
        bool stored = true;
        for (int i = 0; i < 4 && stored; ++i)
            stored = ReadSettingBinaryExact(kMeterWindowKey, names[i], &v[i], 4) == 1;
        r = stored ? RECT{v[0], v[1], v[2], v[3]} : corner;
    }
    r.right = r.left + width;
    r.bottom = r.top + height;
    RECT shown;
    if (!IntersectRect(&shown, &r, &work) || shown.right - shown.left < 64 ||
        shown.bottom - shown.top < 32)
        r = corner;
    return r;
}

} // namespace

void FormatLoudnessRows(const LoudnessReading& r, char rows[kLoudnessRows][kLoudnessTextSize]) {
    FormatValue(rows[kRowMomentary], r.momentary, "LUFS");
    FormatValue(rows[kRowShortTerm], r.shortTerm, "LUFS");
    FormatValue(rows[kRowIntegrated], r.integrated, "LUFS");
    FormatValue(rows[kRowRange], r.range, "LU");
    FormatValue(rows[kRowTruePeakLeft], r.truePeakDb[0], "dBTP");
    FormatValue(rows[kRowTruePeakRight], r.truePeakDb[1], "dBTP");
    const uint64_t seconds = r.frames / 44100;
    std::snprintf(rows[kRowTime], kLoudnessTextSize, "%llu:%02u:%02u",
                  static_cast<unsigned long long>(seconds / 3600), unsigned(seconds / 60 % 60),
                  unsigned(seconds % 60));
}

int RegisterLoudnessWindowClass(HINSTANCE instance) {
    g_loudness.instance = instance;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = LoudnessWindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kLoudnessWindowClass;
    return RegisterClassA(&wc) ? 1 : 0;
}

void UnregisterLoudnessWindowClass(HINSTANCE instance) {
    UnregisterClassA(kLoudnessWindowClass, instance);
}

void SetLoudnessSource(const LoudnessSource* source) {
    g_loudness.hasSource = source != nullptr;
    g_loudness.source = source ? *source : LoudnessSource{};
}

HWND OpenLoudnessWindow() {
    if (g_loudness.window) {
        ShowWindow(g_loudness.window, SW_SHOWNORMAL);
        BringWindowToTop(g_loudness.window);
        return g_loudness.window;
    }
    const RECT r = OpeningPlacement();
    g_loudness.window = CreateWindowExA(
        0, kLoudnessWindowClass, kLoudnessWindowTitle, kStyle | WS_VISIBLE, r.left, r.top,
        r.right - r.left, r.bottom - r.top, nullptr, nullptr, g_loudness.instance, nullptr);
    if (g_loudness.window) {
        if (LoudnessWindowRecord* record = RecordOf(g_loudness.window)) OnTimer(record);
    }
    return g_loudness.window;
}

HWND LoudnessWindow() {
    return g_loudness.window;
}

void CloseLoudnessWindow() {
    if (g_loudness.window) DestroyWindow(g_loudness.window);
    g_loudness.window = nullptr;
}
