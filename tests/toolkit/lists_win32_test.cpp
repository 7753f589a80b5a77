#include "toolkit/list2d.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <vector>

namespace {

using tktest::Command;
using tktest::Event;

constexpr uint16_t kId = 0x51;

const ListCursor& Cursor(HWND list) {
    const List3D* list3d = List3DFromWindow(list);
    return list3d ? list3d->cursor : List2DFromWindow(list)->cursor;
}

void Place(HWND list, int32_t current, int32_t first) {
    auto* cursor = const_cast<ListCursor*>(&Cursor(list));
    cursor->current = current;
    cursor->first = first;
}

class ListTest : public tktest::ToolkitTest {
  protected:
    // 20 lines, 7 shown.
    HWND Make3D(int32_t layers = 4, int32_t lines = 20) {
        // 4 layers 6 apart: panel 182 x 122, (122 - 4) / 16 = 7 lines
        List3DCreate create = {owner(), kId,   10,      10, 200,     140,    layers,
                               6,       lines, nullptr, {}, nullptr, nullptr};
        HWND list = CreateList3D(&create);
        EXPECT_NE(nullptr, list);
        return list;
    }
    HWND Make2D() {
        List2DCreate create = {owner(), kId, 220, 10, 150, 7 * 16, 0, 20, nullptr, nullptr};
        HWND list = CreateList2D(&create);
        EXPECT_NE(nullptr, list);
        return list;
    }
};

TEST_F(ListTest, KeyTableOfBothLists) {
    const struct {
        WPARAM key;
        int32_t current, first;
        int32_t afterCurrent, afterFirst;
        std::vector<Event> events;
    } cases[] = {
        {VK_DOWN, 7, 1, 8, 2, {}},
        {VK_NEXT, 1, 1, 7, 1, {}},
        {VK_HOME, 10, 4, 1, 1, {}},
        {VK_END, 1, 1, 20, 14, {}},
        {VK_RETURN, 5, 1, 5, 1, {Command(kId, 5.0f)}},
        {VK_RETURN, 20, 14, 20, 14, {Command(kId, 20.0f)}},
        {VK_TAB, 5, 1, 5, 1, {Event{WM_KEYDOWN, VK_TAB, 0}}},
    };
    HWND lists[] = {Make3D(), Make2D()};
    for (HWND list : lists) {
        EXPECT_EQ(7, Cursor(list).page);
        for (const auto& c : cases) {
            Place(list, c.current, c.first);
            SendMessageA(list, WM_KEYDOWN, c.key, 0);
            EXPECT_EQ(c.afterCurrent, Cursor(list).current) << "key " << c.key;
            EXPECT_EQ(c.afterFirst, Cursor(list).first) << "key " << c.key;
            EXPECT_EQ(c.events, owner_->Take()) << "key " << c.key;
        }
    }
    Place(lists[1], 1, 1);
    SendMessageA(lists[1], WM_VSCROLL, SB_PAGEDOWN, 0); // a click below the thumb
    EXPECT_EQ(7, Cursor(lists[1]).first) << "a page less one line down";
}

// A click on a line of the 3D list chooses it and gives the mouse back.
TEST_F(ListTest, ClickChoosesTheLineAndReleasesTheMouse) {
    HWND list = Make3D();
    const List3D* record = List3DFromWindow(list);
    const int x = record->panelX + 20, y = record->panelY + 36; // the third line
    tktest::Mouse(list, WM_LBUTTONDOWN, x, y);
    EXPECT_EQ(list, GetCapture());
    tktest::Mouse(list, WM_LBUTTONUP, x, y);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(3, Cursor(list).current);
    EXPECT_EQ(std::vector<Event>{Command(kId, 3.0f)}, owner_->Take());
}

TEST_F(ListTest, OwnerRequestsAndMenuCommandsMoveTheCurrentLine) {
    HWND list = Make3D();
    const struct {
        WPARAM request;
        float line;
        int32_t after;
    } cases[] = {
        {kListMenuLastLine, 0, 20},    {kListRequestGoTo, 12.7f, 12}, {kListRequestGoTo, 21.0f, 12},
        {kListRequestGoTo, 20.0f, 20}, {kListRequestUp, 0, 19},       {kListRequestDown, 0, 20},
        {kListRequestDown, 0, 20},
    };
    for (const auto& c : cases) {
        SendMessageA(list, WM_COMMAND, c.request, FloatToBits(c.line));
        EXPECT_EQ(c.after, Cursor(list).current) << c.request << " " << c.line;
    }
    EXPECT_EQ(14, Cursor(list).first) << "scrolled only as far as needed";
    EXPECT_FLOAT_EQ(20.0f, SendCommand(list, kRequestGetValue, 0));
    EXPECT_TRUE(owner_->Take().empty()) << "requests and menu commands report nothing";
}

TEST_F(ListTest, LayersAreCutToSixteenAndStepPerLine) {
    const struct { int32_t asked, kept; } cases[] = {{40, 16}, {0, 1}};
    for (const auto& c : cases) {
        HWND list = Make3D(c.asked);
        EXPECT_EQ(c.kept, List3DFromWindow(list)->layers) << c.asked;
        DestroyWindow(list);
    }
    HWND list = Make3D(3);
    const uint8_t* layers = List3DFromWindow(list)->lineLayers;
    for (WPARAM key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_LEFT})
        SendMessageA(list, WM_KEYDOWN, key, 0);
    EXPECT_EQ(1, layers[0]) << "up to 2, then one back";
    SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(list, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(0, layers[1]) << "not below 0";
}

} // namespace
