#include "toolkit/info_box.h"

#include "tests/toolkit/toolkit_test_support.h"

namespace {

using tktest::ToolkitTest;

TEST_F(ToolkitTest, InfoBoxShowUpdateHide) {
    HWND box = ToolkitValueBox();
    char text[64] = {};
    InfoBoxShow(owner(), 10, 20, "1.234");
    POINT at = {10, 20};
    ClientToScreen(owner(), &at);
    RECT rect;
    GetWindowRect(box, &rect);
    EXPECT_TRUE(IsWindowVisible(box) && rect.left == at.x && rect.top == at.y);
    InfoBoxUpdate("2.5");
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "2.5");
    InfoBoxHide();
    EXPECT_FALSE(IsWindowVisible(box));
}

} // namespace
