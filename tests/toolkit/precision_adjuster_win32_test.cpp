#include "toolkit/knob.h"
#include "toolkit/precision_adjuster.h"

#include "tests/toolkit/dialog_driver.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <memory>
#include <vector>

namespace {

using tktest::Command;
using tktest::Event;

constexpr uint16_t kId = 0x31;

float Value(HWND knob) {
    return SendCommand(knob, kRequestGetValue, 0);
}

class PrecisionAdjusterTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        face_ = tktest::MakeKnobFace(32, RGB(180, 180, 180));
    }
    void TearDown() override {
        tktest::ToolkitTest::TearDown();
        DeleteObject(face_);
    }
    HWND Make(float min, float max, float initial, uint32_t style, int x = 100, uint16_t id = kId,
              HWND parent = nullptr) {
        HWND knob = CreateKnob(parent ? parent : owner(), id, x, 50, style, face_, 16, 16, 240, 300,
                               min, max, initial, 0.1f, nullptr, nullptr);
        EXPECT_NE(nullptr, knob);
        return knob;
    }
    // Shift+click: "Adjust Value".
    HWND Open(HWND knob) {
        SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(16, 16));
        return ToolkitPopup(kPopupAdjuster);
    }
    HBITMAP face_ = nullptr;
};

// Drags scale (1-3) of the adjuster by dy pixels.
void DragScale(HWND adjuster, int scale, int dy) {
    const int x = (scale - 1) * 77 + 30;
    SendMessageA(adjuster, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 100));
    SendMessageA(adjuster, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 100 + dy));
    SendMessageA(adjuster, WM_LBUTTONUP, 0, MAKELPARAM(x, 100 + dy));
}

TEST_F(PrecisionAdjusterTest, OpensAtTheKnobWithThreeSensitivities) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain);
    HWND window = Open(knob);
    ASSERT_NE(nullptr, window);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ("Precision Tri Slider", caption);
    POINT centre = {14, 14};
    ClientToScreen(knob, &centre);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(centre.x, rect.left);
    EXPECT_EQ(centre.y, rect.top);
    const PrecisionAdjuster* state = PrecisionAdjusterState();
    ASSERT_NE(nullptr, state);
    EXPECT_FLOAT_EQ(0.1f, state->sensitivity[0]);
    EXPECT_FLOAT_EQ(0.001f, state->sensitivity[1]);
    EXPECT_FLOAT_EQ(0.00001f, state->sensitivity[2]);
    EXPECT_EQ(4, state->decimals);
    EXPECT_EQ(231, state->w);
}

TEST_F(PrecisionAdjusterTest, EachScaleMovesTheKnobByItsSensitivity) {
    const struct {
        int scale;
        uint32_t inverse;
        int dy;
        float after;
    } cases[] = {
        {1, 0, 10, 11.0f}, {2, 0, 10, 10.01f}, {3, 0, 10, 10.0001f},
        {1, 1, 10, 9.0f},  {1, 0, -200, 0.1f}, // clamped at the minimum
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " inverse " << c.inverse);
        options()->aIMode = c.inverse;
        HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain | kNotifyBeginEnd);
        HWND window = Open(knob);
        owner_->Take();
        DragScale(window, c.scale, c.dy);
        EXPECT_NEAR(c.after, Value(knob), 2e-5);
        const std::vector<Event> expected = {Command(kId | kNotifyBegin, 0.0f),
                                             Command(kId, Value(knob)),
                                             Command(kId | kNotifyEnd, 0.0f)};
        EXPECT_EQ(expected, owner_->Take());
        DestroyWindow(knob);
        EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster)) << "the knob closes its adjuster";
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(PrecisionAdjusterTest, DecibelKnobWorksInWholeDecibelLimits) {
    HWND knob = Make(0.5f, 2.0f, 1.0f, kKnobEditPlain | kKnobDecibel);
    Open(knob);
    const PrecisionAdjuster* state = PrecisionAdjusterState();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(-6.0f, state->min);
    EXPECT_EQ(6.0f, state->max);
    EXPECT_FLOAT_EQ(0.0f, state->value);
    EXPECT_FLOAT_EQ(0.1f, state->sensitivity[0]) << "range 12 dB: e = 2";
    DragScale(ToolkitPopup(kPopupAdjuster), 1, 600); // far past the top: +6 dB
    EXPECT_NEAR(1.9953f, Value(knob), 1e-3);
}

TEST_F(PrecisionAdjusterTest, ASecondKnobReusesTheOneWindowAndValuesFollow) {
    HWND first = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain, 60, kId);
    HWND second = Make(0.0f, 2.0f, 1.0f, kKnobEditPlain, 200, kId + 1);
    HWND window = Open(first);
    EXPECT_EQ(window, Open(second));
    EXPECT_EQ(second, PrecisionAdjusterState()->control);
    EXPECT_EQ(kId + 1, PrecisionAdjusterState()->id);
    SendMessageA(second, WM_COMMAND, kRequestSetValue, FloatToBits(1.5f));
    EXPECT_FLOAT_EQ(1.5f, PrecisionAdjusterState()->value) << "an owner's set value is shown";
    DestroyWindow(first);
    EXPECT_TRUE(IsWindow(window)) << "attached to the other knob";
}

TEST_F(PrecisionAdjusterTest, InverseButtonFlipsTheOptionAndEscapeCloses) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain);
    HWND window = Open(knob);
    HWND button = GetDlgItem(window, kAdjusterInverseButton);
    ASSERT_NE(nullptr, button);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    tktest::Pump();
    EXPECT_EQ(1u, options()->aIMode);
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster));
    EXPECT_FLOAT_EQ(10.0f, Value(knob));
}

TEST_F(PrecisionAdjusterTest, OwnerDestroyedWhileOpen) {
    auto parent = std::make_unique<tktest::OwnerWindow>(300, 100);
    HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain, 100, kId, parent->window());
    HWND window = Open(knob);
    ASSERT_NE(nullptr, window);
    parent.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupAdjuster));
}

TEST_F(PrecisionAdjusterTest, ToolkitExitClosesIt) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain);
    HWND window = Open(knob);
    DestroyWindow(knob);
    ASSERT_FALSE(IsWindow(window));
    knob = Make(0.1f, 96.0f, 10.0f, kKnobEditPlain);
    window = Open(knob);
    ToolkitExit(GetModuleHandleA(nullptr));
    EXPECT_FALSE(IsWindow(window));
    // The knob outlived the toolkit; its class goes with it.
    DestroyWindow(knob);
    UnregisterClassA(kKnobClassName, GetModuleHandleA(nullptr));
}

} // namespace
