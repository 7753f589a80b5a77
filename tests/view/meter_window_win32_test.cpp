#include "view/meter_window.h"

#include "sys/settings_store.h"

#include "tests/view/meter_window_test_support.h"

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

    engine_->lostFrames.store(5);
    Command(kCmdRelaxMode);
    EXPECT_EQ(engine_->lostFrames.load(), 0u);
    Command(kCmdNotifyFrameLoss);
    Command(kCmdAlwaysVisible);
    Command(125);
    RightClick();
    EXPECT_FALSE(State(kCmdNotifyFrameLoss) & (MF_GRAYED | MF_CHECKED));
    EXPECT_FALSE(GetWindowLongA(window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
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
        char title[64];
        GetWindowTextA(window(), title, sizeof title);
        EXPECT_STREQ(title, c.title);
    }
    EXPECT_EQ(ui_.entries[1], "Main Out"); // the entry starts from the current name
}

// A placement nobody could see or use (far off the screen, where a
// minimised window is reported, a few pixels) opens the window at the
// stored default when that one is usable, else at the right edge.
TEST_F(MeterWindowMenuTest, UnusablePlacementsOpenAtTheDefault) {
    const RECT builtIn = {GetSystemMetrics(SM_CXSCREEN) - 180, 0, GetSystemMetrics(SM_CXSCREEN),
                          GetSystemMetrics(SM_CYSCREEN)};
    const RECT none = {};
    const struct {
        const char* what;
        MeterRect own;
        RECT stored; // written when not empty
        RECT opened;
    } cases[] = {
        {"own usable", {50, 60, 649, 759}, none, {50, 60, 650, 760}},
        {"minimised", {-32000, -32000, -31841, -31973}, none, builtIn},
        {"far right", {1000000, 0, 1000500, 600}, none, builtIn},
        {"112 x 27", {10, 10, 121, 36}, none, builtIn},
        {"stored usable", {-32000, -32000, -31600, -31400}, {100, 100, 599, 699},
         {100, 100, 600, 700}},
        {"stored far off", {1000000, 0, 1000500, 600}, {-5000, -5000, -4500, -4400}, builtIn},
    };
    // The rows without a stored default come first: nothing removes one.
    const char* names[4] = {kWindowX0Value, kWindowY0Value, kWindowX1Value, kWindowY1Value};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LONG stored[4] = {c.stored.left, c.stored.top, c.stored.right, c.stored.bottom};
        if (c.stored.right != 0)
            for (int i = 0; i < 4; ++i)
                WriteSettingBinary(kMeterWindowKey, names[i], &stored[i], 4);
        MeterConfig config = Config();
        config.windowRect = c.own;
        MeterSetConfig(engine_, &config);
        ASSERT_EQ(1, OpenMeterWindow(&panel_));
        RECT r;
        GetWindowRect(window(), &r);
        EXPECT_TRUE(EqualRect(&r, &c.opened))
            << r.left << "," << r.top << " " << r.right << "," << r.bottom;
        DestroyWindow(window());
    }
}

// Minimising records nothing: the placement kept, stored as default and
// reopened at is the window's normal one.
TEST_F(MeterWindowMenuTest, MinimisedWindowKeepsItsNormalPlacement) {
    ASSERT_TRUE(Open(600, 500, 40, 50));
    RECT normal;
    GetWindowRect(window(), &normal);
    ShowWindow(window(), SW_MINIMIZE);
    Pump();
    SendMessageA(window(), WM_SYSCOMMAND, kSysSetDefaultPlacement, 0);
    const MeterRect kept = Config().windowRect;
    EXPECT_EQ(normal.left, kept.left);
    EXPECT_EQ(normal.top, kept.top);
    int32_t x0 = 0;
    ASSERT_EQ(1, ReadSettingBinaryExact(kMeterWindowKey, kWindowX0Value, &x0, 4));
    EXPECT_EQ(normal.left, x0);
    DestroyWindow(window());
    ASSERT_EQ(1, OpenMeterWindow(&panel_));
    RECT reopened;
    GetWindowRect(window(), &reopened);
    EXPECT_EQ(normal.left, reopened.left);
    EXPECT_EQ(normal.top, reopened.top);
}

} // namespace
