// Pictures of the main window for people to look at: run by
// tools/main-window-screenshots inside a Wine virtual desktop, which draws
// the frame and caption. Skipped unless TENVELO_SCREENSHOT_DIR names the
// folder to write main_window_lamp_on.bmp and main_window_lamp_off.bmp to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/main_window_test_support.h"
#include "tools/demo_wave.h"
#include "view/status_panel.h"

namespace {

// Copies the window, frame included, from the screen into a 24-bit BMP file.
bool CaptureWindow(HWND window, const std::string& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    AppendLe(file, 54 + stride * h, 4);
    AppendLe(file, 0, 4);
    AppendLe(file, 54, 4);
    const auto* header = reinterpret_cast<const uint8_t*>(&info.bmiHeader);
    file.insert(file.end(), header, header + 40);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    file.insert(file.end(), pixels, pixels + stride * h);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    ReleaseDC(nullptr, screen);
    return testsupport::WriteAll(path, file);
}

class MainWindowScreenshot : public apptest::MainWindowTest {
  protected:
    void SetUp() override {
        if (!std::getenv("TENVELO_SCREENSHOT_DIR")) GTEST_SKIP() << "no folder named";
        apptest::MainWindowTest::SetUp();
    }
};

TEST_F(MainWindowScreenshot, LampOnAndOff) {
    const char* folder = std::getenv("TENVELO_SCREENSHOT_DIR");
    SetWindowPos(window(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    const std::string wave = dir_.file("demo.wav");
    ASSERT_TRUE(demo::WriteDemoWave(wave, 10.0));
    ASSERT_EQ(WaveFileOpen(&p().file, wave.c_str()), kWaveOpened);
    SendMessageA(window(), WM_COMMAND, 21, 0);
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    apptest::Pump(2500);
    // Catch the blink with the lamp lit.
    ASSERT_TRUE(apptest::PumpUntil([&] { return p().panel.lampPhase == 0; }, 1000));
    apptest::Pump(50);
    EXPECT_TRUE(CaptureWindow(window(), std::string(folder) + "\\main_window_lamp_on.bmp"));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(p().panel.recordSwitch, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    SendMessageA(window(), WM_COMMAND, 22, 0);
    apptest::Pump(700);
    EXPECT_TRUE(CaptureWindow(window(), std::string(folder) + "\\main_window_lamp_off.bmp"));
}

} // namespace
