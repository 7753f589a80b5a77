#include "view/status_panel.h"

#include <cstdio>

#include "history/history_store.h"
#include "meter/meter_engine.h"
#include "toolkit/formats.h"
#include "toolkit/free_panel.h"
#include "view/control_panel.h"
#include "view/meter_window.h"

namespace {

constexpr int kBackgroundBitmap = 500;

struct StatusLine {
    const char* pattern;
    int x, y;
    uint32_t attr; // font * 256 + colour
};

const StatusLine kLines[4] = {
    {"TIME : %VmU:00.00.00hs", 2, 0, 2816},
    {"LAST REC : %VmU:00.00.00hs", 10, 20, 1536},
    {"START AT : %VmU:00.00.00hs", 12, 35, 1536},
    {"event %i / %u", 2, 55, 1024},
};

// Seconds as the duration conversion takes them; the history's times never
// pass 2^31 s, but a clamp keeps a wild value from wrapping.
int Seconds(int64_t seconds) {
    if (seconds > INT32_MAX) return INT32_MAX;
    if (seconds < INT32_MIN) return INT32_MIN;
    return static_cast<int>(seconds);
}

LRESULT OnCreate(ControlPanel* panel, HWND window) {
    panel->lampBusy = 0;
    panel->statusTimer = SetTimer(window, kStatusTimerId, kStatusTimerPeriod, nullptr);
    return 0;
}

void OnDestroy(ControlPanel* panel, HWND window) {
    if (panel->statusTimer) KillTimer(window, panel->statusTimer);
    panel->statusTimer = 0;
}

// The panel shows its part of the main window's background.
LRESULT OnEraseBackground(HDC dc) {
    BlitBitmapPart(dc, SharedBitmap(kBackgroundBitmap), 0, 0, kStatusPanelX, kStatusPanelY,
                   kStatusPanelWidth, kStatusPanelHeight);
    return 1;
}

void OnTimer(ControlPanel* panel, HWND window, UINT_PTR id) {
    if (id != kStatusTimerId || panel->lampBusy) return;
    panel->lampPhase = 1 - panel->lampPhase;
    panel->lampBusy = 1;
    HDC dc = GetDC(panel->parent);
    if (dc) {
        BlitBitmap(dc, SharedBitmap(RecordLampBitmap(panel->recordLamp, panel->lampPhase)),
                   kRecordLampX, kRecordLampY, kRecordLampWidth, kRecordLampHeight);
        ReleaseDC(panel->parent, dc);
    }
    panel->lampBusy = 0;
    InvalidateRect(window, nullptr, TRUE);
}

void OnPaint(ControlPanel* panel, HWND window) {
    const HistoryStatus status = MeterGetHistoryStatus(panel->engine);
    char lines[4][64];
    FormatStatusLines(status, lines);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < 4; ++i)
        DrawTextAt(dc, kLines[i].attr, kLines[i].x, kLines[i].y, lines[i]);
    EndPaint(window, &paint);
}

} // namespace

void FormatStatusLines(const HistoryStatus& s, char lines[4][64]) {
    FormatPattern(lines[0], 64, kLines[0].pattern, Seconds(s.currentSeconds));
    FormatPattern(lines[1], 64, kLines[1].pattern, Seconds(s.newestSeconds));
    FormatPattern(lines[2], 64, kLines[2].pattern, static_cast<int>(s.startTime));
    // A plain printf pattern: the toolkit's 'i' conversion wants a picture.
    std::snprintf(lines[3], 64, kLines[3].pattern, static_cast<int>(s.recordCount),
                  static_cast<unsigned>(s.capacity));
}

int RecordLampBitmap(uint32_t recordLamp, uint32_t lampPhase) {
    return recordLamp == 1 && lampPhase != 1 ? kLampLitBitmap : kLampDarkBitmap;
}

HWND CreateStatusPanel(ControlPanel* panel) {
    return CreateFreePanel(panel->parent, 1, kStatusPanelX, kStatusPanelY, kStatusPanelWidth,
                           kStatusPanelHeight, StatusPanelProc, panel);
}

LRESULT StatusPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* context) {
    auto* panel = static_cast<ControlPanel*>(context);
    if (!panel) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return OnCreate(panel, window);
    case WM_DESTROY: OnDestroy(panel, window); return 0;
    case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_TIMER: OnTimer(panel, window, wParam); return 0;
    case WM_PAINT: OnPaint(panel, window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
