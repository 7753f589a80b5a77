#include "view/meter_window.h"

#include "sys/settings_store.h"
#include "tests/view/meter_window_test_support.h"

#include <string>

namespace {

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
};

TEST_F(MeterWindowMenuTest, ChecksAndGraysFollowTheEngine) {
    ASSERT_TRUE(Open());
    RightClick();
    // Without relax mode "Notify me on frame loss." is gray but keeps its check.
    EXPECT_TRUE(State(kCmdNotifyFrameLoss) & MF_GRAYED);
    EXPECT_TRUE(State(kCmdNotifyFrameLoss) & MF_CHECKED);
    EXPECT_TRUE(State(kCmdAlwaysVisible) & MF_CHECKED);

    engine_->lostFrames.store(5);
    Command(kCmdRelaxMode);
    EXPECT_EQ(engine_->lostFrames.load(), 0u);
    Command(kCmdNotifyFrameLoss);
    Command(kCmdAlwaysVisible);
    Command(125);
    RightClick();
    EXPECT_FALSE(State(kCmdNotifyFrameLoss) & (MF_GRAYED | MF_CHECKED));
    EXPECT_FALSE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(State(kCmdAlwaysVisible) & MF_CHECKED);
    EXPECT_EQ(Config().params.framesPerSecond, 25);
    EXPECT_EQ(Config().params2.framesPerSecond, 10); // the rate goes into the first copy only
}

TEST_F(MeterWindowMenuTest, WheelAndKeypadStepTheZoom) {
    ASSERT_TRUE(Open());
    FillHistory(500);
    const struct {
        UINT message;
        WPARAM wParam;
        int32_t zoomBefore, zoomAfter;
    } cases[] = {
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 1, 1},        // +120 lowers the zoom, not below 1
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-240)), 5, 7}, // -240 raises it by 2
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 119), 5, 5},        // less than a notch: nothing
        {WM_KEYDOWN, VK_SUBTRACT, 120, 120},              // not above 120
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

// The arrows scroll the history a column (zoom slots) back or forward.
TEST_F(MeterWindowMenuTest, ArrowKeysScrollAColumn) {
    ASSERT_TRUE(Open());
    FillHistory(500);
    MeterSetZoom(engine_, 5);
    const int32_t end = Store()->viewPos;
    SendMessageA(window(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(Store()->viewPos, end - 5);
    SendMessageA(window(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(Store()->viewPos, end);
}

TEST_F(MeterWindowMenuTest, ChangeWindowName) {
    ASSERT_TRUE(Open());
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
        EXPECT_EQ(modaltest::Text(window()), c.title);
    }
    EXPECT_EQ(ui_.entries[1], "Main Out"); // the entry starts from the current name
}

class MeterWindowPlacementTest : public mwtest::MeterWindowTest {
  protected:
    void SetWindowRect(const MeterRect& r) {
        MeterConfig c = Config();
        c.windowRect = r;
        MeterSetConfig(engine_, &c);
    }
    // Stores the first count of the four default-placement values (left, top,
    // right, bottom), after removing any stored before; -1 stores all four
    // far off the screen.
    void StoreDefault(int count, const int32_t (&values)[4]) {
        RegDeleteKeyA(HKEY_CURRENT_USER, (root_.root() + "\\" + kMeterWindowKey).c_str());
        const char* names[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
        const int32_t farOff[4] = {-5000, -5000, -4500, -4400};
        for (int i = 0; i < (count < 0 ? 4 : count); ++i)
            WriteSettingBinary(kMeterWindowKey, names[i], count < 0 ? &farOff[i] : &values[i], 4);
    }
    RECT WindowRect() {
        RECT r = {};
        GetWindowRect(window(), &r);
        return r;
    }
};

// A rectangle from the store or from the last placement comes back one pixel
// wider and taller than it was: right - left + 1 by bottom - top + 1.
TEST_F(MeterWindowPlacementTest, FirstOpening) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char* name;
        int stored; // how many of the default's four values are stored
        MeterRect last;
        int x, y, w, h; // w = 0: not checked (the smallest size Windows allows)
    } cases[] = {
        {"nothing stored: a strip along the right edge", 0, {}, sw - 180, 0, 180, sh},
        {"three of four stored: the strip", 3, {}, sw - 180, 0, 180, sh},
        {"the stored default", 4, {}, 100, 50, 300, 300},
        {"the last placement", 4, {300, 200, 599, 499}, 300, 200, 300, 300},
        {"5 pixels wide is no placement", 4, {300, 200, 305, 499}, 100, 50, 300, 300},
        {"5 pixels tall is no placement", 4, {300, 200, 599, 205}, 100, 50, 300, 300},
        // What cannot be seen or used gives the stored default, or the strip.
        {"6 by 6 is too small", 4, {300, 200, 306, 206}, 100, 50, 300, 300},
        {"112 x 27 is too small", 4, {10, 10, 121, 36}, 100, 50, 300, 300},
        {"where a minimised window is", 4, {-32000, -32000, -31841, -31973}, 100, 50, 300, 300},
        {"far right", 4, {1000000, 0, 1000500, 600}, 100, 50, 300, 300},
        {"nearly off the top left", 4, {-590, -290, 40, 20}, 100, 50, 300, 300},
        {"the default far off too", -1, {1000000, 0, 1000500, 600}, sw - 180, 0, 180, sh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreDefault(c.stored, {100, 50, 399, 349});
        SetWindowRect(c.last);
        ASSERT_EQ(1, OpenMeterWindow(&panel_));
        const RECT r = WindowRect();
        EXPECT_EQ(c.x, r.left);
        EXPECT_EQ(c.y, r.top);
        if (c.w) {
            EXPECT_EQ(c.w, r.right - r.left);
            EXPECT_EQ(c.h, r.bottom - r.top);
        }
        DestroyWindow(window());
    }
}

TEST_F(MeterWindowPlacementTest, ReopenedWhereItWasOnePixelLarger) {
    SetWindowRect({300, 200, 599, 499});
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    const MeterRect placed = Config().windowRect; // as Windows reports it
    EXPECT_EQ(1u, Config().windowOpen);
    EXPECT_EQ(1, OpenMeterWindow(&panel_)); // open already: nothing moves
    RECT r = WindowRect();
    EXPECT_TRUE(r.left == 300 && r.top == 200 && r.right == placed.right &&
                r.bottom == placed.bottom);
    DestroyWindow(window());
    EXPECT_EQ(0u, Config().windowOpen);
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    r = WindowRect();
    EXPECT_TRUE(r.left == 300 && r.top == 200 && r.right == placed.right + 1 &&
                r.bottom == placed.bottom + 1)
        << r.right - r.left << " x " << r.bottom - r.top;
}

// Minimising records nothing: the placement kept, stored as the default and
// reopened at is the window's normal one.
TEST_F(MeterWindowPlacementTest, MinimisedWindowKeepsItsNormalPlacement) {
    SetWindowRect({40, 50, 639, 549});
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    const RECT normal = WindowRect();
    ShowWindow(window(), SW_MINIMIZE);
    Pump();
    SendMessageA(window(), WM_SYSCOMMAND, kSysSetDefaultPlacement, 0);
    EXPECT_EQ(normal.left, Config().windowRect.left);
    EXPECT_EQ(normal.top, Config().windowRect.top);
    int32_t x0 = 0;
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterWindowKey, kWindowX0Value, &x0, 4));
    EXPECT_EQ(normal.left, x0);
    DestroyWindow(window());
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    EXPECT_EQ(normal.left, WindowRect().left);
    EXPECT_EQ(normal.top, WindowRect().top);
}

} // namespace
