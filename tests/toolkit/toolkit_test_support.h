#pragma once

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

struct Event {
    UINT message; // WM_COMMAND or WM_KEYDOWN
    uint32_t code, value;
    bool operator==(const Event& o) const {
        return message == o.message && code == o.code && value == o.value;
    }
};

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

inline void PrintTo(const Event& e, std::ostream* os) {
    *os << (e.message == WM_COMMAND ? "command(0x" : "key(0x") << std::hex << e.code << ", 0x"
        << e.value << ")" << std::dec;
}

class OwnerWindow {
  public:
    OwnerWindow(int width = 400, int height = 200) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "TkTestOwner";
        RegisterClassA(&wc); // fails harmlessly when already registered
        window_ = CreateWindowExA(0, "TkTestOwner", "toolkit test",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), this);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;

    HWND window() const { return window_; }

    std::vector<Event> Take() {
        MSG msg;
        for (UINT message : {WM_COMMAND, WM_KEYDOWN})
            while (PeekMessageA(&msg, window_, message, message, PM_REMOVE))
                DispatchMessageA(&msg);
        std::vector<Event> taken;
        taken.swap(log_);
        return taken;
    }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<OwnerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && (message == WM_COMMAND || message == WM_KEYDOWN)) {
            self->log_.push_back(
                Event{message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)});
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<Event> log_;
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
        while (ToolkitInitCount() > 0)
            ToolkitExit(GetModuleHandleA(nullptr));
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

inline void Mouse(HWND window, UINT message, int x, int y) {
    SendMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

} // namespace tktest
