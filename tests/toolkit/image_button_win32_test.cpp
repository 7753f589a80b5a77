#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/image_button.h"

namespace {

using tktest::Command;
using tktest::Event;
using tktest::Mouse;
using tktest::ToolkitTest;

constexpr uint16_t kId = 5;

HWND MakeButton(HWND owner, uint32_t mode) {
    return CreateImageButton(owner, kId, 10, 10, mode, ToolkitBitmap(0), ToolkitBitmap(1), nullptr,
                             nullptr, nullptr);
}

TEST_F(ToolkitTest, ButtonReportsEachModeAsItsOwnerExpects) {
    const Event begin = Command(kNotifyBegin | kId, 0), end = Command(kNotifyEnd | kId, 0);
    HWND push = MakeButton(owner(), kButtonPush | kNotifyBeginEnd);
    Mouse(push, WM_LBUTTONDOWN, 5, 5);
    Mouse(push, WM_LBUTTONUP, 60, 5); // released outside
    EXPECT_EQ((std::vector<Event>{begin, end}), owner_->Take());
    EXPECT_NE(push, GetCapture());

    HWND radio = MakeButton(owner(), kButtonRadio | kNotifyBeginEnd);
    Mouse(radio, WM_LBUTTONDOWN, 5, 5);
    Mouse(radio, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ((std::vector<Event>{begin, Command(kId, 1), end}), owner_->Take());
    Mouse(radio, WM_LBUTTONDOWN, 5, 5); // clicked while set
    Mouse(radio, WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(owner_->Take().empty());
    EXPECT_EQ(1.0f, SendCommand(radio, kRequestGetValue, 0));
}

} // namespace
