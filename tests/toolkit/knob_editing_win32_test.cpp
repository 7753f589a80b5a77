#include "toolkit/knob.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

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

} // namespace
