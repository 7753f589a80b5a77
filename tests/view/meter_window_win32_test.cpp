#include "view/meter_window.h"

#include "sys/settings_store.h"
#include "view/meter_window_layout.h"
#include "tests/view/meter_window_test_support.h"

namespace {

using mwtest::Dib;
using mwtest::Palette;

class MeterWindowMenuTest : public mwtest::MeterWindowTest {
  protected:
    UINT State(UINT id) {
        HMENU menu = static_cast<HMENU>(context()->popupMenu);
        if (id >= kCmdFrameRateFirst && id <= kCmdFrameRateLast)
            menu = static_cast<HMENU>(context()->frameRateMenu);
        return GetMenuState(menu, id, MF_BYCOMMAND);
    }
    // Right-clicks the window; the popup is closed again from a timer.
    static void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }
    void RightClick() {
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseMenu);
        SendMessageA(window(), WM_RBUTTONDOWN, 0, MAKELPARAM(50, 50));
        KillTimer(nullptr, timer);
    }
    void Command(UINT id) { SendMessageA(window(), WM_COMMAND, id, 0); }
    RECT WindowRect() {
        RECT r;
        GetWindowRect(window(), &r);
        return r;
    }
};

TEST_F(MeterWindowMenuTest, ChecksAndGraysFollowTheEngine) {
    ASSERT_TRUE(Open());
    RightClick();
    EXPECT_TRUE(State(110) & MF_CHECKED); // 10 frames per second
    EXPECT_FALSE(State(111) & MF_CHECKED);
    EXPECT_TRUE(State(kCmdPeak) & MF_CHECKED);
    EXPECT_FALSE(State(kCmdRms) & MF_CHECKED);
    EXPECT_TRUE(State(kCmdAlwaysVisible) & MF_CHECKED);
    // Without relax mode "Notify me on frame loss." is gray but keeps its check.
    EXPECT_TRUE(State(kCmdNotifyFrameLoss) & MF_GRAYED);
    EXPECT_TRUE(State(kCmdNotifyFrameLoss) & MF_CHECKED);
    EXPECT_FALSE(State(kCmdRelaxMode) & MF_CHECKED);

    engine_->lostFrames.store(5);
    Command(kCmdRelaxMode);
    EXPECT_EQ(engine_->lostFrames.load(), 0u);
    Command(kCmdNotifyFrameLoss);
    Command(kCmdAlwaysVisible);
    Command(125);
    RightClick();
    EXPECT_FALSE(State(kCmdNotifyFrameLoss) & (MF_GRAYED | MF_CHECKED));
    EXPECT_TRUE(State(kCmdRelaxMode) & MF_CHECKED);
    EXPECT_FALSE(State(kCmdAlwaysVisible) & MF_CHECKED);
    EXPECT_FALSE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(State(125) & MF_CHECKED);
    EXPECT_FALSE(State(110) & MF_CHECKED);
    EXPECT_EQ(Config().params.framesPerSecond, 25);
    EXPECT_EQ(Config().params2.framesPerSecond, 10); // the rate goes into the first copy only
}

TEST_F(MeterWindowMenuTest, LevelModesInBothCopiesAndOnThePanel) {
    ASSERT_TRUE(Open());
    const struct {
        UINT id;
        uint32_t peak, rms;
        float peakRadio, rmsRadio, averageRadio;
    } steps[] = {
        {kCmdRms, 0, 1, 0, 1, 0},     // RMS clears the PEAK bit
        {kCmdAverage, 0, 0, 0, 0, 1}, // Average clears both
        {kCmdPeak, 1, 0, 1, 0, 0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.id);
        Command(s.id);
        const MeterConfig c = Config();
        for (const MeterParams* p : {&c.params, &c.params2}) {
            EXPECT_EQ(p->peakSelect & 1, s.peak);
            EXPECT_EQ(p->rmsSelect & 1, s.rms);
        }
        EXPECT_EQ(peak_.LastValue(), s.peakRadio);
        EXPECT_EQ(rms_.LastValue(), s.rmsRadio);
        EXPECT_EQ(average_.LastValue(), s.averageRadio);
        RightClick();
        EXPECT_TRUE(State(s.id) & MF_CHECKED);
    }
}

TEST_F(MeterWindowMenuTest, WheelAndKeypadStepTheZoom) {
    ASSERT_TRUE(Open());
    FillHistory(500);
    const struct {
        UINT message;
        WPARAM wParam;
        int32_t zoomBefore, zoomAfter;
    } cases[] = {
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 2, 1},        // +120 lowers the zoom
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 1, 1},        // not below 1
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-240)), 5, 7}, // -240 raises it by 2
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 119), 5, 5},        // less than a notch: nothing
        {WM_KEYDOWN, VK_SUBTRACT, 120, 120},              // not above 120
        {WM_KEYDOWN, VK_SUBTRACT, 7, 8},
        {WM_KEYDOWN, VK_ADD, 7, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.message << " at zoom " << c.zoomBefore);
        MeterSetZoom(engine_, c.zoomBefore);
        zoom_.Clear();
        SendMessageA(window(), c.message, c.wParam, 0);
        EXPECT_EQ(MeterGetZoom(engine_), c.zoomAfter);
        EXPECT_EQ(Config().params2.zoom, c.zoomAfter);
        EXPECT_EQ(zoom_.LastValue(), c.zoomAfter == c.zoomBefore ? -1.0f : float(c.zoomAfter));
        EXPECT_EQ(Store()->viewPos % c.zoomAfter, 0);
    }
}

TEST_F(MeterWindowMenuTest, ChangeWindowName) {
    ASSERT_TRUE(Open());
    RECT frame = WindowRect();
    const struct {
        const char* typed;
        bool fails;
        const char* name;
        const char* title;
    } cases[] = {
        {"Main Out", false, "Main Out", "Main Out"},
        {"", false, "Main Out", "Main Out"},       // an empty name keeps the old one
        {"ignored", true, "Main Out", "Main Out"}, // so does a text entry that gives nothing
        {"A name much longer than thirty-one characters", false, "A name much longer than thirty-",
         "A name much longer than thirty-one characters"},
    };
    for (const auto& c : cases) {
        ui_.typed = c.typed;
        ui_.returnNull = c.fails;
        Command(kCmdChangeName);
        EXPECT_STREQ(Config().name, c.name);
        char title[64];
        GetWindowTextA(window(), title, sizeof title);
        EXPECT_STREQ(title, c.title);
    }
    ASSERT_EQ(ui_.entries.size(), 4u);
    EXPECT_EQ(ui_.entries[0], "VU-Meter");
    EXPECT_EQ(ui_.entries[1], "Main Out");
    EXPECT_EQ(ui_.entryAt.x, frame.left);
    EXPECT_EQ(ui_.entryAt.y, frame.top);
}

TEST_F(MeterWindowMenuTest, WhereIsThisWindowIsTopmostButLeavesTheCheck) {
    ASSERT_TRUE(Open(600, 400, 300, 200));
    Command(kCmdAlwaysVisible); // off
    ASSERT_FALSE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SendMessageA(window(), WM_SYSCOMMAND, kSysWhereIsWindow, 0);
    const RECT r = WindowRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_TRUE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RightClick();
    EXPECT_FALSE(State(kCmdAlwaysVisible) & MF_CHECKED);
}

TEST_F(MeterWindowMenuTest, PlacementIsKeptWhileClosed) {
    ASSERT_TRUE(Open(600, 400, 50, 60));
    const MeterRect placed = Config().windowRect;
    EXPECT_EQ(Config().windowOpen, 1u);
    EXPECT_EQ(1, OpenMeterWindow(&panel_)); // open already: nothing moves
    EXPECT_EQ(Config().windowRect.left, placed.left);
    DestroyWindow(window());
    EXPECT_EQ(Config().windowOpen, 0u);
    EXPECT_EQ(Config().windowRect.right, placed.right);
    // Reopened at the last placement, one pixel wider and taller.
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    const RECT r = WindowRect();
    EXPECT_EQ(r.left, placed.left);
    EXPECT_EQ(r.top, placed.top);
    EXPECT_EQ(r.right, placed.right + 1);
    EXPECT_EQ(r.bottom, placed.bottom + 1);
}

TEST_F(MeterWindowMenuTest, FirstOpeningUsesTheStoredDefaultOrTheRightEdge) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    RECT r = WindowRect();
    EXPECT_EQ(r.left, sw - 180);
    EXPECT_EQ(r.right - r.left, 180);
    EXPECT_EQ(r.bottom - r.top, sh);
    DestroyWindow(window());
    MeterConfig c = Config();
    c.windowRect = MeterRect{};
    MeterSetConfig(engine_, &c);
    // A stored placement one pixel larger than the screen comes back so.
    const int32_t values[4] = {0, 0, sw, sh};
    const char* names[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
    for (int i = 0; i < 4; ++i)
        WriteSettingBinary(kMeterWindowKey, names[i], &values[i], 4);
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    r = WindowRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, sw + 1);
    EXPECT_EQ(r.bottom - r.top, sh + 1);
    RECT client;
    GetClientRect(window(), &client);
    EXPECT_GT(client.right, sw - 20);
}

TEST_F(MeterWindowMenuTest, TooSmallAreasShowNotEnoughPlace) {
    const struct {
        int w, h;
        bool usable;
    } cases[] = {{400, 250, false}, {150, 280, false}, {400, 320, true}, {150, 320, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        ASSERT_TRUE(Open(c.w, c.h));
        RECT client;
        GetClientRect(window(), &client);
        Repaint();
        Dib dib(client.right, client.bottom, RGB(9, 9, 9));
        dib.CaptureClient(window());
        int textPixels = 0, outside = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                const bool inText = x < 80 && y < 26;
                const COLORREF p = dib.At(x, y);
                if (inText && mwtest::NearWhite(p)) ++textPixels;
                if (!inText && p != RGB(0, 0, 0)) ++outside;
            }
        if (c.usable) {
            const MeterLayout l = MeterWindowLayout(0, 0, client.right, client.bottom, 2);
            EXPECT_EQ(dib.At(l.historyWidth + 31, 10), Palette(11)); // the header box
        } else {
            EXPECT_GT(textPixels, 0);
            EXPECT_EQ(outside, 0);
        }
        DestroyWindow(window());
    }
}

} // namespace
