#include "toolkit/knob.h"
#include "toolkit/precision_adjuster.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using modaltest::Key;
using modaltest::Script;
using modaltest::Step;
using modaltest::Type;
using tktest::Event;
using tktest::Framed;
using tktest::Popup;
using tktest::ValueOf;

constexpr uint16_t kId = 0x21;

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
            char text[64] = {};
            GetWindowTextA(edit, text, sizeof text);
            shown = text;
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

TEST_F(KnobEditingTest, MiddleButtonOpensTheTimeEntryDialog) {
    HWND knob = MakeKnob(0.1f, 30.0f, 2.0f, kKnobEditTime | kNotifyBeginEnd, kId);
    Script driver(Popup(kPopupTimeEntry),
                  {[](HWND d) { SetDlgItemTextA(d, kTimeMilliseconds, "500"); },
                   [](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); }});
    SendMessageA(knob, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    EXPECT_TRUE(driver.ran());
    EXPECT_FLOAT_EQ(0.5f, ValueOf(knob));
    EXPECT_EQ(Framed(kId, 0.5f), owner_->Take());
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

TEST_F(KnobEditingTest, AdjusterDecibelKnobWorksInWholeDecibelLimits) {
    HWND knob = MakeKnob(0.5f, 2.0f, 1.0f, kKnobEditPlain | kKnobDecibel, kId);
    Adjuster(knob);
    const PrecisionAdjuster* state = PrecisionAdjusterState();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(-6.0f, state->min);
    EXPECT_EQ(6.0f, state->max);
    EXPECT_FLOAT_EQ(0.0f, state->value);
    DragScale(ToolkitPopup(kPopupAdjuster), 1, 600); // far past the top: +6 dB
    EXPECT_NEAR(1.9953f, ValueOf(knob), 1e-3);
}

TEST_F(KnobEditingTest, AdjusterOwnerDestroyedOrToolkitExitCloseIt) {
    auto parent = std::make_unique<tktest::OwnerWindow>(300, 100);
    HWND window =
        Adjuster(MakeKnob(0.1f, 96.0f, 10.0f, kKnobEditPlain, kId, 100, parent->window()));
    ASSERT_NE(nullptr, window);
    parent.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster));

    HWND knob = MakeKnob(0.1f, 96.0f, 10.0f, kKnobEditPlain, kId);
    window = Adjuster(knob);
    ToolkitExit(GetModuleHandleA(nullptr));
    EXPECT_FALSE(IsWindow(window));
    DestroyWindow(knob); // the knob outlived the toolkit; its class goes with it
    UnregisterClassA(kKnobClassName, GetModuleHandleA(nullptr));
}

} // namespace
