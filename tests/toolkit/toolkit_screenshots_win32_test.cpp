// Screenshots of the toolkit's editors for people to look at. Runs only when
// TENVELO_SCREENSHOT_DIR names a folder; run it inside a Wine virtual
// desktop so that frames and captions are drawn, e.g.
//   "$TENVELO_WINE" explorer /desktop=shots,900x600 tenvelo_shell_tests.exe
//   --gtest_filter=ToolkitScreenshots.*
// It writes toolkit_*.bmp there (convert them with ImageMagick).
#include "toolkit/knob.h"
#include "toolkit/list2d.h"
#include "toolkit/precision_adjuster.h"
#include "toolkit/slide.h"
#include "toolkit/value_grid.h"

#include "tests/toolkit/dialog_driver.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ShotFolder() {
    const char* folder = std::getenv("TENVELO_SCREENSHOT_DIR");
    return folder ? folder : "";
}

void Settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (int i = 0; i < 20; ++i) {
        tktest::Pump();
        Sleep(10);
    }
}

// Writes the screen rectangle as a 24-bit BMP file.
bool Capture(const RECT& rect, const std::string& name) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t imageSize = stride * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageSize);
    bool ok = false;
    if (FILE* out = std::fopen((ShotFolder() + "/" + name).c_str(), "wb")) {
        ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, imageSize, 1, out) == 1;
        ok = std::fclose(out) == 0 && ok;
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool CaptureWindow(HWND window, const std::string& name, int margin = 0) {
    Settle(window);
    RECT rect;
    GetWindowRect(window, &rect);
    InflateRect(&rect, margin, margin);
    return Capture(rect, name);
}

class ToolkitScreenshots : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        if (ShotFolder().empty()) GTEST_SKIP() << "TENVELO_SCREENSHOT_DIR is not set";
        tktest::ToolkitTest::SetUp();
        owner_ = std::make_unique<tktest::OwnerWindow>(560, 330);
        SetWindowPos(owner(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        face_ = tktest::MakeKnobFace(32, RGB(180, 180, 180));
        knob_ = CreateKnob(owner(), 1, 20, 20, 0x011000A0 | kKnobDecibel, face_, 16, 16, 240, 300,
                           0.001f, 2.0f, 0.5f, 1.0f, nullptr, nullptr);
    }
    void TearDown() override {
        if (ShotFolder().empty()) return;
        tktest::ToolkitTest::TearDown();
        DeleteObject(face_);
    }
    HBITMAP face_ = nullptr;
    HWND knob_ = nullptr;
};

TEST_F(ToolkitScreenshots, ControlsAndEditors) {
    SlideCreate slide = {};
    slide.owner = owner();
    slide.id = 2;
    slide.x = 70;
    slide.y = 26;
    slide.width = 160;
    slide.height = 20;
    slide.style = kSlideHorizontal | kKnobContinuous;
    slide.max = 100.0f;
    slide.initial = 30.0f;
    slide.step = 1.0f;
    ASSERT_NE(nullptr, CreateSlide(&slide));
    slide.id = 3;
    slide.x = 250;
    slide.y = 10;
    slide.width = 20;
    slide.height = 130;
    slide.style = kKnobContinuous;
    slide.initial = 75.0f;
    HWND vertical = CreateSlide(&slide);
    SetFocus(vertical);

    ValueGridCreate grid = {};
    grid.owner = owner();
    grid.id = 4;
    grid.x = 20;
    grid.y = 160;
    grid.width = 250;
    grid.height = 150;
    grid.columns = 6;
    grid.rows = 12;
    grid.cellWidth = 70;
    grid.cellHeight = 20;
    HWND gridWindow = CreateValueGrid(&grid);
    for (int row = 0; row < 12; ++row)
        for (int column = 0; column < 6; ++column)
            ValueGridSetCell(gridWindow, column, row, row * 1.5f + column * 0.25f, column == 1);

    List3DCreate list3d = {};
    list3d.owner = owner();
    list3d.id = 5;
    list3d.x = 290;
    list3d.y = 10;
    list3d.width = 250;
    list3d.height = 150;
    list3d.layers = 4;
    list3d.layerSpacing = 6;
    list3d.lineCount = 30;
    HWND list = CreateList3D(&list3d);
    SendMessageA(list, WM_COMMAND, kListRequestGoTo, FloatToBits(3.0f));
    List2DCreate list2d = {};
    list2d.owner = owner();
    list2d.id = 6;
    list2d.x = 290;
    list2d.y = 170;
    list2d.width = 250;
    list2d.height = 140;
    list2d.lineCount = 30;
    HWND flat = CreateList2D(&list2d);
    SendMessageA(flat, WM_KEYDOWN, VK_NEXT, 0);

    EXPECT_TRUE(CaptureWindow(owner(), "toolkit_slide_grid_lists.bmp"));
    RECT gridRect;
    GetWindowRect(gridWindow, &gridRect);
    EXPECT_TRUE(Capture(gridRect, "toolkit_grid.bmp"));

    // The edit-text dialog over the knob.
    {
        tktest::DialogScript driver(kPopupEditValue, [](HWND d) {
            RECT rect;
            GetWindowRect(d, &rect);
            Settle(d);
            RECT around = {rect.left - 40, rect.top - 40, rect.right + 40, rect.bottom + 20};
            EXPECT_TRUE(Capture(around, "toolkit_edit_text.bmp"));
            PostMessageA(d, WM_CLOSE, 0, 0);
        });
        SendMessageA(knob_, WM_KEYDOWN, VK_INSERT, 0);
    }
    // The time-entry dialog with two notes picked in append mode.
    options()->timeEntry.replaceMode = 0;
    {
        tktest::DialogScript driver(
            kPopupTimeEntry, {[](HWND d) {
                                  for (int cell : {12, 3}) {
                                      const int x = 180 + (cell % 5) * 32 + 16;
                                      const int y = 25 + (cell / 5) * 32 + 16;
                                      SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
                                      SendMessageA(d, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                                  }
                              },
                              [](HWND d) {
                                  EXPECT_TRUE(CaptureWindow(d, "toolkit_time_entry.bmp"));
                                  PostMessageA(d, WM_CLOSE, 0, 0);
                              }});
        TimeEntryDialog(owner(), 0x7E0, 30, 60, 0.5f);
    }
    // The precision adjuster on the knob.
    SendMessageA(knob_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(16, 16));
    HWND adjuster = ToolkitPopup(kPopupAdjuster);
    ASSERT_NE(nullptr, adjuster);
    SetWindowPos(adjuster, HWND_TOP, 600, 20, 0, 0, SWP_NOSIZE);
    EXPECT_TRUE(CaptureWindow(adjuster, "toolkit_adjuster.bmp"));
}

} // namespace
