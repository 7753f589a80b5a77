#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/toolkit.h"

namespace {

using tktest::OwnerWindow;
using tktest::ToolkitTest;

void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

TEST_F(ToolkitTest, TabCyclesForwardWithWrapAndBackwardWithoutIt) {
    OwnerWindow owner;
    HWND children[5];
    for (int i = 0; i < 5; ++i)
        children[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, i * 20, 0, 16, 16,
                                      owner.window(), nullptr, GetModuleHandleA(nullptr), nullptr);
    EnableWindow(children[0], FALSE);
    SetFocus(children[4]);
    EXPECT_EQ(0, CycleTabFocus(owner.window(), WM_KEYDOWN, VK_TAB, 0));
    EXPECT_EQ(children[1], GetFocus()) << "forward wraps past the disabled first child";
    SetShift(true);
    EXPECT_EQ(0, CycleTabFocus(owner.window(), WM_KEYDOWN, VK_TAB, 0));
    EXPECT_EQ(children[1], GetFocus()) << "backward stops at the first enabled";
    SetShift(false);
}

TEST_F(ToolkitTest, WindowDragEndWithoutAMoveLeavesTheWindow) {
    OwnerWindow holder(10, 10), owner(100, 80);
    SetWindowPos(owner.window(), nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetCapture(holder.window());
    WindowDragState drag;
    WindowDragInit(&drag, owner.window());
    WindowDragBegin(&drag, 30, 20);
    EXPECT_EQ(owner.window(), GetCapture());
    WindowDragEnd(&drag, 70, 60);
    RECT rect;
    GetWindowRect(owner.window(), &rect);
    EXPECT_TRUE(rect.left == 150 && rect.top == 120);
    EXPECT_EQ(0, drag.active);
    EXPECT_EQ(holder.window(), GetCapture()) << "the capture goes back to its holder";
    ReleaseCapture();
}

} // namespace
