// Screenshots of the toolkit's editors for people to look at, taken by
// tools/screenshots (toolkit_*.png).
#include "toolkit/knob.h"
#include "toolkit/list2d.h"
#include "toolkit/precision_adjuster.h"
#include "toolkit/slide.h"
#include "toolkit/value_grid.h"

#include "tools/gui/screenshot.h"
#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class ToolkitScreenshots : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        if (shots::Folder().empty()) GTEST_SKIP() << "TENVELO_SCREENSHOT_DIR is not set";
        tktest::ToolkitTest::SetUp();
        owner_ = std::make_unique<tktest::OwnerWindow>(560, 330);
        SetWindowPos(owner(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        knob_ = CreateKnob(owner(), 1, 20, 20, 0x011000A0 | kKnobDecibel, knobFace_, 16, 16, 240,
                           300, 0.001f, 2.0f, 0.5f, 1.0f, nullptr, nullptr);
    }
    void TearDown() override {
        if (shots::Folder().empty()) return;
        tktest::ToolkitTest::TearDown();
    }
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

    EXPECT_TRUE(shots::SaveWindow(owner(), "toolkit_slide_grid_lists.bmp"));
    RECT gridRect;
    GetWindowRect(gridWindow, &gridRect);
    EXPECT_TRUE(shots::SaveScreen(gridRect, "toolkit_grid.bmp"));

    // The edit-text dialog over the knob.
    {
        modaltest::Script driver(tktest::Popup(kPopupEditValue), [](HWND d) {
            EXPECT_TRUE(shots::SaveWindow(d, "toolkit_edit_text.bmp", 40));
            PostMessageA(d, WM_CLOSE, 0, 0);
        });
        SendMessageA(knob_, WM_KEYDOWN, VK_INSERT, 0);
    }
    // The time-entry dialog with two notes picked in append mode.
    options()->timeEntry.replaceMode = 0;
    {
        modaltest::Script driver(tktest::Popup(kPopupTimeEntry),
                                 {[](HWND d) {
                                      for (int cell : {12, 3}) {
                                          const int x = 180 + (cell % 5) * 32 + 16;
                                          const int y = 25 + (cell / 5) * 32 + 16;
                                          SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON,
                                                       MAKELPARAM(x, y));
                                          SendMessageA(d, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                                      }
                                  },
                                  [](HWND d) {
                                      EXPECT_TRUE(shots::SaveWindow(d, "toolkit_time_entry.bmp"));
                                      PostMessageA(d, WM_CLOSE, 0, 0);
                                  }});
        TimeEntryDialog(owner(), 0x7E0, 30, 60, 0.5f);
    }
    // The precision adjuster on the knob.
    SendMessageA(knob_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(16, 16));
    HWND adjuster = ToolkitPopup(kPopupAdjuster);
    ASSERT_NE(nullptr, adjuster);
    SetWindowPos(adjuster, HWND_TOP, 600, 20, 0, 0, SWP_NOSIZE);
    EXPECT_TRUE(shots::SaveWindow(adjuster, "toolkit_adjuster.bmp"));
}

} // namespace
