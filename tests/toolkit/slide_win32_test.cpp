#include "toolkit/slide.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <vector>

namespace {

using tktest::Command;
using tktest::Event;

constexpr uint16_t kId = 0x41;

using tktest::PixelAt;
using tktest::ValueOf;

class SlideTest : public tktest::ToolkitTest {
  protected:
    // 0..100 from 50 in steps of 1: 200 x 20 horizontal, 20 x 200 vertical.
    HWND Make(bool horizontal, uint32_t style = kKnobContinuous | kNotifyBeginEnd) {
        const int32_t across = horizontal ? 200 : 20;
        const uint32_t bits = style | (horizontal ? kSlideHorizontal : 0);
        SlideCreate create = {owner(), kId,  20,     10,    across, 220 - across, bits,   nullptr,
                              nullptr, 0.0f, 100.0f, 50.0f, 1.0f,   nullptr,      nullptr};
        HWND slide = CreateSlide(&create);
        EXPECT_NE(nullptr, slide);
        UpdateWindow(slide);
        return slide;
    }
};

// Along the track from the middle of a 200-pixel slide: x for horizontal, y for vertical.
POINT Along(bool horizontal, int at) {
    return horizontal ? POINT{at, 10} : POINT{10, at};
}

TEST_F(SlideTest, DragsInBothOrientationsAndModes) {
    const struct {
        const char* name;
        bool horizontal;
        uint32_t setToPos;
        int from, to; // along the track
        float pressed, released;
    } cases[] = {
        {"vertical steps: up increases", false, 0, 100, 90, 50.0f, 60.0f},
        {"vertical direct: top is max", false, 1, 5, 195, 100.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options()->sSetToPos = c.setToPos;
        HWND slide = Make(c.horizontal);
        POINT from = Along(c.horizontal, c.from);
        SendMessageA(slide, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        EXPECT_NEAR(c.pressed, ValueOf(slide), 1e-3);
        EXPECT_EQ(slide, GetCapture());
        POINT to = Along(c.horizontal, c.to);
        SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        SendMessageA(slide, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        EXPECT_NEAR(c.released, ValueOf(slide), 1e-3);
        EXPECT_EQ(nullptr, GetCapture());
        std::vector<Event> events = owner_->Take();
        ASSERT_GE(events.size(), 3u);
        events.erase(events.begin() + 1, events.end() - 2);
        EXPECT_EQ(tktest::Framed(kId, ValueOf(slide)), events);
        DestroyWindow(slide);
    }
}

TEST_F(SlideTest, WithoutMouseCapturedLeavingEndsTheDragAndComingBackResumesIt) {
    options()->sCapture = 0;
    HWND slide = Make(true, 0);
    SendMessageA(slide, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
    SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(105, 10));
    SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(105, 40)); // out below
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(std::vector<Event>{Command(kId, 55.0f)}, owner_->Take()) << "as a release";
    SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(105, 10)); // back in
    EXPECT_EQ(slide, GetCapture());
    SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(115, 10));
    SendMessageA(slide, WM_LBUTTONUP, 0, MAKELPARAM(115, 10));
    EXPECT_FLOAT_EQ(65.0f, ValueOf(slide));

    options()->sCapture = 1; // captured: leaving keeps the drag
    SendMessageA(slide, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
    SendMessageA(slide, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 40));
    EXPECT_EQ(slide, GetCapture());
    SendMessageA(slide, WM_LBUTTONUP, 0, MAKELPARAM(250, 40));
    EXPECT_FLOAT_EQ(100.0f, ValueOf(slide)) << "150 steps clamp at the maximum";
}

TEST_F(SlideTest, ThumbIsDrawnWhereTheValueIs) {
    HWND slide = Make(false);
    SendMessageA(slide, WM_COMMAND, kRequestSetValue, FloatToBits(100.0f));
    EXPECT_EQ(PaletteColor(13), PixelAt(slide, 5, 3)) << "thumb at the top";
    EXPECT_EQ(PaletteColor(12), PixelAt(slide, 3, 97)) << "track";
}

TEST_F(SlideTest, RefusesSizesWithoutRoomForTheThumb) {
    SlideCreate create = {owner(), 0,    0,    0,    10,   20,      kSlideHorizontal, nullptr,
                          nullptr, 0.0f, 1.0f, 0.0f, 0.0f, nullptr, nullptr};
    EXPECT_EQ(nullptr, CreateSlide(&create));
}

} // namespace
