// Window utilities on real windows: Tab focus among children, keeping a
// window on the screen, and the two rubber-band drags.
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/toolkit.h"

#include <string>

namespace {

using tktest::OwnerWindow;
using tktest::ToolkitTest;

class WindowUtilTest : public ToolkitTest {
  protected:
    // Five edit-less plain children; disabled ones as listed.
    void MakeChildren(HWND parent, std::initializer_list<int> disabled) {
        for (int i = 0; i < 5; ++i) {
            children_[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, i * 20, 0, 16,
                                           16, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        }
        for (int i : disabled)
            EnableWindow(children_[i], FALSE);
    }
    int FocusIndex() const {
        HWND focus = GetFocus();
        for (int i = 0; i < 5; ++i)
            if (children_[i] == focus) return i;
        return -1;
    }
    static void SetShift(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = down ? 0x80 : 0;
        keys[VK_LSHIFT] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    HWND children_[5] = {};
};

TEST_F(WindowUtilTest, TabCyclesForwardWithWrapAndBackwardWithoutIt) {
    OwnerWindow owner;
    MakeChildren(owner.window(), {0, 3});
    const struct {
        const char* name;
        int focus; // -1: the parent window has the focus
        bool shift;
        int expected; // -1: unchanged, the parent keeps it
    } kCases[] = {
        {"forward skips a disabled one", 2, false, 4},
        {"forward wraps past the disabled first child", 4, false, 1},
        {"backward to the previous enabled", 4, true, 2},
        {"backward stops at the first enabled", 1, true, 1},
        {"nothing focused, disabled first child, forward", -1, false, 1},
        {"nothing focused, backward", -1, true, -1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SetFocus(c.focus < 0 ? owner.window() : children_[c.focus]);
        SetShift(c.shift);
        EXPECT_EQ(0, CycleTabFocus(owner.window(), WM_KEYDOWN, VK_TAB, 0));
        EXPECT_EQ(c.expected, FocusIndex());
    }
    SetShift(false);
    SetFocus(children_[2]);
    EXPECT_EQ(1, CycleTabFocus(owner.window(), WM_KEYDOWN, VK_RETURN, 0)) << "not Tab";
    EXPECT_EQ(2, FocusIndex());
}

RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

TEST_F(WindowUtilTest, WindowDragMovesOnlyToADrawnOutline) {
    OwnerWindow holder(10, 10), owner(100, 80);
    SetWindowPos(owner.window(), nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetCapture(holder.window());
    WindowDragState drag;
    WindowDragInit(&drag, owner.window());
    WindowDragMove(&drag, 50, 50); // not active yet: ignored
    EXPECT_EQ(0, drag.drawn);
    WindowDragBegin(&drag, 30, 20);
    EXPECT_EQ(owner.window(), GetCapture());
    WindowDragEnd(&drag, 70, 60); // no move: stays in place
    RECT rect = WindowRect(owner.window());
    EXPECT_TRUE(rect.left == 150 && rect.top == 120);
    EXPECT_EQ(0, drag.active);
    EXPECT_EQ(holder.window(), GetCapture()) << "the capture goes back to its holder";
    ReleaseCapture();

    WindowDragBegin(&drag, 30, 20);
    WindowDragMove(&drag, 40, 25);
    WindowDragMove(&drag, 60, 30); // both in the old client coordinates
    WindowDragEnd(&drag, 500, 500); // the release point does not count
    rect = WindowRect(owner.window());
    EXPECT_TRUE(rect.left == 180 && rect.top == 130);
    EXPECT_EQ(100, rect.right - rect.left) << "not resized";
}

TEST_F(WindowUtilTest, BoundedDragClampsTheOutlineToItsBounds) {
    OwnerWindow owner(300, 200);
    const struct {
        int x, y;
        int left, top;
    } kCases[] = {
        {60, 50, 50, 40},     // grabbed 10, 10 into the rectangle
        {0, 0, 20, 10},       // clamped at minX, minY
        {400, 400, 230, 170}, // clamped at maxX - width, maxY - height
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        BoundedDragState drag;
        BoundedDragInit(&drag, owner.window(), 20, 10, 270, 190);
        BoundedDragBegin(&drag, 40, 40, 30, 30, 40, 20);
        EXPECT_EQ(1, BoundedDragActive(&drag));
        BoundedDragMove(&drag, c.x, c.y);
        BoundedDragEnd(&drag);
        EXPECT_EQ(0, BoundedDragActive(&drag));
        EXPECT_EQ(c.left, drag.finalLeft);
        EXPECT_EQ(c.top, drag.finalTop);
    }
}

TEST_F(WindowUtilTest, KeepOnScreenPullsTheWindowBackInside) {
    OwnerWindow owner(100, 80);
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        int x, y;
        int left, top;
    } kCases[] = {
        {10, 20, 10, 20},
        {screenW - 50, screenH - 10, screenW - 101, screenH - 81}, // inclusive sizes
        {-30, -40, 0, 0},
    };
    for (const auto& c : kCases) {
        SetWindowPos(owner.window(), nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(owner.window(), SW_HIDE);
        KeepOnScreen(owner.window());
        const RECT rect = WindowRect(owner.window());
        EXPECT_EQ(c.left, rect.left) << c.x;
        EXPECT_EQ(c.top, rect.top) << c.y;
        EXPECT_TRUE(IsWindowVisible(owner.window()));
    }
}

} // namespace
