// A window that records the WM_COMMAND (and WM_KEYDOWN) messages it gets:
// the owner a control notifies, or a control the code under test sends its
// requests to. And the toolkit's teardown, however often a test initialised it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "toolkit/toolkit.h"

namespace testsupport {

struct Event {
    UINT message; // WM_COMMAND or WM_KEYDOWN
    uint32_t code, value;
    bool operator==(const Event& o) const {
        return message == o.message && code == o.code && value == o.value;
    }
};

inline void PrintTo(const Event& e, std::ostream* os) {
    *os << (e.message == WM_COMMAND ? "command(0x" : "key(0x") << std::hex << e.code << ", 0x"
        << e.value << ")" << std::dec;
}

class RecorderWindow {
  public:
    // A hidden 1 x 1 popup unless told otherwise.
    explicit RecorderWindow(int width = 1, int height = 1, DWORD style = WS_POPUP) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "TestRecorder";
        RegisterClassA(&wc); // fails harmlessly when already registered
        window_ = CreateWindowExA(0, "TestRecorder", "recorder", style, 0, 0, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RecorderWindow() { DestroyWindow(window_); }
    RecorderWindow(const RecorderWindow&) = delete;
    RecorderWindow& operator=(const RecorderWindow&) = delete;

    HWND window() const { return window_; }

    // What came, the posted messages included; forgotten here.
    std::vector<Event> Take() {
        MSG msg;
        for (UINT message : {WM_COMMAND, WM_KEYDOWN})
            while (PeekMessageA(&msg, window_, message, message, PM_REMOVE))
                DispatchMessageA(&msg);
        std::vector<Event> taken;
        taken.swap(log_);
        return taken;
    }
    // The last set-value request as a float, or -1 when none came.
    float LastValue() const {
        for (auto e = log_.rbegin(); e != log_.rend(); ++e)
            if (e->message == WM_COMMAND && e->code == kRequestSetValue)
                return BitsToFloat(e->value);
        return -1.0f;
    }
    void Clear() { log_.clear(); }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RecorderWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
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

// Undoes every ToolkitInit still counted: the toolkit's windows and classes go.
inline void ExitToolkit(HINSTANCE instance = GetModuleHandleA(nullptr)) {
    while (ToolkitInitCount() > 0)
        ToolkitExit(instance);
}

} // namespace testsupport
