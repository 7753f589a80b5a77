// Image buttons and free panels as real windows: what each press, release,
// key and timer tick reports to the owner, the owner requests, the faces
// drawn, and a screenshot of every mode.
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/free_panel.h"
#include "toolkit/image_button.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

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
        {"push click, framed",
         kButtonPush | kNotifyBeginEnd,
         {kDownIn, kUpIn},
         {Command(kBegin, 0), Command(kId, 1), Command(kEnd, 0)},
         0},
        {"push released outside, framed",
         kButtonPush | kNotifyBeginEnd,
         {kDownIn, kUpOut},
         {Command(kBegin, 0), Command(kEnd, 0)},
         0},
        {"push released outside", kButtonPush, {kDownIn, kUpOut}, {}, 0},
        {"push by space key", kButtonPush, {kKeyDown, kKeyUp}, {Command(kId, 1)}, 0},
        {"toggle twice",
         kButtonToggle,
         {kDownIn, kUpIn, kDownIn, kUpOut},
         {Command(kId, 1), Command(kId, 0)},
         0},
        {"toggle, framed",
         kButtonToggle | kNotifyBeginEnd,
         {kDownIn, kUpOut},
         {Command(kBegin, 0), Command(kId, 1), Command(kEnd, 0)},
         1},
        {"radio, then clicked while set",
         kButtonRadio,
         {kDownIn, kUpIn, kDownIn, kUpIn},
         {Command(kId, 1)},
         1},
        {"radio framed, then clicked while set",
         kButtonRadio | kNotifyBeginEnd,
         {kDownIn, kUpIn, kDownIn, kUpIn},
         {Command(kBegin, 0), Command(kId, 1), Command(kEnd, 0)},
         1},
        {"static", kButtonStatic, {kDownIn, kUpIn, kKeyDown, kKeyUp}, {}, 0},
        {"disabled push", kButtonPush, {kDisable, kDownIn, kUpIn}, {}, 0},
        {"tab goes to the owner", kButtonToggle, {kTab}, {Event{WM_KEYDOWN, VK_TAB, 0}}, 0},
    };
    OwnerWindow owner;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        HWND button = CreateImageButton(owner.window(), kId, 10, 10, c.mode, ToolkitBitmap(0),
                                        ToolkitBitmap(1), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, button);
        for (Step step : c.steps)
            Apply(button, step);
        EXPECT_EQ(c.expected, owner.Take());
        EXPECT_EQ(c.value, SendCommand(button, kRequestGetValue, 0));
        EXPECT_NE(button, GetCapture()) << "the capture is given back";
        DestroyWindow(button);
    }
}

struct CallbackLog {
    std::vector<Event> events;
    static void Record(void* context, uint32_t code, uint32_t value) {
        static_cast<CallbackLog*>(context)->events.push_back(Event{WM_COMMAND, code, value});
    }
};

TEST_F(ToolkitTest, ButtonWithACallbackReportsThroughIt) {
    OwnerWindow owner;
    CallbackLog log;
    HWND button = CreateImageButton(owner.window(), kId, 0, 0, kButtonToggle, ToolkitBitmap(2),
                                    ToolkitBitmap(3), nullptr, CallbackLog::Record, &log);
    ASSERT_NE(nullptr, button);
    RECT rect;
    GetClientRect(button, &rect);
    EXPECT_EQ(33, rect.right) << "sized by its up face";
    EXPECT_EQ(23, rect.bottom);
    Apply(button, kDownIn);
    EXPECT_EQ((std::vector<Event>{Command(kId, 1)}), log.events);
    EXPECT_TRUE(owner.Take().empty());
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
    OwnerWindow owner;
    HWND button = CreateImageButton(owner.window(), kId, 0, 0, kButtonPush | kButtonAutoRepeat,
                                    ToolkitBitmap(0), ToolkitBitmap(1), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ((std::vector<int>{0, 450, 650, 850}), RepeatTimes(owner, button, 20));
    // 5, 10 and then 20 per second.
    const std::vector<int> longer = RepeatTimes(owner, button, 50);
    EXPECT_EQ(
        (std::vector<int>{0,    450,  650,  850,  1050, 1150, 1250, 1350, 1450, 1550, 1650, 1750,
                          1850, 1950, 2050, 2100, 2150, 2200, 2250, 2300, 2350, 2400, 2450, 2500}),
        longer);
    // Outside from the 3rd to the 12th tick: ten ticks lost, the count stands still.
    EXPECT_EQ((std::vector<int>{0, 950, 1150}), RepeatTimes(owner, button, 24, 3, 13));
    DestroyWindow(button);
}

TEST_F(ToolkitTest, SetValueRequestTakesAnyNonZeroAsOne) {
    const struct {
        float request;
        float value;
    } kCases[] = {{0.5f, 1.0f}, {0.0f, 0.0f}, {-0.0f, 0.0f}, {-3.0f, 1.0f}, {NAN, 1.0f}};
    OwnerWindow owner;
    HWND button = CreateStandardButton(owner.window(), kId, 0, 0, 0);
    ASSERT_NE(nullptr, button);
    for (const auto& c : kCases) {
        SendCommand(button, kRequestSetValue, FloatToBits(c.request));
        EXPECT_EQ(c.value, SendCommand(button, kRequestGetValue, 0)) << c.request;
    }
    EXPECT_TRUE(owner.Take().empty()) << "setting a value never notifies";
    DestroyWindow(button);
}

TEST_F(ToolkitTest, ButtonDrawsTheFaceOfItsState) {
    OwnerWindow owner;
    HWND button = CreateStandardButton(owner.window(), kId, 20, 20, kButtonPush);
    ASSERT_NE(nullptr, button);
    const struct {
        const char* name;
        WPARAM request;
        float value;
        int x, y;
        COLORREF pixel;
    } kCases[] = {
        {"up face: dark lamp", kRequestSetValue, 0.0f, 13, 10, RGB(30, 70, 36)},
        {"down face: lit lamp", kRequestSetValue, 1.0f, 13, 10, RGB(40, 200, 60)},
        {"disabled: white cross", kRequestDisable, 0.0f, 11, 7, RGB(255, 255, 255)},
    };
    for (const auto& c : kCases) {
        SendCommand(button, c.request, FloatToBits(c.value));
        UpdateWindow(button);
        HDC dc = GetDC(button);
        const COLORREF pixel = GetPixel(dc, c.x, c.y);
        ReleaseDC(button, dc);
        EXPECT_EQ(c.pixel, pixel) << c.name;
    }
    DestroyWindow(button);
}

// ---- Free panels ----

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
    OwnerWindow owner;
    PanelLog log;
    HWND panel = CreateFreePanel(owner.window(), 9, 5, 6, 50, 40, LoggingPanelProc, &log);
    ASSERT_NE(nullptr, panel);
    char name[64];
    GetClassNameA(panel, name, sizeof name);
    EXPECT_STREQ(kFreePanelWdbClassName, name);
    EXPECT_EQ(1234, SendMessageA(panel, WM_USER + 7, 0, 0));
    SendMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(panel)) << "WM_CLOSE destroys the panel";
    EXPECT_EQ((std::vector<UINT>{WM_CREATE, WM_USER + 7, WM_DESTROY}), log.messages);
}

TEST_F(ToolkitTest, FreePanelCreationFollowsTheProcedure) {
    OwnerWindow owner;
    PanelLog refusing;
    refusing.createResult = -1;
    EXPECT_EQ(nullptr,
              CreateFreePanel(owner.window(), 9, 0, 0, 10, 10, LoggingPanelProc, &refusing));
    EXPECT_EQ((std::vector<UINT>{WM_CREATE}), refusing.messages);

    // The double-click class takes the same creation record.
    PanelLog log;
    FreePanel model = {owner.window(), 0, 0, 3, &log, LoggingPanelProc};
    HWND panel = CreateWindowExA(0, kFreePanelClassName, "", WS_CHILD, 0, 0, 10, 10, owner.window(),
                                 nullptr, GetModuleHandleA(nullptr), &model);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ((std::vector<UINT>{WM_CREATE}), log.messages);
    DestroyWindow(panel);
    EXPECT_EQ(nullptr, CreateWindowExA(0, kFreePanelClassName, "", WS_CHILD, 0, 0, 10, 10,
                                       owner.window(), nullptr, GetModuleHandleA(nullptr), nullptr))
        << "no creation record, no procedure";
}

// ---- Screenshot ----

LRESULT ShowcasePanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void*) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    TileBitmap(window, dc, 0, 0, ToolkitBitmap(12));
    SetBkMode(dc, TRANSPARENT);
    DrawTextAt(dc, kAttrRelief | (7 << 8) | 0, 8, 6, "Free panel");
    DrawBox(dc, kAttrRelief | (0 << 4), 8, 28, 150, 50);
    DrawTextAt(dc, (6 << 8) | 8, 14, 31, "00:01:23.45");
    DrawBox(dc, (3 << 4) | 0, 160, 28, 190, 50);
    DrawLineAt(dc, kAttrRelief | 9, 8, 60, 190, 60);
    DrawDot(dc, 200, 39);
    DrawCornerMark(dc, 200, 6);
    BlitWholeBitmap(dc, 8, 68, ToolkitBitmap(6));
    EndPaint(window, &paint);
    return 0;
}

void SaveWindowBmp(HWND window, const std::string& path) {
    RECT rect;
    GetWindowRect(window, &rect);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + size),
                             0, 0, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, size, 1, out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Every button mode and a free panel in one window. The picture is saved
// when TENVELO_SCREENSHOT_DIR names a folder, for people to look at.
TEST_F(ToolkitTest, ShowcaseOfEveryModeAndAPanel) {
    OwnerWindow owner(420, 240);
    HWND panel = CreateFreePanel(owner.window(), 50, 0, 0, 420, 240, ShowcasePanelProc, nullptr);
    ASSERT_NE(nullptr, panel);
    const struct {
        uint32_t mode;
        int bitmaps; // first of the up/down pair
        int x, y;
        float value;
        WPARAM request; // 0 or kRequestDisable
    } kButtons[] = {
        {kButtonPush, 0, 230, 10, 0, 0},
        {kButtonPush | kButtonAutoRepeat, 0, 260, 10, 1, 0},
        {kButtonToggle, 0, 290, 10, 0, 0},
        {kButtonToggle, 0, 320, 10, 1, 0},
        {kButtonRadio, 0, 230, 40, 1, 0},
        {kButtonRadio, 0, 260, 40, 0, 0},
        {kButtonRadio, 0, 290, 40, 0, 0},
        {kButtonStatic, 4, 330, 40, 1, 0},
        {kButtonStatic, 4, 350, 40, 0, 0},
        {kButtonPush, 2, 230, 70, 0, 0},
        {kButtonToggle, 2, 270, 70, 1, 0},
        {kButtonToggle, 0, 310, 70, 0, kRequestDisable},
        {kButtonToggle, 2, 340, 70, 1, kRequestDisable},
    };
    uint16_t id = 1;
    for (const auto& b : kButtons) {
        HWND button = CreateImageButton(panel, id++, b.x, b.y, b.mode, ToolkitBitmap(b.bitmaps),
                                        ToolkitBitmap(b.bitmaps + 1), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, button);
        SendCommand(button, kRequestSetValue, FloatToBits(b.value));
        if (b.request) SendCommand(button, b.request, 0);
    }
    SetFocus(GetDlgItem(panel, 3)); // the focus mark on the first toggle
    RedrawWindow(owner.window(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(panel);
    EXPECT_EQ(PaletteColor(9), GetPixel(dc, 20, 28)) << "sunken box: dark top edge";
    EXPECT_EQ(PaletteColor(15), GetPixel(dc, 100, 50)) << "sunken box: light bottom edge";
    EXPECT_EQ(PaletteColor(0), GetPixel(dc, 140, 45)) << "sunken box: brush 0 fill";
    ReleaseDC(panel, dc);
    if (const char* dir = std::getenv("TENVELO_SCREENSHOT_DIR"))
        SaveWindowBmp(owner.window(), std::string(dir) + "\\toolkit_showcase.bmp");
}

} // namespace
