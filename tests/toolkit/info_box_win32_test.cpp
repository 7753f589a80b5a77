#include "toolkit/info_box.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <string>

namespace {

std::string BoxText() {
    char text[512] = {};
    GetWindowTextA(ToolkitValueBox(), text, sizeof text);
    return text;
}

RECT BoxRect() {
    RECT rect = {};
    GetWindowRect(ToolkitValueBox(), &rect);
    return rect;
}

class InfoBoxTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        SetWindowPos(owner(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        focus_ = CreateWindowExA(0, "button", "focus", WS_CHILD | WS_VISIBLE, 200, 100, 60, 20,
                                 owner(), nullptr, GetModuleHandleA(nullptr), nullptr);
        SetFocus(focus_);
    }
    void TearDown() override {
        InfoBoxHide();
        tktest::ToolkitTest::TearDown();
    }
    HWND focus_ = nullptr;
};

TEST_F(InfoBoxTest, ShowUpdateHide) {
    const struct {
        const char* step;
        int x, y; // owner client; -1: an update, -2: hide
        const char* text;
        bool visible;
        const char* shown;
    } cases[] = {
        {"show", 10, 20, "1.234", true, "1.234"},
        {"update", -1, 0, "2.5", true, "2.5"},
        {"hide", -2, 0, nullptr, false, "2.5"},
        {"update while hidden is dropped", -1, 0, "5", false, "2.5"},
        {"show again", -20, -10, "6", true, "6"},
    };
    EXPECT_EQ(BoxText(), "");
    EXPECT_FALSE(IsWindowVisible(ToolkitValueBox()));
    POINT at = {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        if (c.x == -1) {
            InfoBoxUpdate(c.text);
        } else if (c.x == -2) {
            InfoBoxHide();
            EXPECT_EQ(InfoBoxState()->owner, nullptr);
        } else {
            InfoBoxShow(owner(), c.x, c.y, c.text);
            at = POINT{c.x, c.y};
            ClientToScreen(owner(), &at);
            EXPECT_EQ(InfoBoxState()->owner, owner());
        }
        EXPECT_EQ(IsWindowVisible(ToolkitValueBox()) != 0, c.visible);
        EXPECT_EQ(BoxText(), c.shown);
        RECT rect = BoxRect();
        if (c.visible) {
            EXPECT_EQ(rect.left, at.x);
            EXPECT_EQ(rect.top, at.y);
        }
        EXPECT_EQ(rect.right - rect.left, kInfoBoxWidth);
        EXPECT_EQ(rect.bottom - rect.top, kInfoBoxHeight);
        EXPECT_EQ(GetFocus(), focus_); // the box never takes the focus
    }
}

TEST_F(InfoBoxTest, LongTextIsCutAndNullIsEmpty) {
    std::string longText(400, '7');
    InfoBoxShow(owner(), 0, 0, longText.c_str());
    EXPECT_EQ(BoxText(), std::string(kInfoBoxTextSize - 1, '7'));
    InfoBoxUpdate(nullptr);
    EXPECT_EQ(BoxText(), "");
}

TEST_F(InfoBoxTest, PaintsALightBoxWithDarkText) {
    InfoBoxShow(owner(), 10, 10, "88.888");
    HWND box = ToolkitValueBox();
    UpdateWindow(box);
    HDC dc = GetDC(box);
    RECT client;
    GetClientRect(box, &client);
    EXPECT_EQ(GetPixel(dc, 0, 0), PaletteColor(14));
    int dark = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            dark += GetPixel(dc, x, y) == PaletteColor(0);
    ReleaseDC(box, dc);
    EXPECT_GT(dark, 20); // the digits
}

TEST(InfoBoxWithoutToolkit, CallsDoNothing) {
    ASSERT_EQ(ToolkitValueBox(), nullptr);
    InfoBoxShow(nullptr, 1, 2, "x");
    InfoBoxUpdate("y");
    InfoBoxHide();
    EXPECT_EQ(InfoBoxState(), nullptr);
}

} // namespace
