// The knob's "Edit Value" and "Adjust Value" with the real dialogs.
#include "toolkit/knob.h"
#include "toolkit/precision_adjuster.h"

#include "tests/toolkit/dialog_driver.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

using tktest::Command;
using tktest::DialogScript;
using tktest::Event;
using tktest::Key;
using tktest::Type;

constexpr uint16_t kId = 0x21;
constexpr uint32_t kFramed = kNotifyBeginEnd;

float Value(HWND knob) {
    return SendCommand(knob, kRequestGetValue, 0);
}

class KnobEditingTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        face_ = tktest::MakeKnobFace(32, RGB(180, 180, 180));
        SetDefaultTimeEntrySettings(&options()->timeEntry);
    }
    void TearDown() override {
        tktest::ToolkitTest::TearDown();
        DeleteObject(face_);
    }
    HWND Make(float min, float max, float initial, uint32_t style, HWND parent = nullptr,
              uint16_t id = kId) {
        HWND knob = CreateKnob(parent ? parent : owner(), id, 100, 50, style, face_, 16, 16, 240,
                               300, min, max, initial, 0.1f, nullptr, nullptr);
        EXPECT_NE(nullptr, knob);
        return knob;
    }
    HBITMAP face_ = nullptr;
};

std::vector<Event> Framed(float value) {
    return {Command(kId | kNotifyBegin, 0.0f), Command(kId, value),
            Command(kId | kNotifyEnd, 0.0f)};
}

struct EditCase {
    const char* name;
    uint32_t style;
    float min, max, initial;
    const char* shown; // the text the dialog opens with
    const char* typed; // then Enter; null: Esc
    float after;
    bool reported;
};

const EditCase kEditCases[] = {
    {"plain", kKnobEditPlain, 0.1f, 96.0f, 10.0f, "10.000", "50", 50.0f, true},
    {"out of range is ignored", kKnobEditPlain, 0.1f, 96.0f, 10.0f, "10.000", "200", 10.0f, false},
    {"escape leaves the value", kKnobEditPlain, 0.1f, 96.0f, 10.0f, "10.000", nullptr, 10.0f,
     false},
    {"decibels", kKnobEditPlain | kKnobDecibel, 0.0f, 2.0f, 1.0f, "0.000", "-6.0206", 0.5f, true},
};

TEST_F(KnobEditingTest, CtrlClickTypesAValue) {
    for (const EditCase& c : kEditCases) {
        SCOPED_TRACE(c.name);
        HWND knob = Make(c.min, c.max, c.initial, c.style | kFramed);
        std::string shown;
        DialogScript driver(kPopupEditValue, [&](HWND d) {
            HWND edit = GetDlgItem(d, 10);
            char text[64] = {};
            GetWindowTextA(edit, text, sizeof text);
            shown = text;
            if (c.typed) {
                Type(edit, c.typed);
                Key(edit, VK_RETURN);
            } else {
                Key(edit, VK_ESCAPE);
            }
        });
        SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(16, 16));
        EXPECT_TRUE(driver.ran());
        EXPECT_EQ(c.shown, shown);
        EXPECT_NEAR(c.after, Value(knob), 1e-4);
        EXPECT_EQ(c.reported ? Framed(Value(knob)) : std::vector<Event>{}, owner_->Take());
        DestroyWindow(knob);
    }
}

TEST_F(KnobEditingTest, InsertAndMiddleButtonOpenTheTimeEntryDialog) {
    const struct {
        UINT message;
        WPARAM wParam;
    } gestures[] = {{WM_KEYDOWN, VK_INSERT}, {WM_MBUTTONDOWN, MK_MBUTTON}};
    for (const auto& g : gestures) {
        HWND knob = Make(0.1f, 30.0f, 2.0f, kKnobEditTime | kFramed);
        DialogScript driver(kPopupTimeEntry,
                            {[](HWND d) {
                                 HWND ms = GetDlgItem(d, kTimeMilliseconds);
                                 SetFocus(ms);
                                 SendMessageA(ms, EM_SETSEL, 0, -1);
                                 Type(ms, "500");
                             },
                             [](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); }});
        SendMessageA(knob, g.message, g.wParam, 0);
        EXPECT_TRUE(driver.ran()) << g.message;
        EXPECT_FLOAT_EQ(0.5f, Value(knob));
        EXPECT_EQ(Framed(0.5f), owner_->Take());
        DestroyWindow(knob);
    }
}

TEST_F(KnobEditingTest, KnobDestroyedWhileItsDialogIsOpen) {
    for (uint32_t slot : {kPopupEditValue, kPopupTimeEntry}) {
        HWND knob =
            Make(0.1f, 30.0f, 2.0f, slot == kPopupEditValue ? kKnobEditPlain : kKnobEditTime);
        DialogScript driver(slot, [knob](HWND d) {
            DestroyWindow(knob);
            PostMessageA(d, WM_COMMAND, IDOK, 0); // an answer for a knob that is gone
        });
        SendMessageA(knob, WM_KEYDOWN, VK_INSERT, 0);
        EXPECT_TRUE(driver.ran());
        EXPECT_FALSE(IsWindow(knob));
        EXPECT_TRUE(owner_->Take().empty());
    }
}

TEST_F(KnobEditingTest, OwnerDestroyedWhileTheDialogIsOpen) {
    auto parent = std::make_unique<tktest::OwnerWindow>(300, 100);
    HWND knob = Make(0.1f, 30.0f, 2.0f, kKnobEditPlain, parent->window());
    DialogScript driver(kPopupEditValue, [&parent](HWND d) {
        Type(GetDlgItem(d, 10), "5");
        parent.reset();
    });
    SendMessageA(knob, WM_KEYDOWN, VK_INSERT, 0);
    EXPECT_TRUE(driver.ran());
    EXPECT_FALSE(IsWindow(knob));
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupEditValue));
}

} // namespace
