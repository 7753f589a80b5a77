#include "toolkit/info_box.h"
#include "toolkit/knob.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using tktest::Command;
using tktest::Event;
using tktest::Mouse;

constexpr uint16_t kId = 0x123;
constexpr int kFace = 32; // needle centre (16, 16), needle length 12
constexpr COLORREF kFaceColor = RGB(180, 180, 180);

HBITMAP MakeFace() {
    return tktest::MakeKnobFace(kFace, kFaceColor);
}

struct FakeTimer {
    int started = 0, killed = 0;
    UINT lastMs = 0;
} g_fake;
UINT_PTR FakeSetTimer(HWND, UINT_PTR id, UINT ms) {
    ++g_fake.started;
    g_fake.lastMs = ms;
    return id;
}
void FakeKillTimer(HWND, UINT_PTR) {
    ++g_fake.killed;
}
const KnobTimerOps kFakeTimer = {FakeSetTimer, FakeKillTimer};

float Value(HWND knob) {
    return SendCommand(knob, kRequestGetValue, 0);
}
void SetValue(HWND knob, float value) {
    SendMessageA(knob, WM_COMMAND, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}
void Menu(HWND knob, UINT command) {
    SendMessageA(knob, WM_COMMAND, command, 0);
}

POINT AtAngle(float degrees, float radius) {
    float a = degrees * 3.14159265f / 180.0f;
    return POINT{16 + static_cast<LONG>(std::lround(radius * std::cos(a))),
                 16 - static_cast<LONG>(std::lround(radius * std::sin(a)))};
}

COLORREF PixelAt(HWND window, POINT p) {
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, p.x, p.y);
    ReleaseDC(window, dc);
    return color;
}
bool IsNeedle(COLORREF c) {
    return c == PaletteColor(0) || c == PaletteColor(10);
}

class KnobTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        face_ = MakeFace();
        g_fake = FakeTimer{};
        KnobSetTimerOps(&kFakeTimer);
    }
    void TearDown() override {
        tktest::ToolkitTest::TearDown();
        KnobSetTimerOps(nullptr);
        DeleteObject(face_);
    }
    HWND Make(float min, float max, float initial, float step, uint32_t style, int x = 100,
              int start = 240, int end = 300) {
        HWND knob = CreateKnob(owner(), kId, x, 50, style, face_, 16, 16, start, end, min, max,
                               initial, step, nullptr, nullptr);
        EXPECT_NE(knob, nullptr);
        return knob;
    }

    HBITMAP face_ = nullptr;
};

TEST_F(KnobTest, OwnerRequestsNeverReportBack) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, kKnobContinuous);
    SetValue(knob, 200.0f);
    EXPECT_EQ(Value(knob), 10.0f);
    SetValue(knob, 96.0f);
    EXPECT_EQ(Value(knob), 96.0f);
    EXPECT_TRUE(owner_->Take().empty());
}

// Two presses each: the second meets the clamp and reports nothing. By default
// an upward wheel notch steps five down.
TEST_F(KnobTest, UpArrowAndWheelStepClampAndReportOnce) {
    EXPECT_EQ(options()->rotMode, 1u);
    const struct {
        UINT message;
        WPARAM wParam;
        float initial, clamped;
    } cases[] = {{WM_KEYDOWN, VK_UP, 99.5f, 100.0f},
                 {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 5.0f, 0.0f}};
    for (const auto& c : cases) {
        HWND knob = Make(0.0f, 100.0f, c.initial, 1.0f, kKnobContinuous);
        SendMessageA(knob, c.message, c.wParam, 0);
        SendMessageA(knob, c.message, c.wParam, 0);
        EXPECT_FLOAT_EQ(Value(knob), c.clamped);
        EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, c.clamped)}) << c.message;
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, LatencyHoldsTheValueButReleaseStillReports) {
    options()->rotLatency = 300;
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    EXPECT_TRUE(g_fake.started == 1 && g_fake.lastMs == 300u);
    Mouse(knob, WM_MOUSEMOVE, 16, 40);
    EXPECT_EQ(Value(knob), 50.0f);
    Mouse(knob, WM_LBUTTONUP, 16, 40);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 50.0f)});
    EXPECT_EQ(g_fake.killed, 1);
}

TEST_F(KnobTest, SpringLoadedReleaseSendsTheDraggedValueThenTheDefault) {
    options()->rotMode = 0;
    HWND knob = Make(-10.0f, 10.0f, 0.0f, 0.5f, kKnobSpring | kNotifyBeginEnd);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 22, 16);
    EXPECT_EQ(Value(knob), 3.0f);
    Mouse(knob, WM_LBUTTONUP, 22, 16);
    EXPECT_EQ(Value(knob), 0.0f);
    EXPECT_EQ(owner_->Take(), (std::vector<Event>{{WM_COMMAND, kId | kNotifyBegin, 0},
                                                  Command(kId, 3.0f),
                                                  Command(kId, 0.0f),
                                                  {WM_COMMAND, kId | kNotifyEnd, 0}}));
}

TEST_F(KnobTest, AngularModeToggledOnOneKnobChangesAll) {
    HWND a = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 20);
    HWND b = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 100);
    Menu(a, kKnobMenuAngular);
    EXPECT_EQ(options()->rotMode, 3u);
    POINT top = AtAngle(90.0f, 10.0f);
    Mouse(b, WM_LBUTTONDOWN, 16, 16);
    Mouse(b, WM_MOUSEMOVE, top.x, top.y); // linear mode would step down (clamped)
    Mouse(b, WM_LBUTTONUP, top.x, top.y);
    EXPECT_NEAR(Value(b), 150.0f, 0.5f);
}

std::vector<std::string> ReadMenu(HMENU menu) {
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        if (info.fType & MFT_SEPARATOR) { // Wine reports separators as grayed
            items.push_back("-");
            continue;
        }
        items.push_back(std::to_string(info.hSubMenu ? 0 : info.wID) + "|" + text + "|" +
                        (info.fState & MFS_CHECKED ? "c" : "") +
                        (info.fState & MFS_GRAYED ? "g" : ""));
    }
    return items;
}

const std::vector<std::string> kPlainItems = {"10|Inverse Mousemove Mode|c",
                                              "12|Angular Mousemove Mode|",
                                              "-",
                                              "20|Display Knob Moves|",
                                              "0|Time before change value...|",
                                              "0|Info Box...|",
                                              "-",
                                              "50|Current value :+40.000|g",
                                              "100|Default value (0.000000)\tDBLCLICK|",
                                              "103|Edit Value\tINS [CTRL+CLICK]|",
                                              "104|Adjust Value\t[SHIFT+CLICK]|",
                                              "-",
                                              "101|Value Min (-180.000000)|",
                                              "102|Value Max (+40.000000)|c"};

TEST_F(KnobTest, ContextMenusOfAPlainAndADecibelKnob) {
    HWND knob = Make(-180.0f, 40.0f, 0.0f, 0.25f, kKnobEditPlain);
    SetValue(knob, 40.0f);
    HMENU menu = KnobPrepareContextMenu(knob);
    EXPECT_EQ(ReadMenu(menu), kPlainItems);
    EXPECT_EQ(ReadMenu(GetSubMenu(menu, 4)),
              (std::vector<std::string>{"1000|Latency 0 ms|c", "1100|Latency 100 ms|",
                                        "1200|Latency 200 ms|", "1300|Latency 300 ms|",
                                        "1400|Latency 400 ms|", "1500|Latency 500 ms|"}));
    EXPECT_EQ(
        ReadMenu(GetSubMenu(menu, 5)),
        (std::vector<std::string>{"2000|Enable Info Value Box|c", "-", "2001|Display on Left Top|",
                                  "2002|Display on Right Top|", "2003|Display on Right Bottom|c",
                                  "2004|Display on Left Bottom|"}));

    knob = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobDecibel, 20);
    std::vector<std::string> expected = kPlainItems;
    expected[7] = "50|Current value :0.000 db|g";
    expected[8] = "100|Default value (0.0 db)\tDBLCLICK|c";
    expected[12] = "101|Value Min (-20.0 db)|";
    expected[13] = "102|Value Max (+6.0 db)|";
    EXPECT_EQ(ReadMenu(KnobPrepareContextMenu(knob)), expected);
}

TEST_F(KnobTest, ValueBoxFollowsTheDrag) {
    options()->rotMode = 0;
    options()->infoValue = 0x80000001; // left top
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, 0);
    HWND box = ToolkitValueBox();
    char text[64] = {};
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    POINT expected = {20, 30};
    ClientToScreen(owner(), &expected);
    RECT rect;
    GetWindowRect(box, &rect);
    EXPECT_TRUE(IsWindowVisible(box) && rect.left == expected.x && rect.top == expected.y);
    Mouse(knob, WM_MOUSEMOVE, 20, 16);
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "54.000");
    Mouse(knob, WM_LBUTTONUP, 20, 16);
    EXPECT_FALSE(IsWindowVisible(box));
}

TEST_F(KnobTest, NeedleAtMinMidAndMax) {
    const struct {
        int start, end;
        float value, degrees; // value on a 0-1 knob
    } cases[] = {
        {240, 300, 0.0f, 240.0f}, {240, 300, 0.5f, 90.0f}, {240, 300, 1.0f, 300.0f},
        {220, 319, 0.0f, 220.0f}, {220, 319, 0.5f, 89.5f}, {220, 319, 1.0f, 319.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "->" << c.end << " at " << c.value);
        HWND knob = Make(0.0f, 1.0f, c.value, 0.01f, 0x000000A0, 100, c.start, c.end);
        UpdateWindow(owner());
        UpdateWindow(knob);
        for (float r : {4.0f, 7.0f, 10.0f})
            EXPECT_TRUE(IsNeedle(PixelAt(knob, AtAngle(c.degrees, r)))) << "radius " << r;
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 180.0f, 8.0f)), kFaceColor);
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 90.0f, 8.0f)), kFaceColor);
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, FocusDotAndDisabledCross) {
    HWND knob = Make(0.0f, 1.0f, 0.5f, 0.01f, 0x000000A0);
    UpdateWindow(knob);
    const POINT dot = {16, 24};
    EXPECT_EQ(PixelAt(knob, dot), kFaceColor);
    SetFocus(knob);
    EXPECT_EQ(PixelAt(knob, dot), PaletteColor(2));
    SetFocus(owner());
    EXPECT_EQ(PixelAt(knob, dot), kFaceColor);

    Menu(knob, kRequestDisable);
    EXPECT_EQ(PixelAt(knob, POINT{16, 16}), PaletteColor(15));
    EXPECT_EQ(PixelAt(knob, POINT{9, 9}), PaletteColor(15));
    EXPECT_EQ(PixelAt(knob, POINT{16, 9}), kFaceColor); // no needle on a disabled knob
    Menu(knob, kRequestEnable);
    EXPECT_TRUE(IsNeedle(PixelAt(knob, POINT{16, 9})));
}

} // namespace
