#include "view/status_panel.h"

#include <gtest/gtest.h>

#include <vector>

#include "history/history_store.h"
#include "tests/app/main_window_test_support.h"

namespace {

TEST(StatusPanelLines, ShowTimesAndHowFullTheHistoryIs) {
    struct Case {
        HistoryStatus status;
        const char* lines[4];
    };
    const Case kCases[] = {
        {{0, kHistoryCapacity, 0, 0, 0},
         {"TIME : 00h00m00s", "LAST REC : 00h00m00s", "START AT : 00h00m00s", "event 0 / 432000"}},
        {{432000, kHistoryCapacity, 3723, 3722, 60},
         {"TIME : 01h02m03s", "LAST REC : 01h02m02s", "START AT : 00h01m00s",
          "event 432000 / 432000"}},
        {{17, kHistoryCapacity, 360000 + 59, 360000, 0},
         {"TIME : 100h00m59s", "LAST REC : 100h00m00s", "START AT : 00h00m00s",
          "event 17 / 432000"}},
    };
    for (const Case& c : kCases) {
        char lines[4][64];
        FormatStatusLines(c.status, lines);
        for (int i = 0; i < 4; ++i)
            EXPECT_STREQ(lines[i], c.lines[i]);
    }
}

COLORREF Pixel(HDC dc, int x, int y) {
    return GetPixel(dc, x, y);
}

// The lamp's pixel as drawn on the main window, against the two bitmaps.
int LampShown(HWND window) {
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    const int x = 9, y = 7; // the lens, in the lamp
    int shown = 0;
    for (int bitmap : {kLampLitBitmap, kLampDarkBitmap}) {
        HGDIOBJ old = SelectObject(memory, SharedBitmap(bitmap));
        if (Pixel(memory, x, y) == Pixel(dc, kRecordLampX + x, kRecordLampY + y)) shown = bitmap;
        SelectObject(memory, old);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return shown;
}

using StatusPanelTest = apptest::MainWindowTest;

TEST_F(StatusPanelTest, RecordLampBlinksWhileRecordingAndStaysDarkOtherwise) {
    HWND status = p().panel.statusPanel;
    ASSERT_NE(p().panel.statusTimer, 0u);
    // Not recording: dark whatever the phase; recording: lit and dark take turns.
    const uint32_t kRecordLamp[] = {0, 0, 1, 1, 1, 0};
    std::vector<int> shown;
    for (uint32_t lamp : kRecordLamp) {
        p().panel.recordLamp = lamp;
        SendMessageA(status, WM_TIMER, kStatusTimerId, 0);
        shown.push_back(LampShown(window()));
    }
    const std::vector<int> dark = {kLampDarkBitmap, kLampDarkBitmap};
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 2), dark);
    EXPECT_EQ(shown[5], kLampDarkBitmap);
    EXPECT_NE(shown[2], 0);
    EXPECT_NE(shown[3], 0);
    EXPECT_NE(shown[2], shown[3]);
    EXPECT_EQ(shown[2], shown[4]);
    // The timer drives the same step by itself every 300 ms.
    p().panel.recordLamp = 1;
    const uint32_t phase = p().panel.lampPhase;
    apptest::Pump(700);
    EXPECT_TRUE(apptest::PumpUntil([&] { return p().panel.lampPhase != phase; }, 1000));
}

} // namespace
