#include "toolkit/value_grid.h"

#include "tests/support/modal_script_win32.h"
#include "tests/toolkit/toolkit_test_support.h"

#include <string>
#include <vector>

namespace {

using modaltest::Key;
using modaltest::Script;
using modaltest::Step;
using modaltest::Type;
using tktest::Command;
using tktest::Event;
using tktest::Popup;

constexpr uint16_t kId = 0x61;

TEST(GridZoom, OriginsRescaleAndClamp) {
    const struct {
        int32_t origin, oldZoom, newZoom, content, visible, expected;
    } cases[] = {
        {200, 100, 200, 2000, 130, 400},
        {300, 100, 25, 250, 130, 75},
        {100, 100, 25, 250, 300, 0},
        {50, 0, 100, 1000, 100, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected,
                  GridRescaledOrigin(c.origin, c.oldZoom, c.newZoom, c.content, c.visible))
            << c.origin << " " << c.oldZoom << "->" << c.newZoom;
}

class ValueGridTest : public tktest::ToolkitTest {
  protected:
    // 10 x 50 cells of 60 x 20 in a 200 x 150 window.
    ValueGridCreate Spec() {
        return ValueGridCreate{owner(), kId, 10, 10, 200, 150, 10, 50, 60, 20, 0, nullptr, nullptr};
    }
    HWND Make() {
        ValueGridCreate create = Spec();
        HWND grid = CreateValueGrid(&create);
        EXPECT_NE(nullptr, grid);
        return grid;
    }
    static const ValueGrid* Grid(HWND grid) { return ValueGridFromWindow(grid); }
    static void CtrlClick(HWND grid, int x, int y) {
        SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x, y));
    }
};

// Types text into the value editor and presses Enter.
Step TypeAndEnter(const char* text) {
    return [text](HWND d) {
        HWND edit = GetDlgItem(d, 10);
        Type(edit, text);
        Key(edit, VK_RETURN);
    };
}

TEST_F(ValueGridTest, CtrlClickEditsACell) {
    const struct {
        const char* name;
        int32_t time;
        float before;
        Step script;
        uint32_t slot;
        float after;
        bool reported;
        int notchesDown; // the wheel scrolls a row per notch
    } cases[] = {
        {"typed", 0, 1.25f, TypeAndEnter("2,5"), kPopupEditValue, 2.5f, true, 0},
        {"typed after scrolling", 0, 1.25f, TypeAndEnter("3"), kPopupEditValue, 3.0f, true, 1},
        {"time cell cancelled", 1, 2.0f, [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); },
         kPopupTimeEntry, 2.0f, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND grid = Make();
        ValueGridSetCell(grid, 1, 2, c.before, c.time);
        for (int n = 0; n < c.notchesDown; ++n)
            SendMessageA(grid, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
        Script driver(Popup(c.slot), c.script);
        CtrlClick(grid, 60 + 10, 40 + 5 - 20 * c.notchesDown); // column 1, row 2
        EXPECT_TRUE(driver.ran());
        GridCell cell = {};
        ASSERT_EQ(1, ValueGridGetCell(grid, 1, 2, &cell));
        EXPECT_FLOAT_EQ(c.after, cell.value);
        EXPECT_EQ(c.reported ? 21 : -1, Grid(grid)->lastEdited);
        EXPECT_EQ(c.reported ? std::vector<Event>{Command(kId, c.after)} : std::vector<Event>{},
                  owner_->Take());
        DestroyWindow(grid);
    }
}

TEST_F(ValueGridTest, ZoomKeepsTheScrollProportionsAndCtrlClickOutsideResetsIt) {
    HWND grid = Make();
    const ValueGrid* record = Grid(grid);
    for (int i = 0; i < 10; ++i)
        SendMessageA(grid, WM_KEYDOWN, VK_DOWN, 0);
    ValueGridSetZoom(grid, 25); // content 150 x 250
    EXPECT_EQ(50, record->originY);
    EXPECT_EQ(50, GetScrollPos(grid, SB_VERT)) << "the scroll bar follows";
    SendMessageA(grid, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(250 - record->visibleHeight, record->originY) << "clamped to the content";
    EXPECT_EQ(0, record->originX) << "150 wide fits";
    // Ctrl + click right of the last column (at 25 % the columns end at 150).
    Script none(Popup(kPopupEditValue), [](HWND d) {
        ADD_FAILURE() << "no cell there";
        PostMessageA(d, WM_CLOSE, 0, 0);
    });
    CtrlClick(grid, 170, 10);
    EXPECT_EQ(100, record->zoom);
    EXPECT_EQ(nullptr, ToolkitPopup(kPopupEditValue));
}

TEST_F(ValueGridTest, GridDestroyedWhileItsEditorIsOpen) {
    for (int32_t time : {0, 1}) {
        HWND grid = Make();
        ValueGridSetCell(grid, 0, 0, 1.0f, time);
        Script driver(Popup(time ? kPopupTimeEntry : kPopupEditValue), [grid](HWND d) {
            DestroyWindow(grid);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
        });
        CtrlClick(grid, 5, 5);
        EXPECT_TRUE(driver.ran());
        EXPECT_FALSE(IsWindow(grid));
        EXPECT_TRUE(owner_->Take().empty());
    }
}

TEST_F(ValueGridTest, RefusesEmptyOrOversizedGrids) {
    ValueGridCreate create = Spec();
    for (int32_t rows : {0, 2000000}) {
        create.rows = rows;
        EXPECT_EQ(nullptr, CreateValueGrid(&create)) << rows;
    }
}

} // namespace
