// A meter window on a real engine for the Windows tests: the toolkit, the
// meter window class, an engine with its settings under the test root, a
// control panel record whose mode radios and zoom knob are recorder windows,
// and helpers to fill the history and read pixels.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/meter_objects.h"
#include "meter/level_analysis.h"
#include "meter/meter_engine.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/recorder_win32.h"
#include "tests/sys/settings_test_root.h"
#include "toolkit/toolkit.h"
#include "view/control_panel.h"
#include "view/meter_window.h"
#include "view/meter_window_internal.h"
#include "view/meter_window_ui.h"
#include "tests/support/history_slots.h"

namespace mwtest {

// The panel's radios and zoom knob: windows that record the requests sent to them.
using Recorder = testsupport::RecorderWindow;

// What the test answers in place of the modal windows.
struct FakeUi {
    static FakeUi*& Current() {
        static FakeUi* current = nullptr;
        return current;
    }
    std::string typed;                // what the text entry returns
    bool returnNull = false;          // the text entry fails
    std::vector<std::string> boxes;   // "caption|text" of each message box
    std::vector<std::string> entries; // initial text of each text entry

    static int Box(HWND, const char* text, const char* caption, UINT) {
        Current()->boxes.push_back(std::string(caption) + "|" + text);
        return IDOK;
    }
    static char* Edit(HWND, uint32_t, int, int, int, int, const char* initial) {
        FakeUi* self = Current();
        self->entries.push_back(initial);
        if (self->returnNull) return nullptr;
        char* text = static_cast<char*>(std::calloc(1, kEditTextSize));
        lstrcpynA(text, self->typed.c_str(), int(kEditTextSize));
        return text;
    }
    static void Free(char* text) { std::free(text); }
};

class MeterWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instance_ = GetModuleHandleA(nullptr);
        ASSERT_EQ(1, ToolkitInit(instance_, kSettingsAppName));
        ASSERT_EQ(1, RegisterMeterWindowClass(instance_));
        FakeUi::Current() = &ui_;
        const MeterWindowUi fake = {FakeUi::Box, FakeUi::Edit, FakeUi::Free, nullptr, nullptr};
        SetMeterWindowUi(&fake);
        const MeterSettings* settings = AcquireMeterSettings(kSettingsAppName);
        ASSERT_NE(settings, nullptr);
        engine_ = MeterEngineCreate(&settings->values);
        ASSERT_NE(engine_, nullptr);
        ASSERT_EQ(1, MeterSetFormat(&engine_, 44100.0f, 2));
        panel_.engine = engine_;
        panel_.peakRadio = peak_.window();
        panel_.rmsRadio = rms_.window();
        panel_.averageRadio = average_.window();
        panel_.zoomKnob = zoom_.window();
    }
    void TearDown() override {
        if (HWND w = window()) DestroyWindow(w);
        MeterEngineDestroy(&engine_);
        ReleaseMeterSettings();
        SetMeterWindowUi(nullptr);
        UnregisterMeterWindowClass(instance_);
        testsupport::ExitToolkit(instance_);
    }

    HWND window() const { return engine_ ? static_cast<HWND>(MeterGetWindow(engine_)) : nullptr; }
    MeterWindowContext* context() { return MeterGetWindowContext(engine_); }

    // Opens the window with a client area of w x h at (x, y).
    HWND Open(int w = 1000, int h = 600, int x = 10, int y = 10) {
        MeterConfig c;
        MeterGetConfig(engine_, &c);
        RECT r = {x, y, x + w, y + h};
        AdjustWindowRectEx(&r, WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU | WS_HSCROLL, FALSE,
                           WS_EX_TOPMOST);
        r.bottom += GetSystemMetrics(SM_CYHSCROLL);
        c.windowRect = MeterRect{r.left, r.top, r.right - 1, r.bottom - 1};
        MeterSetConfig(engine_, &c);
        EXPECT_EQ(1, OpenMeterWindow(&panel_));
        Pump();
        return window();
    }

    static void Pump() { modaltest::Pump(); }

    // Paints now.
    void Repaint() {
        InvalidateRect(window(), nullptr, TRUE);
        UpdateWindow(window());
    }

    MeterConfig Config() {
        MeterConfig c;
        MeterGetConfig(engine_, &c);
        return c;
    }

    // Appends count slots of 0.1 s (4410 samples at 10 frames per second),
    // each with the given levels; the view follows.
    void FillHistory(int32_t count, float peak = 0.5f, float power = 0.001f, float average = 0.01f,
                     float correlation = 0.5f) {
        testsupport::AppendSlots(engine_, count, [=](int32_t, HistoryRecord& r) {
            r.peakL = r.peakR = peak;
            r.powerL = r.powerR = power;
            r.averageL = r.averageR = average;
            r.correlation = correlation;
        });
    }
    HistoryStore* Store() { return &engine_->frame.history; }

    // Zone brushes as solid colours, so that pixels can be compared.
    void SolidZones() {
        MeterSettings* s = GetMeterSettings();
        s->values.brushType = 0;
        BuildMeterObjects(s);
    }

    HINSTANCE instance_ = nullptr;
    SettingsTestRoot root_;
    MeterEngine* engine_ = nullptr;
    ControlPanel panel_ = {};
    Recorder peak_, rms_, average_, zoom_;
    FakeUi ui_;
};

inline COLORREF Palette(int i) {
    return PaletteColor(static_cast<uint16_t>(i));
}

// A top-down 32-bit DIB with a memory DC, filled with one colour.
class Dib {
  public:
    Dib(int w, int h, COLORREF fill = RGB(1, 2, 3)) : w_(w), h_(h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, w, h};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~Dib() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    HDC dc() const { return dc_; }
    int width() const { return w_; }
    int height() const { return h_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * w_ + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    // Copies the window's client area (from its own DC) into this DIB.
    void CaptureClient(HWND window) {
        HDC dc = GetDC(window);
        BitBlt(dc_, 0, 0, w_, h_, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    }

  private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

} // namespace mwtest
