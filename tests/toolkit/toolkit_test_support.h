#pragma once

#include "tests/support/modal_script_win32.h"
#include "tests/support/recorder_win32.h"
#include "tests/sys/settings_test_root.h"
#include "toolkit/knob.h"
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tktest {

using testsupport::Event;
using testsupport::ExitToolkit;

inline Event Command(uint32_t code, float value) {
    return Event{WM_COMMAND, code, FloatToBits(value)};
}

inline std::vector<Event> Framed(uint16_t id, float value) {
    return {Command(id | kNotifyBegin, 0.0f), Command(id, value), Command(id | kNotifyEnd, 0.0f)};
}

inline float ValueOf(HWND control) {
    return SendCommand(control, kRequestGetValue, 0);
}

inline COLORREF PixelAt(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

// The owner of the controls under test: shown, 400 x 200 unless told otherwise.
class OwnerWindow : public testsupport::RecorderWindow {
  public:
    explicit OwnerWindow(int width = 400, int height = 200)
        : RecorderWindow(width, height, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN) {}
};

constexpr COLORREF kKnobFaceColor = RGB(180, 180, 180);

class ToolkitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(1, ToolkitInit(GetModuleHandleA(nullptr), kSettingsAppName))
            << ToolkitErrorText(ToolkitLastError());
        owner_ = std::make_unique<OwnerWindow>();
        // A 32 x 32 knob face: a light disc on black.
        HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
        knobFace_ = CreateCompatibleBitmap(screen, 32, 32);
        HGDIOBJ old = SelectObject(dc, knobFace_);
        PatBlt(dc, 0, 0, 32, 32, BLACKNESS);
        SelectObject(dc, GetStockObject(DC_BRUSH));
        SetDCBrushColor(dc, kKnobFaceColor);
        Ellipse(dc, 2, 2, 30, 30);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    void TearDown() override {
        owner_.reset(); // the controls go before the toolkit unregisters the classes
        DeleteObject(knobFace_);
        ExitToolkit();
    }
    HWND owner() const { return owner_->window(); }
    ToolkitOptions* options() { return ToolkitGetOptions(); }

    // A knob with the face above, start and end angles 240 and 300.
    HWND MakeKnob(float min, float max, float initial, uint32_t style, uint16_t id, int x = 100,
                  HWND parent = nullptr, float step = 0.1f) {
        HWND knob = CreateKnob(parent ? parent : owner(), id, x, 50, style, knobFace_, 16, 16, 240,
                               300, min, max, initial, step, nullptr, nullptr);
        EXPECT_NE(nullptr, knob);
        return knob;
    }

    SettingsTestRoot root_;
    std::unique_ptr<OwnerWindow> owner_;
    HBITMAP knobFace_ = nullptr;
};

// The toolkit dialog in a popup slot, once it is shown.
inline std::function<HWND()> Popup(uint32_t slot) {
    return [slot] {
        HWND dialog = ToolkitPopup(slot);
        return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
    };
}

// Opens the toolkit dialog of a popup slot with open() while steps drive
// it: every step ran, none was cut short by the time limit, and the slot is
// cleared once the dialog returned. Returns what open() returned.
template <typename Open>
auto RunPopup(uint32_t slot, std::vector<modaltest::Step> steps, Open open) -> decltype(open()) {
    modaltest::Script driver(Popup(slot), std::move(steps));
    auto result = open();
    EXPECT_TRUE(driver.ran());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(nullptr, ToolkitPopup(slot)) << "the slot is cleared on close";
    return result;
}

inline void Mouse(HWND window, UINT message, int x, int y) {
    SendMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

} // namespace tktest
