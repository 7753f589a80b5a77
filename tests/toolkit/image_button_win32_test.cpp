// Image buttons and free panels as real windows: what each press, release,
// key and timer tick reports to the owner.
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/free_panel.h"
#include "toolkit/image_button.h"

#include <cmath>

namespace {

using tktest::CallbackLog;
using tktest::Command;
using tktest::Event;
using tktest::Mouse;
using tktest::OwnerWindow;
using tktest::ToolkitTest;

constexpr uint16_t kId = 5;
constexpr uint32_t kBegin = kNotifyBegin | kId;
constexpr uint32_t kEnd = kNotifyEnd | kId;

// One step of user input on a 24 x 16 standard button.
enum Step { kDownIn, kUpIn, kUpOut, kKeyDown, kKeyUp, kTab, kDisable };

void Apply(HWND button, Step step) {
    switch (step) {
    case kDownIn: Mouse(button, WM_LBUTTONDOWN, 5, 5); break;
    case kUpIn: Mouse(button, WM_LBUTTONUP, 5, 5); break;
    case kUpOut: Mouse(button, WM_LBUTTONUP, 60, 5); break;
    case kKeyDown: SendMessageA(button, WM_KEYDOWN, VK_SPACE, 0); break;
    case kKeyUp: SendMessageA(button, WM_KEYUP, VK_SPACE, 0); break;
    case kTab: SendMessageA(button, WM_KEYDOWN, VK_TAB, 0); break;
    case kDisable: SendCommand(button, kRequestDisable, 0); break;
    }
}

TEST_F(ToolkitTest, ButtonReportsEachModeAsItsOwnerExpects) {
    const struct {
        const char* name;
        uint32_t mode;
        std::vector<Step> steps;
        std::vector<Event> expected;
        float value; // afterwards
    } kCases[] = {
        {"push click", kButtonPush, {kDownIn, kUpIn}, {Command(kId, 1)}, 0},
        {"push click, framed", kButtonPush | kNotifyBeginEnd, {kDownIn, kUpIn},
         {Command(kBegin, 0), Command(kId, 1), Command(kEnd, 0)}, 0},
        {"push released outside, framed", kButtonPush | kNotifyBeginEnd, {kDownIn, kUpOut},
         {Command(kBegin, 0), Command(kEnd, 0)}, 0},
        {"push by space key", kButtonPush, {kKeyDown, kKeyUp}, {Command(kId, 1)}, 0},
        {"toggle twice", kButtonToggle, {kDownIn, kUpIn, kDownIn, kUpOut},
         {Command(kId, 1), Command(kId, 0)}, 0},
        {"radio framed, then clicked while set", kButtonRadio | kNotifyBeginEnd,
         {kDownIn, kUpIn, kDownIn, kUpIn}, {Command(kBegin, 0), Command(kId, 1), Command(kEnd, 0)}, 1},
        {"static", kButtonStatic, {kDownIn, kUpIn, kKeyDown, kKeyUp}, {}, 0},
        {"disabled push", kButtonPush, {kDisable, kDownIn, kUpIn}, {}, 0},
        {"tab goes to the owner", kButtonToggle, {kTab}, {Event{WM_KEYDOWN, VK_TAB, 0}}, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        HWND button = CreateImageButton(owner(), kId, 10, 10, c.mode, ToolkitBitmap(0),
                                        ToolkitBitmap(1), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, button);
        for (Step step : c.steps)
            Apply(button, step);
        EXPECT_EQ(c.expected, owner_->Take());
        EXPECT_EQ(c.value, SendCommand(button, kRequestGetValue, 0));
        EXPECT_NE(button, GetCapture()) << "the capture is given back";
        DestroyWindow(button);
    }
}

TEST_F(ToolkitTest, ButtonWithACallbackReportsThroughIt) {
    CallbackLog log;
    HWND button = CreateImageButton(owner(), kId, 0, 0, kButtonToggle, ToolkitBitmap(2),
                                    ToolkitBitmap(3), nullptr, CallbackLog::Record, &log);
    ASSERT_NE(nullptr, button);
    Apply(button, kDownIn);
    EXPECT_EQ((std::vector<Event>{Command(kId, 1)}), log.events);
    EXPECT_TRUE(owner_->Take().empty());
    DestroyWindow(button);
}

// Ticks the button's 50 ms timer by hand and returns, in ms after the press,
// when it reported a click.
std::vector<int> RepeatTimes(OwnerWindow& owner, HWND button, int ticks, int outsideFrom = -1,
                             int outsideTo = -1) {
    std::vector<int> times;
    Mouse(button, WM_LBUTTONDOWN, 5, 5);
    for (const Event& e : owner.Take())
        if (e == Command(kId, 1)) times.push_back(0);
    for (int tick = 1; tick <= ticks; ++tick) {
        if (tick == outsideFrom) Mouse(button, WM_MOUSEMOVE, 100, 5);
        if (tick == outsideTo) Mouse(button, WM_MOUSEMOVE, 5, 5);
        SendMessageA(button, WM_TIMER, kButtonRepeatTimer, 0);
        for (const Event& e : owner.Take())
            if (e == Command(kId, 1)) times.push_back(tick * 50);
    }
    Mouse(button, WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(owner.Take().empty()) << "an auto-repeat release does not click";
    return times;
}

TEST_F(ToolkitTest, AutoRepeatFollowsItsSchedule) {
    HWND button = CreateImageButton(owner(), kId, 0, 0, kButtonPush | kButtonAutoRepeat,
                                    ToolkitBitmap(0), ToolkitBitmap(1), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ((std::vector<int>{0, 450, 650, 850}), RepeatTimes(*owner_, button, 20));
    // Outside from the 3rd to the 12th tick: ten ticks lost, the count stands still.
    EXPECT_EQ((std::vector<int>{0, 950, 1150}), RepeatTimes(*owner_, button, 24, 3, 13));
    DestroyWindow(button);
}

TEST_F(ToolkitTest, SetValueRequestTakesAnyNonZeroAsOne) {
    const struct {
        float request;
        float value;
    } kCases[] = {{0.5f, 1.0f}, {0.0f, 0.0f}, {-0.0f, 0.0f}, {NAN, 1.0f}};
    HWND button = CreateStandardButton(owner(), kId, 0, 0, 0);
    ASSERT_NE(nullptr, button);
    for (const auto& c : kCases) {
        SendCommand(button, kRequestSetValue, FloatToBits(c.request));
        EXPECT_EQ(c.value, SendCommand(button, kRequestGetValue, 0)) << c.request;
    }
    EXPECT_TRUE(owner_->Take().empty()) << "setting a value never notifies";
    DestroyWindow(button);
}

struct PanelLog {
    std::vector<UINT> messages;
    LRESULT createResult = 0;
};

LRESULT LoggingPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* context) {
    auto* log = static_cast<PanelLog*>(context);
    if (message == WM_CREATE || message == WM_DESTROY || message == WM_CLOSE ||
        message == WM_USER + 7) {
        log->messages.push_back(message);
        if (message == WM_CREATE) return log->createResult;
        return message == WM_USER + 7 ? 1234 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ToolkitTest, FreePanelHandsItsMessagesToTheCreatorsProcedure) {
    PanelLog log;
    HWND panel = CreateFreePanel(owner(), 9, 5, 6, 50, 40, LoggingPanelProc, &log);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(1234, SendMessageA(panel, WM_USER + 7, 0, 0));
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(panel)) << "WM_CLOSE destroys the panel";
    EXPECT_EQ((std::vector<UINT>{WM_CREATE, WM_USER + 7, WM_DESTROY}), log.messages);

    PanelLog refusing;
    refusing.createResult = -1;
    EXPECT_EQ(nullptr,
              CreateFreePanel(owner(), 9, 0, 0, 10, 10, LoggingPanelProc, &refusing));
    EXPECT_EQ((std::vector<UINT>{WM_CREATE}), refusing.messages);
    EXPECT_EQ(nullptr, CreateWindowExA(0, kFreePanelClassName, "", WS_CHILD, 0, 0, 10, 10,
                                       owner(), nullptr, GetModuleHandleA(nullptr), nullptr))
        << "no creation record, no procedure";
}

} // namespace
