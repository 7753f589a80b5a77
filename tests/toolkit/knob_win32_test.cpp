#include "toolkit/knob.h"
#include "toolkit/precision_adjuster.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using modaltest::Key;
using modaltest::Script;
using modaltest::Type;
using tktest::Command;
using tktest::Event;
using tktest::Framed;
using tktest::Mouse;
using tktest::Popup;
using tktest::ValueOf;

constexpr uint16_t kId = 0x123;
constexpr COLORREF kFaceColor = tktest::kKnobFaceColor; // needle centre (16, 16)

struct FakeTimer {
    int started = 0, killed = 0;
    UINT lastMs = 0;
} g_fake;
const KnobTimerOps kFakeTimer = {[](HWND, UINT_PTR id, UINT ms) -> UINT_PTR {
                                     ++g_fake.started;
                                     g_fake.lastMs = ms;
                                     return id;
                                 },
                                 [](HWND, UINT_PTR) { ++g_fake.killed; }};

void SetValue(HWND knob, float value) {
    SendMessageA(knob, WM_COMMAND, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}

POINT AtAngle(float degrees, float radius) {
    float a = degrees * 3.14159265f / 180.0f;
    return POINT{16 + static_cast<LONG>(std::lround(radius * std::cos(a))),
                 16 - static_cast<LONG>(std::lround(radius * std::sin(a)))};
}

COLORREF PixelAt(HWND window, POINT p) {
    return tktest::PixelAt(window, p.x, p.y);
}
bool IsNeedle(COLORREF c) {
    return c == PaletteColor(0) || c == PaletteColor(10);
}

class KnobTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        g_fake = FakeTimer{};
        KnobSetTimerOps(&kFakeTimer);
    }
    void TearDown() override {
        tktest::ToolkitTest::TearDown();
        KnobSetTimerOps(nullptr);
    }
    HWND Make(float min, float max, float initial, float step, uint32_t style, int x = 100,
              int start = 240, int end = 300) {
        HWND knob = CreateKnob(owner(), kId, x, 50, style, knobFace_, 16, 16, start, end, min, max,
                               initial, step, nullptr, nullptr);
        EXPECT_NE(knob, nullptr);
        return knob;
    }
};

TEST_F(KnobTest, OwnerRequestsNeverReportBackButAResetDoes) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, kKnobContinuous);
    SetValue(knob, 200.0f);
    EXPECT_EQ(ValueOf(knob), 10.0f);
    SetValue(knob, 96.0f);
    EXPECT_EQ(ValueOf(knob), 96.0f);
    EXPECT_TRUE(owner_->Take().empty());
    SendMessageA(knob, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16)); // back to the default
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 10.0f)});
    // So do the menu's value items.
    for (const auto& [command, value] :
         {std::pair{kKnobMenuMax, 96.0f}, {kKnobMenuMin, 0.1f}, {kKnobMenuDefault, 10.0f}}) {
        SendMessageA(knob, WM_COMMAND, command, 0);
        EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, value)}) << command;
    }
}

// Two presses each (an arrow steps ten): the second meets the clamp and
// reports nothing. By default an upward wheel notch steps five down.
TEST_F(KnobTest, UpArrowAndWheelStepClampAndReportOnce) {
    EXPECT_EQ(options()->rotMode, 1u);
    const struct {
        UINT message;
        WPARAM wParam;
        float initial, clamped;
    } cases[] = {{WM_KEYDOWN, VK_UP, 99.5f, 100.0f},
                 {WM_KEYDOWN, VK_DOWN, 0.5f, 0.0f},
                 {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 5.0f, 0.0f}};
    for (const auto& c : cases) {
        HWND knob = Make(0.0f, 100.0f, c.initial, 1.0f, kKnobContinuous);
        SendMessageA(knob, c.message, c.wParam, 0);
        SendMessageA(knob, c.message, c.wParam, 0);
        EXPECT_FLOAT_EQ(ValueOf(knob), c.clamped);
        EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, c.clamped)}) << c.message;
        DestroyWindow(knob);
    }
}

// While the latency runs the value holds, and a release still reports; once
// it has run out the value follows from where the cursor was then (linear
// mode: a pixel up is a step up).
TEST_F(KnobTest, LatencyHoldsTheValueButReleaseStillReports) {
    options()->rotLatency = 300;
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    EXPECT_TRUE(g_fake.started == 1 && g_fake.lastMs == 300u);
    Mouse(knob, WM_MOUSEMOVE, 16, 40);
    EXPECT_EQ(ValueOf(knob), 50.0f);
    Mouse(knob, WM_LBUTTONUP, 16, 40);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 50.0f)});
    EXPECT_EQ(g_fake.killed, 1);

    options()->rotMode = 0;
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 16, 40);
    SendMessageA(knob, WM_TIMER, kKnobLatencyTimer, 0);
    Mouse(knob, WM_MOUSEMOVE, 16, 30);
    EXPECT_EQ(ValueOf(knob), 60.0f);
    Mouse(knob, WM_LBUTTONUP, 16, 30);
}

TEST_F(KnobTest, SpringLoadedReleaseSendsTheDraggedValueThenTheDefault) {
    options()->rotMode = 0;
    HWND knob = Make(-10.0f, 10.0f, 0.0f, 0.5f, kKnobSpring | kNotifyBeginEnd);
    Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    Mouse(knob, WM_MOUSEMOVE, 22, 16);
    EXPECT_EQ(ValueOf(knob), 3.0f);
    Mouse(knob, WM_LBUTTONUP, 22, 16);
    EXPECT_EQ(ValueOf(knob), 0.0f);
    EXPECT_EQ(owner_->Take(), (std::vector<Event>{{WM_COMMAND, kId | kNotifyBegin, 0},
                                                  Command(kId, 3.0f),
                                                  Command(kId, 0.0f),
                                                  {WM_COMMAND, kId | kNotifyEnd, 0}}));
}

TEST_F(KnobTest, NeedleAtMinMidAndMax) {
    const struct {
        int start, end;
        float value, degrees; // value on a 0-1 knob
    } cases[] = {
        {240, 300, 0.0f, 240.0f},
        {220, 319, 0.5f, 89.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "->" << c.end << " at " << c.value);
        HWND knob = Make(0.0f, 1.0f, c.value, 0.01f, 0x000000A0, 100, c.start, c.end);
        UpdateWindow(owner());
        UpdateWindow(knob);
        for (float r : {4.0f, 7.0f, 10.0f})
            EXPECT_TRUE(IsNeedle(PixelAt(knob, AtAngle(c.degrees, r)))) << "radius " << r;
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 180.0f, 8.0f)), kFaceColor);
        DestroyWindow(knob);
    }
}

// A menu as its user reads it: "id text", marked "[v]" when checked and
// "[gray]" when grayed; "---" for a separator; a submenu as "> text" with its
// items indented below it.
std::vector<std::string> Items(HMENU menu, const std::string& indent = "") {
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i)) {
            items.push_back(indent + "> " + text);
            for (const std::string& item : Items(sub, indent + "  "))
                items.push_back(item);
            continue;
        }
        if (state & MF_SEPARATOR) {
            items.push_back(indent + "---");
            continue;
        }
        items.push_back(indent + std::to_string(GetMenuItemID(menu, i)) + " " + text +
                        (state & MF_CHECKED ? " [v]" : "") + (state & MF_GRAYED ? " [gray]" : ""));
    }
    return items;
}

TEST_F(KnobTest, ContextMenuTextsIdsAndMarks) {
    HWND plain = Make(-180.0f, 40.0f, 0.0f, 0.25f, kKnobEditPlain);
    SetValue(plain, 40.0f);
    const std::vector<std::string> optionItems = {
        "10 Inverse Mousemove Mode [v]", // "Rot_Mode" 1 by default
        "12 Angular Mousemove Mode",
        "---",
        "20 Display Knob Moves",
        "> Time before change value...",
        "  1000 Latency 0 ms [v]",
        "  1100 Latency 100 ms",
        "  1200 Latency 200 ms",
        "  1300 Latency 300 ms",
        "  1400 Latency 400 ms",
        "  1500 Latency 500 ms",
        "> Info Box...",
        "  2000 Enable Info Value Box [v]", // "infovalue" 0x80000003 by default
        "  ---",
        "  2001 Display on Left Top",
        "  2002 Display on Right Top",
        "  2003 Display on Right Bottom [v]",
        "  2004 Display on Left Bottom",
    };
    // The value items follow a separator.
    auto withValues = [&optionItems](std::initializer_list<const char*> values) {
        std::vector<std::string> items = optionItems;
        items.push_back("---");
        items.insert(items.end(), values.begin(), values.end());
        return items;
    };
    EXPECT_EQ(
        withValues({"50 Current value :+40.000 [gray]", "100 Default value (0.000000)\tDBLCLICK",
                    "103 Edit Value\tINS [CTRL+CLICK]", "104 Adjust Value\t[SHIFT+CLICK]", "---",
                    "101 Value Min (-180.000000)", "102 Value Max (+40.000000) [v]"}),
        Items(KnobPrepareContextMenu(plain)));
    // Decibel style: the dB forms, 3 decimals for the value and 1 for the rest.
    HWND db = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobEditPlain | kKnobDecibel, 20);
    EXPECT_EQ(
        withValues({"50 Current value :0.000 db [gray]", "100 Default value (0.0 db)\tDBLCLICK [v]",
                    "103 Edit Value\tINS [CTRL+CLICK]", "104 Adjust Value\t[SHIFT+CLICK]", "---",
                    "101 Value Min (-20.0 db)", "102 Value Max (+6.0 db)"}),
        Items(KnobPrepareContextMenu(db)));
    HWND bare = Make(0.0f, 1.0f, 0.5f, 0.01f, kKnobNoValueMenu, 200);
    EXPECT_EQ(optionItems, Items(KnobPrepareContextMenu(bare)));
}

// The option commands, given to one knob, change the toolkit-wide options,
// and the next menu of another knob shows the change.
TEST_F(KnobTest, ContextMenuOptionsReachEveryKnob) {
    HWND a = Make(0.0f, 1.0f, 0.5f, 0.01f, kKnobEditPlain, 20);
    HWND b = Make(0.0f, 1.0f, 0.5f, 0.01f, kKnobEditPlain, 100);
    const struct {
        uint32_t ToolkitOptions::*option;
        uint32_t before;
        UINT command;
        uint32_t after;
        UINT shown; // the item of b's menu that shows the change
        UINT state; // its check and gray marks
    } cases[] = {
        {&ToolkitOptions::rotMode, 1, kKnobMenuInverse, 0, kKnobMenuInverse, 0},
        {&ToolkitOptions::rotMode, 0, kKnobMenuInverse, 1, kKnobMenuInverse, MF_CHECKED},
        {&ToolkitOptions::rotMode, 1, kKnobMenuAngular, 3, kKnobMenuInverse,
         MF_CHECKED | MF_GRAYED},
        {&ToolkitOptions::rotMode, 3, kKnobMenuAngular, 1, kKnobMenuAngular, 0},
        {&ToolkitOptions::rotMode, 2, kKnobMenuAngular, 0, kKnobMenuInverse, 0}, // keeps bit 0
        {&ToolkitOptions::rotMove, 0, kKnobMenuShowMoves, 1, kKnobMenuShowMoves, MF_CHECKED},
        {&ToolkitOptions::rotMove, 1, kKnobMenuShowMoves, 0, kKnobMenuShowMoves, 0},
        {&ToolkitOptions::rotLatency, 0, kKnobMenuLatency + 300, 300, kKnobMenuLatency + 300,
         MF_CHECKED},
        {&ToolkitOptions::rotLatency, 300, kKnobMenuLatency, 0, kKnobMenuLatency + 300, 0},
        {&ToolkitOptions::infoValue, 0x80000003, kKnobMenuInfoBox, 3, kKnobMenuInfoBox, 0},
        {&ToolkitOptions::infoValue, 0xF0000002, kKnobMenuInfoBox, 2, kKnobMenuInfoBox + 2,
         MF_CHECKED}, // switching the box off clears bits 28-30 too
        {&ToolkitOptions::infoValue, 2, kKnobMenuInfoBox, 0x80000002, kKnobMenuInfoBox, MF_CHECKED},
        {&ToolkitOptions::infoValue, 0xF0000003, kKnobMenuInfoBox + 4, 0xF0000004,
         kKnobMenuInfoBox + 4, MF_CHECKED},
        {&ToolkitOptions::infoValue, 0x80000003, kKnobMenuInfoBox + 1, 0x80000001,
         kKnobMenuInfoBox + 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "command " << c.command << " from 0x" << std::hex << c.before);
        options()->*c.option = c.before;
        SendMessageA(a, WM_COMMAND, c.command, 0);
        EXPECT_EQ(c.after, options()->*c.option);
        EXPECT_EQ(c.state, GetMenuState(KnobPrepareContextMenu(b), c.shown, MF_BYCOMMAND) &
                               (MF_CHECKED | MF_GRAYED));
    }
    EXPECT_TRUE(owner_->Take().empty()) << "options are no value change";
}

TEST_F(KnobTest, AngularModeToggledOnOneKnobDragsAll) {
    HWND a = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 20);
    HWND b = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 100);
    SendMessageA(a, WM_COMMAND, kKnobMenuAngular, 0);
    POINT top = AtAngle(90.0f, 10.0f);
    Mouse(b, WM_LBUTTONDOWN, 16, 16);
    Mouse(b, WM_MOUSEMOVE, top.x, top.y); // a linear drag would step down (clamped)
    Mouse(b, WM_LBUTTONUP, top.x, top.y);
    EXPECT_NEAR(ValueOf(b), 150.0f, 0.5f);
}

// The knob lies at (100, 50), 32 x 32, in its owner's client area; in linear
// mode each pixel to the right is one step up.
TEST_F(KnobTest, ValueBoxFollowsTheDragBesideTheKnob) {
    options()->rotMode = 0;
    const struct {
        uint32_t infoValue, style;
        float min, max, initial, step;
        POINT at;                      // the box's top-left in the owner; unused when off
        const char *pressed, *dragged; // its text at the press and 4 pixels right
    } cases[] = {
        {0x80000001, 0, 0.0f, 100.0f, 50.0f, 1.0f, {20, 30}, "50.000", "54.000"},
        {0x80000002, 0, 0.0f, 100.0f, 50.0f, 1.0f, {132, 30}, "50.000", "54.000"},
        {0x80000003, kKnobDecibel, 0.1f, 2.0f, 1.0f, 0.25f, {132, 82}, "0.000", "6.021"},
        {0x80000004, 0, 0.0f, 100.0f, 50.0f, 1.0f, {20, 82}, "50.000", "54.000"},
        {0x00000001, 0, 0.0f, 100.0f, 50.0f, 1.0f, {}, nullptr, nullptr}, // switched off
    };
    HWND box = ToolkitValueBox();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "infovalue 0x" << std::hex << c.infoValue);
        options()->infoValue = c.infoValue;
        HWND knob = Make(c.min, c.max, c.initial, c.step, c.style);
        Mouse(knob, WM_LBUTTONDOWN, 16, 16);
        ASSERT_EQ(c.pressed != nullptr, IsWindowVisible(box) != FALSE);
        if (c.pressed) {
            POINT expected = c.at;
            ClientToScreen(owner(), &expected);
            RECT rect;
            GetWindowRect(box, &rect);
            EXPECT_TRUE(rect.left == expected.x && rect.top == expected.y)
                << rect.left << ", " << rect.top;
            EXPECT_EQ(c.pressed, modaltest::Text(box));
        }
        Mouse(knob, WM_MOUSEMOVE, 20, 16);
        if (c.dragged) {
            EXPECT_EQ(c.dragged, modaltest::Text(box));
        }
        Mouse(knob, WM_LBUTTONUP, 20, 16);
        EXPECT_FALSE(IsWindowVisible(box));
        DestroyWindow(knob);
    }
}

class KnobEditingTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        SetDefaultTimeEntrySettings(&options()->timeEntry);
    }
};

TEST_F(KnobEditingTest, CtrlClickTypesAValue) {
    const struct {
        const char* name;
        uint32_t style;
        float min, max, initial;
        const char* shown; // the text the dialog opens with
        const char* typed; // then Enter
        float after;
        bool reported;
    } cases[] = {
        {"plain", kKnobEditPlain, 0.1f, 96.0f, 10.0f, "10.000", "50", 50.0f, true},
        {"out of range is ignored", kKnobEditPlain, 0.1f, 96.0f, 10.0f, "10.000", "200", 10.0f,
         false},
        {"decibels", kKnobEditPlain | kKnobDecibel, 0.0f, 2.0f, 1.0f, "0.000", "-6.0206", 0.5f,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND knob = MakeKnob(c.min, c.max, c.initial, c.style | kNotifyBeginEnd, kId);
        std::string shown;
        Script driver(Popup(kPopupEditValue), [&](HWND d) {
            HWND edit = GetDlgItem(d, 10);
            shown = modaltest::Text(edit);
            Type(edit, c.typed);
            Key(edit, VK_RETURN);
        });
        SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(16, 16));
        EXPECT_TRUE(driver.ran());
        EXPECT_EQ(c.shown, shown);
        EXPECT_NEAR(c.after, ValueOf(knob), 1e-4);
        EXPECT_EQ(c.reported ? Framed(kId, ValueOf(knob)) : std::vector<Event>{}, owner_->Take());
        DestroyWindow(knob);
    }
}

TEST_F(KnobEditingTest, KnobDestroyedWhileItsDialogIsOpen) {
    for (uint32_t slot : {kPopupEditValue, kPopupTimeEntry}) {
        HWND knob = MakeKnob(0.1f, 30.0f, 2.0f,
                             slot == kPopupEditValue ? kKnobEditPlain : kKnobEditTime, kId);
        Script driver(Popup(slot), [knob](HWND d) {
            DestroyWindow(knob);
            PostMessageA(d, WM_COMMAND, IDOK, 0); // an answer for a knob that is gone
        });
        SendMessageA(knob, WM_KEYDOWN, VK_INSERT, 0);
        EXPECT_TRUE(driver.ran());
        EXPECT_FALSE(IsWindow(knob));
        EXPECT_TRUE(owner_->Take().empty());
    }
}

// Shift+click opens the adjuster.
HWND Adjuster(HWND knob) {
    SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(16, 16));
    return ToolkitPopup(kPopupAdjuster);
}

// Drags scale (1-3) of the adjuster by dy pixels.
void DragScale(HWND adjuster, int scale, int dy) {
    const int x = (scale - 1) * 77 + 30;
    SendMessageA(adjuster, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 100));
    SendMessageA(adjuster, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100 + dy));
    SendMessageA(adjuster, WM_LBUTTONUP, 0, MAKELPARAM(x, 100 + dy));
}

TEST_F(KnobEditingTest, AdjusterEachScaleMovesTheKnobByItsSensitivity) {
    const struct {
        int scale;
        uint32_t inverse;
        int dy;
        float after;
    } cases[] = {{2, 0, 10, 10.01f}, {3, 0, 10, 10.0001f}, {1, 1, 10, 9.0f}, {1, 0, -200, 0.1f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " inverse " << c.inverse);
        options()->aIMode = c.inverse;
        HWND knob = MakeKnob(0.1f, 96.0f, 10.0f, kKnobEditPlain | kNotifyBeginEnd, kId);
        HWND window = Adjuster(knob);
        owner_->Take();
        DragScale(window, c.scale, c.dy);
        EXPECT_NEAR(c.after, ValueOf(knob), 2e-5);
        EXPECT_EQ(tktest::Framed(kId, ValueOf(knob)), owner_->Take());
        DestroyWindow(knob);
        EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster)) << "the knob closes its adjuster";
        EXPECT_FALSE(IsWindow(window));
    }
}

// The limits are whole decibels inside the knob's range, so the top of the
// coarse scale is a value the knob takes, and the owner hears that value.
TEST_F(KnobEditingTest, AdjusterDecibelLimitsStayInsideTheKnobsRange) {
    const struct {
        float min, max;     // the knob's, as amplitudes
        float dbMin, dbMax; // the adjuster's
    } cases[] = {{0.5f, 2.0f, -6.0f, 6.0f},
                 {0.25f, 0.5f, -12.0f, -7.0f}, // -12.04 .. -6.02 dB: truncation gave -6
                 {0.9f, 0.95f, KnobDecibels(0.9f), KnobDecibels(0.95f)}}; // inside one dB
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " .. " << c.max);
        HWND knob = MakeKnob(c.min, c.max, c.min, kKnobEditPlain | kKnobDecibel, kId);
        Adjuster(knob);
        const PrecisionAdjuster* state = PrecisionAdjusterState();
        ASSERT_NE(nullptr, state);
        EXPECT_EQ(c.dbMin, state->min);
        EXPECT_EQ(c.dbMax, state->max);
        if (c.dbMax - c.dbMin >= 1.0f) { // a finer scale does not reach its end in one drag
            owner_->Take();
            DragScale(ToolkitPopup(kPopupAdjuster), 1, 600); // far past the top
            EXPECT_NEAR(KnobFromDecibels(c.dbMax), ValueOf(knob), 1e-6);
            EXPECT_EQ(std::vector<Event>{Command(kId, ValueOf(knob))}, owner_->Take());
        }
        DestroyWindow(knob);
    }
}

// The decibel ends of a range inside one decibel, turned back into values,
// may fall a hair outside the knob's range: the knob refuses such a value,
// and the owner never hears of it.
TEST_F(KnobEditingTest, AdjusterReportsOnlyValuesTheKnobTook) {
    const float max = 0.053948354f, min = max / 1.05f;
    ASSERT_GT(KnobFromDecibels(KnobDecibels(max)), max) << "no refusal to test";
    HWND knob = MakeKnob(min, max, min, kKnobEditPlain | kKnobDecibel, kId);
    Adjuster(knob);
    owner_->Take();
    DragScale(ToolkitPopup(kPopupAdjuster), 1, 600); // far past the top
    for (const Event& heard : owner_->Take())
        EXPECT_EQ(Command(kId, ValueOf(knob)), heard);
    DestroyWindow(knob);
}

// Every way the knob's value changes reaches an open adjuster, so its next
// drag starts from the knob's value, not an old one.
TEST_F(KnobEditingTest, AdjusterFollowsEveryValueChange) {
    const struct {
        const char* gesture;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {{"up arrow", WM_KEYDOWN, VK_UP, 0},
                 {"left arrow", WM_KEYDOWN, VK_LEFT, 0},
                 {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0},
                 {"owner's set value", WM_COMMAND, kRequestSetValue, LPARAM(FloatToBits(42.0f))},
                 {"double-click", WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gesture);
        HWND knob = MakeKnob(0.1f, 96.0f, 20.0f, kKnobEditPlain, kId); // default 20
        SetValue(knob, 30.0f);
        Adjuster(knob);
        SendMessageA(knob, c.message, c.wParam, c.lParam);
        ASSERT_NE(30.0f, ValueOf(knob));
        EXPECT_EQ(ValueOf(knob), PrecisionAdjusterState()->value);
        DestroyWindow(knob);
    }
}

} // namespace
