#include "view/status_panel.h"

#include <gtest/gtest.h>

#include <vector>

#include "history/history_store.h"
#include "meter/meter_engine.h"
#include "tests/app/main_window_test_support.h"
#include "tests/support/history_slots.h"

namespace {

TEST(StatusPanelLines, ShowTimesPast99HoursAndHowFullTheHistoryIs) {
    const HistoryStatus status = {432000, kHistoryCapacity, 360000 + 59, 360000, 3723};
    const char* const expected[4] = {"TIME : 100h00m59s", "LAST REC : 100h00m00s",
                                     "START AT : 01h02m03s", "event 432000 / 432000"};
    char lines[4][64];
    FormatStatusLines(status, lines);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(lines[i], expected[i]);
}

// The lamp's lens as drawn on the main window: which of the two bitmaps it shows.
int LampShown(HWND window) {
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    const int x = 9, y = 7;
    int shown = 0;
    for (int bitmap : {kLampLitBitmap, kLampDarkBitmap}) {
        HGDIOBJ old = SelectObject(memory, SharedBitmap(bitmap));
        if (GetPixel(memory, x, y) == GetPixel(dc, kRecordLampX + x, kRecordLampY + y))
            shown = bitmap;
        SelectObject(memory, old);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return shown;
}

using StatusPanelTest = apptest::MainWindowTest;

TEST_F(StatusPanelTest, RecordLampBlinksWhileRecordingAndStaysDarkOtherwise) {
    ASSERT_NE(p().panel.statusTimer, 0u);
    // Not recording: dark whatever the phase; recording: lit and dark take turns.
    const uint32_t kRecordLamp[] = {0, 0, 1, 1, 1, 0};
    std::vector<int> shown;
    for (uint32_t lamp : kRecordLamp) {
        p().panel.recordLamp = lamp;
        SendMessageA(p().panel.statusPanel, WM_TIMER, kStatusTimerId, 0);
        shown.push_back(LampShown(window()));
    }
    const int lit = kLampLitBitmap, dark = kLampDarkBitmap;
    EXPECT_TRUE(shown == (std::vector<int>{dark, dark, lit, dark, lit, dark}) ||
                shown == (std::vector<int>{dark, dark, dark, lit, dark, dark}));
    // The timer drives the same step by itself every 300 ms.
    p().panel.recordLamp = 1;
    const uint32_t phase = p().panel.lampPhase;
    EXPECT_TRUE(apptest::PumpUntil([&] { return p().panel.lampPhase != phase; }, 1700));
}

// Each tick shows the history as it is now: slots recorded since change
// the lines.
TEST_F(StatusPanelTest, LinesFollowTheHistoryOnEveryTick) {
    HWND status = p().panel.statusPanel;
    auto picture = [status] {
        SendMessageA(status, WM_TIMER, kStatusTimerId, 0);
        UpdateWindow(status);
        RECT r;
        GetClientRect(status, &r);
        HDC dc = GetDC(status);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < r.bottom; y += 2)
            for (int x = 0; x < r.right; x += 2)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(status, dc);
        return pixels;
    };
    const std::vector<COLORREF> before = picture();
    EXPECT_EQ(before, picture()) << "nothing changed, nothing moves";
    testsupport::AppendSlots(p().engine, 100);
    EXPECT_NE(before, picture());
}

} // namespace
