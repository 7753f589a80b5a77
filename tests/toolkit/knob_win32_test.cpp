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

Event Begin() { return Event{WM_COMMAND, kId | kNotifyBegin, 0}; }
Event End() { return Event{WM_COMMAND, kId | kNotifyEnd, 0}; }

// A grey disc with a darker rim on black (ORed through the round mask).
HBITMAP MakeFace() {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kFace, kFace);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, kFace, kFace, BLACKNESS);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(110, 110, 110));
    HBRUSH brush = CreateSolidBrush(kFaceColor);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    Ellipse(dc, 2, 2, kFace - 2, kFace - 2);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// The latency timer, replaced: records requests; tests fire it with WM_TIMER.
struct FakeTimer {
    int started = 0, killed = 0;
    UINT lastMs = 0;
} g_fake;
UINT_PTR FakeSetTimer(HWND, UINT_PTR id, UINT ms) {
    ++g_fake.started;
    g_fake.lastMs = ms;
    return id;
}
void FakeKillTimer(HWND, UINT_PTR) { ++g_fake.killed; }
const KnobTimerOps kFakeTimer = {FakeSetTimer, FakeKillTimer};

float Value(HWND knob) { return SendCommand(knob, kRequestGetValue, 0); }
void SetValue(HWND knob, float value) {
    SendMessageA(knob, WM_COMMAND, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}
void Menu(HWND knob, UINT command) { SendMessageA(knob, WM_COMMAND, command, 0); }
void Drag(HWND knob, int x0, int y0, int x1, int y1) {
    Mouse(knob, WM_LBUTTONDOWN, x0, y0);
    Mouse(knob, WM_MOUSEMOVE, x1, y1);
    Mouse(knob, WM_LBUTTONUP, x1, y1);
}

// A point at `degrees` and `radius` from the knob centre, in client pixels.
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
bool IsNeedle(COLORREF c) { return c == PaletteColor(0) || c == PaletteColor(10); }

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

TEST_F(KnobTest, CreationRefusesWhatCannotWork) {
    HWND o = owner();
    EXPECT_FALSE(CreateKnob(o, 0x4000, 0, 0, 0, face_, 16, 16, 240, 300, 0, 1, 0, .1f, 0, 0));
    EXPECT_FALSE(CreateKnob(o, 1, 0, 0, 0, nullptr, 16, 16, 240, 300, 0, 1, 0, .1f, 0, 0));
    EXPECT_FALSE(CreateKnob(o, 1, 0, 0, 0, face_, 16, 16, 240, 300, 1, 1, 1, .1f, 0, 0));
    EXPECT_FALSE(CreateKnob(o, 1, 0, 0, kKnobLogScale, face_, 16, 16, 240, 300, 0, 10, 1, 2, 0, 0));
    RECT rect;
    GetClientRect(Make(0.1f, 96.0f, 10.0f, 0.1f, 0), &rect);
    EXPECT_TRUE(rect.right == kFace && rect.bottom == kFace);
}

TEST_F(KnobTest, OwnerRequestsNeverReportBack) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, kKnobContinuous);
    SetValue(knob, 200.0f);
    EXPECT_EQ(Value(knob), 10.0f);
    SetValue(knob, 96.0f);
    EXPECT_EQ(Value(knob), 96.0f);
    EXPECT_TRUE(owner_->Take().empty());
}

TEST_F(KnobTest, ArrowKeysStepClampAndReport) {
    const struct {
        const char* name;
        uint32_t style;
        float initial;
        std::vector<WPARAM> keys;
        float value;
        std::vector<Event> events;
    } cases[] = {
        {"up clamps, one report", kKnobContinuous, 39.9f, {VK_UP, VK_UP}, 40, {Command(kId, 40)}},
        {"not continuous: silent", 0, 39.9f, {VK_UP}, 40.0f, {}},
        {"down: ten steps", kKnobContinuous, 0.0f, {VK_DOWN}, -2.5f, {Command(kId, -2.5f)}},
        {"spring ignores arrows", kKnobContinuous | kKnobSpring, 0, {VK_UP, VK_LEFT}, 0, {}},
        {"tab goes to the owner", kKnobContinuous, 0, {VK_TAB}, 0, {Event{WM_KEYDOWN, VK_TAB, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND knob = Make(-180.0f, 40.0f, c.initial, 0.25f, c.style);
        for (WPARAM key : c.keys)
            SendMessageA(knob, WM_KEYDOWN, key, 0);
        EXPECT_FLOAT_EQ(Value(knob), c.value);
        EXPECT_EQ(owner_->Take(), c.events);
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, WheelStepsFiveDownPerUpwardNotchByDefault) {
    EXPECT_EQ(options()->rotMode, 1u);
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);
    SendMessageA(knob, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(Value(knob), 45.0f);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 45.0f)});
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

    // Once the timer fires, moves count from where the cursor then was.
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 16, 40);
    SendMessageA(knob, WM_TIMER, kKnobLatencyTimer, 0);
    Mouse(knob, WM_MOUSEMOVE, 16, 45);
    EXPECT_EQ(Value(knob), 55.0f);
    Mouse(knob, WM_LBUTTONUP, 16, 45);
    EXPECT_EQ(owner_->Take(), (std::vector<Event>{Command(kId, 55.0f), Command(kId, 55.0f)}));

    options()->rotLatency = 0; // no timer at all
    Drag(knob, 16, 16, 18, 16);
    EXPECT_EQ(g_fake.started, 2);
    EXPECT_EQ(Value(knob), 57.0f);
}

TEST_F(KnobTest, AngularModeFollowsTheCursorAndSnapsInTheGap) {
    options()->rotMode = 3;
    HWND knob = Make(0.0f, 300.0f, 150.0f, 1.0f, 0);
    const struct {
        float degrees, value;
    } cases[] = {{90, 150}, {180, 60}, {285, 300}, {255, 0}, {0, 240}};
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    for (const auto& c : cases) {
        POINT p = AtAngle(c.degrees, 200.0f);
        Mouse(knob, WM_MOUSEMOVE, p.x, p.y);
        EXPECT_NEAR(Value(knob), c.value, 0.5f) << c.degrees;
    }
    Mouse(knob, WM_MOUSEMOVE, 16, 16); // on the centre: ignored
    Mouse(knob, WM_LBUTTONUP, 16, 16);
    std::vector<Event> events = owner_->Take();
    ASSERT_EQ(events.size(), 1u); // not continuous: only the release
    EXPECT_NEAR(BitsToFloat(events[0].value), 240.0f, 0.5f);
}

TEST_F(KnobTest, SpringLoadedReleaseSendsTheDraggedValueThenTheDefault) {
    options()->rotMode = 0;
    HWND knob = Make(-10.0f, 10.0f, 0.0f, 0.5f, kKnobSpring | kNotifyBeginEnd);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 22, 16);
    EXPECT_EQ(Value(knob), 3.0f);
    Mouse(knob, WM_LBUTTONUP, 22, 16);
    EXPECT_EQ(Value(knob), 0.0f);
    EXPECT_EQ(owner_->Take(),
              (std::vector<Event>{Begin(), Command(kId, 3.0f), Command(kId, 0.0f), End()}));
}

TEST_F(KnobTest, AngularModeToggledOnOneKnobChangesAll) {
    HWND a = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 20);
    HWND b = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 100);
    Menu(a, kKnobMenuAngular);
    EXPECT_EQ(options()->rotMode, 3u);
    POINT top = AtAngle(90.0f, 10.0f);
    Drag(b, 16, 16, top.x, top.y); // linear mode would step down (clamped)
    EXPECT_NEAR(Value(b), 150.0f, 0.5f);
    Menu(b, kKnobMenuAngular); // back, keeping the inverse bit
    EXPECT_EQ(options()->rotMode, 1u);
    Drag(a, 16, 16, 16, 20);
    EXPECT_EQ(Value(a), 4.0f);
}

TEST_F(KnobTest, ResetAndValueCommandsAreFramed) {
    const struct {
        UINT command;
        bool enabled;
        float value;
    } cases[] = {{kKnobMenuDefault, true, 5.0f}, {kKnobMenuMin, true, 1.0f},
                 {kKnobMenuDefault, false, 7.0f}, {kKnobMenuPreset + 3, true, 7.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << (c.enabled ? "" : " disabled"));
        HWND knob = Make(1.0f, 9.0f, 5.0f, 0.5f, kNotifyBeginEnd | kKnobEditPlain);
        SetValue(knob, 7.0f);
        if (!c.enabled) Menu(knob, kRequestDisable);
        Menu(knob, c.command);
        EXPECT_EQ(Value(knob), c.value);
        std::vector<Event> framed = {Begin(), Command(kId, c.value), End()};
        EXPECT_EQ(owner_->Take(), c.value == 7.0f ? std::vector<Event>{} : framed);
        DestroyWindow(knob);
    }
    HWND knob = Make(1.0f, 9.0f, 5.0f, 0.5f, 0);
    SetValue(knob, 7.0f);
    SendMessageA(knob, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16));
    EXPECT_EQ(Value(knob), 5.0f);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 5.0f)});
    const float presets[] = {2.0f, 8.5f};
    EXPECT_EQ(KnobSetPresets(knob, presets, 2), 2);
    Menu(knob, kKnobMenuPreset + 1);
    EXPECT_EQ(Value(knob), 8.5f);
}

TEST_F(KnobTest, MenuCommandsSetToolkitOptions) {
    HWND knob = Make(0.0f, 1.0f, 0.0f, 0.1f, 0);
    options()->infoValue = 0xF0000003; // bits 28-30 go with the enable bit
    Menu(knob, kKnobMenuInfoBox);
    EXPECT_EQ(options()->infoValue, 0x00000003u);
    Menu(knob, kKnobMenuInverse);
    EXPECT_EQ(options()->rotMode, 0u);
    Menu(knob, kKnobMenuLatency + 300);
    EXPECT_EQ(options()->rotLatency, 300u);
}

// The items of a menu as "id|text|flags" (c: checked, g: grayed; "-" for a
// separator, id 0 for a submenu).
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

const std::vector<std::string> kOptionItems = {
    "10|Inverse Mousemove Mode|c", "12|Angular Mousemove Mode|", "-",
    "20|Display Knob Moves|", "0|Time before change value...|", "0|Info Box...|"};

const std::vector<std::string> kPlainItems = [] {
    std::vector<std::string> items = kOptionItems;
    for (const char* item :
         {"-", "50|Current value :+40.000|g", "100|Default value (0.000000)\tDBLCLICK|",
          "103|Edit Value\tINS [CTRL+CLICK]|", "104|Adjust Value\t[SHIFT+CLICK]|", "-",
          "101|Value Min (-180.000000)|", "102|Value Max (+40.000000)|c"})
        items.push_back(item);
    return items;
}();

TEST_F(KnobTest, ContextMenuOfAPlainKnob) {
    HWND knob = Make(-180.0f, 40.0f, 0.0f, 0.25f, kKnobEditPlain);
    SetValue(knob, 40.0f);
    HMENU menu = KnobPrepareContextMenu(knob);
    EXPECT_EQ(ReadMenu(menu), kPlainItems);
    EXPECT_EQ(ReadMenu(GetSubMenu(menu, 4)),
              (std::vector<std::string>{"1000|Latency 0 ms|c", "1100|Latency 100 ms|",
                                        "1200|Latency 200 ms|", "1300|Latency 300 ms|",
                                        "1400|Latency 400 ms|", "1500|Latency 500 ms|"}));
    EXPECT_EQ(ReadMenu(GetSubMenu(menu, 5)),
              (std::vector<std::string>{"2000|Enable Info Value Box|c", "-",
                                        "2001|Display on Left Top|", "2002|Display on Right Top|",
                                        "2003|Display on Right Bottom|c",
                                        "2004|Display on Left Bottom|"}));

    // Options and value change what the same menu shows next time.
    options()->rotMode = 3;
    options()->rotLatency = 400;
    options()->infoValue = 0x00000002;
    SetValue(knob, 0.0f);
    menu = KnobPrepareContextMenu(knob);
    std::vector<std::string> got = ReadMenu(menu);
    EXPECT_EQ(got[0], "10|Inverse Mousemove Mode|cg");
    EXPECT_EQ(got[1], "12|Angular Mousemove Mode|c");
    EXPECT_EQ(got[8], "100|Default value (0.000000)\tDBLCLICK|c");
    EXPECT_EQ(got[13], "102|Value Max (+40.000000)|");
    EXPECT_TRUE(GetMenuState(GetSubMenu(menu, 4), 1400, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(GetSubMenu(menu, 5), 2000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(GetSubMenu(menu, 5), 2002, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(KnobTest, ContextMenuOfADecibelKnobWithPresets) {
    HWND knob = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobDecibel);
    // The plain knob's menu with these items changed, and the presets.
    std::vector<std::string> expected = kPlainItems;
    expected[7] = "50|Current value :0.000 db|g";
    expected[8] = "100|Default value (0.0 db)\tDBLCLICK|c";
    expected[12] = "101|Value Min (-20.0 db)|";
    expected[13] = "102|Value Max (+6.0 db)|";
    EXPECT_EQ(ReadMenu(KnobPrepareContextMenu(knob)), expected);
    const float presets[] = {0.5f, 1.0f};
    ASSERT_EQ(KnobSetPresets(knob, presets, 2), 2);
    for (const char* item : {"-", "600|Preset 1 (-6.021 db)|", "601|Preset 2 (0.000 db)|c"})
        expected.push_back(item);
    EXPECT_EQ(ReadMenu(KnobPrepareContextMenu(knob)), expected);
    HWND bare = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobDecibel | kKnobNoValueMenu, 200);
    EXPECT_EQ(ReadMenu(KnobPrepareContextMenu(bare)), kOptionItems);
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
