#include "toolkit/info_box.h"
#include "toolkit/knob.h"

#include "tests/toolkit/toolkit_test_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using tktest::Command;
using tktest::Event;

constexpr uint16_t kId = 0x123;
constexpr int kFace = 32; // face size; needle centre (16, 16), needle length 12
constexpr COLORREF kFaceColor = RGB(180, 180, 180);
constexpr COLORREF kRimColor = RGB(110, 110, 110);
constexpr float kPi = 3.14159265f;

Event Begin() {
    return Event{WM_COMMAND, kId | kNotifyBegin, 0};
}
Event End() {
    return Event{WM_COMMAND, kId | kNotifyEnd, 0};
}

// A round face: black outside the disc (it is ORed through the round mask),
// a grey disc with a darker rim inside.
HBITMAP MakeFace(int size, COLORREF fill) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HPEN pen = CreatePen(PS_SOLID, 2, kRimColor);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Ellipse(dc, 2, 2, size - 2, size - 2); // the rim stays inside the round mask
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// The replaceable latency timer: records what the knob asks for; the test
// fires it by sending WM_TIMER.
struct FakeTimer {
    int started = 0;
    int killed = 0;
    UINT lastMs = 0;
};
FakeTimer g_fake;

UINT_PTR FakeSetTimer(HWND, UINT_PTR id, UINT ms) {
    ++g_fake.started;
    g_fake.lastMs = ms;
    return id;
}
void FakeKillTimer(HWND, UINT_PTR) {
    ++g_fake.killed;
}
const KnobTimerOps kFakeTimer = {FakeSetTimer, FakeKillTimer};

float Value(HWND knob) {
    return SendCommand(knob, kRequestGetValue, 0);
}

void SetValue(HWND knob, float value) {
    SendMessageA(knob, WM_COMMAND, kRequestSetValue, static_cast<LPARAM>(FloatToBits(value)));
}

void Key(HWND knob, WPARAM key) {
    SendMessageA(knob, WM_KEYDOWN, key, 0);
}

void Wheel(HWND knob, int delta) {
    SendMessageA(knob, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                 0);
}

// A point at `degrees` and `radius` from the knob centre, in client pixels.
POINT AtAngle(float degrees, float radius) {
    float a = degrees * kPi / 180.0f;
    return POINT{16 + static_cast<LONG>(std::lround(radius * std::cos(a))),
                 16 - static_cast<LONG>(std::lround(radius * std::sin(a)))};
}

class KnobTest : public tktest::ToolkitTest {
  protected:
    void SetUp() override {
        tktest::ToolkitTest::SetUp();
        owner_ = std::make_unique<tktest::OwnerWindow>(400, 200);
        face_ = MakeFace(kFace, kFaceColor);
        g_fake = FakeTimer{};
        KnobSetTimerOps(&kFakeTimer);
    }
    void TearDown() override {
        // The knobs go with their owner, before the toolkit unregisters the class.
        owner_.reset();
        KnobSetTimerOps(nullptr);
        DeleteObject(face_);
        tktest::ToolkitTest::TearDown();
    }

    HWND Make(float min, float max, float initial, float step, uint32_t style, int x = 100,
              int y = 50, int start = 240, int end = 300) {
        HWND knob = CreateKnob(owner_->window(), kId, x, y, style, face_, 16, 16, start, end, min,
                               max, initial, step, nullptr, nullptr);
        EXPECT_NE(knob, nullptr);
        return knob;
    }

    ToolkitOptions* options() { return ToolkitGetOptions(); }

    std::unique_ptr<tktest::OwnerWindow> owner_;
    HBITMAP face_ = nullptr;
};

TEST_F(KnobTest, CreationRefusesWhatCannotWork) {
    HWND owner = owner_->window();
    EXPECT_EQ(CreateKnob(owner, 0x4000, 0, 0, 0, face_, 16, 16, 240, 300, 0, 1, 0, 0.1f, nullptr,
                         nullptr),
              nullptr);
    EXPECT_EQ(
        CreateKnob(owner, 1, 0, 0, 0, nullptr, 16, 16, 240, 300, 0, 1, 0, 0.1f, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(
        CreateKnob(owner, 1, 0, 0, 0, face_, 16, 16, 240, 300, 1, 1, 1, 0.1f, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(CreateKnob(owner, 1, 0, 0, kKnobLogScale, face_, 16, 16, 240, 300, 0, 10, 1, 2.0f,
                         nullptr, nullptr),
              nullptr);
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, 0);
    RECT rect;
    GetClientRect(knob, &rect);
    EXPECT_EQ(rect.right, kFace);
    EXPECT_EQ(rect.bottom, kFace);
    char name[64] = {};
    GetClassNameA(knob, name, sizeof name);
    EXPECT_STREQ(name, kKnobClassName);
    EXPECT_EQ(KnobFromWindow(knob)->needleLength, kFace / 3 + 2);
}

TEST_F(KnobTest, OwnerRequestsNeverReportBack) {
    HWND knob = Make(0.1f, 96.0f, 10.0f, 0.1f, kKnobContinuous);
    const struct {
        float set;
        float after;
    } cases[] = {
        {200.0f, 10.0f}, {0.05f, 10.0f}, {50.0f, 50.0f}, {96.0f, 96.0f}, {0.1f, 0.1f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        SetValue(knob, c.set);
        EXPECT_EQ(Value(knob), c.after);
    }
    EXPECT_EQ(SendMessageA(knob, WM_COMMAND, kRequestDisable, 0), 0);
    EXPECT_EQ(KnobFromWindow(knob)->enabled, 0);
    EXPECT_EQ(SendMessageA(knob, WM_COMMAND, kRequestEnable, 0), 0);
    EXPECT_EQ(KnobFromWindow(knob)->enabled, 1);
    EXPECT_TRUE(owner_->Take().empty());
}

TEST_F(KnobTest, ArrowKeysStepClampAndReport) {
    const struct {
        const char* name;
        uint32_t style;
        float initial;
        std::vector<WPARAM> keys;
        float value;
        std::vector<Event> events;
    } cases[] = {
        {"up clamps, one report over two presses",
         kKnobContinuous,
         39.9f,
         {VK_UP, VK_UP},
         40.0f,
         {Command(kId, 40.0f)}},
        {"not continuous: silent", 0, 39.9f, {VK_UP}, 40.0f, {}},
        {"left", kKnobContinuous, 0.0f, {VK_LEFT}, -0.25f, {Command(kId, -0.25f)}},
        {"right", kKnobContinuous, 0.0f, {VK_RIGHT}, 0.25f, {Command(kId, 0.25f)}},
        {"down", kKnobContinuous, 0.0f, {VK_DOWN}, -2.5f, {Command(kId, -2.5f)}},
        {"down clamps at min",
         kKnobContinuous,
         -179.0f,
         {VK_DOWN},
         -180.0f,
         {Command(kId, -180.0f)}},
        {"spring-loaded ignores arrows",
         kKnobContinuous | kKnobSpring,
         0.0f,
         {VK_UP, VK_LEFT},
         0.0f,
         {}},
        {"tab and escape go to the owner",
         kKnobContinuous,
         0.0f,
         {VK_TAB, VK_ESCAPE},
         0.0f,
         {Event{WM_KEYDOWN, VK_TAB, 0}, Event{WM_KEYDOWN, VK_ESCAPE, 0}}},
        {"insert edits nothing without a dialog",
         kKnobContinuous | kKnobEditPlain,
         0.0f,
         {VK_INSERT},
         0.0f,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND knob = Make(-180.0f, 40.0f, c.initial, 0.25f, c.style);
        for (WPARAM key : c.keys)
            Key(knob, key);
        EXPECT_FLOAT_EQ(Value(knob), c.value);
        EXPECT_EQ(owner_->Take(), c.events);
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, WheelStepsFiveDownPerUpwardNotchByDefault) {
    EXPECT_EQ(options()->rotMode, 1u);
    const struct {
        uint32_t mode;
        int delta;
        float value;
    } cases[] = {
        {1, 120, 45.0f}, {1, -240, 60.0f}, {0, 120, 55.0f}, {3, 120, 45.0f}, {1, 60, 48.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " delta " << c.delta);
        options()->rotMode = c.mode;
        HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);
        Wheel(knob, c.delta);
        EXPECT_EQ(Value(knob), c.value);
        EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, c.value)});
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, LatencyHoldsTheValueButReleaseStillReports) {
    options()->rotLatency = 300;
    options()->rotMode = 1; // linear, down increases
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, kKnobContinuous);

    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    EXPECT_EQ(g_fake.started, 1);
    EXPECT_EQ(g_fake.lastMs, 300u);
    tktest::Mouse(knob, WM_MOUSEMOVE, 16, 40);
    EXPECT_EQ(Value(knob), 50.0f);
    tktest::Mouse(knob, WM_LBUTTONUP, 16, 40);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 50.0f)});
    EXPECT_EQ(g_fake.killed, 1);

    // Once the timer fires, moves count from where the cursor then was.
    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(knob, WM_MOUSEMOVE, 16, 40);
    SendMessageA(knob, WM_TIMER, kKnobLatencyTimer, 0);
    tktest::Mouse(knob, WM_MOUSEMOVE, 16, 45);
    EXPECT_EQ(Value(knob), 55.0f);
    tktest::Mouse(knob, WM_LBUTTONUP, 16, 45);
    EXPECT_EQ(owner_->Take(), (std::vector<Event>{Command(kId, 55.0f), Command(kId, 55.0f)}));

    // Latency 0 starts no timer at all.
    options()->rotLatency = 0;
    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(knob, WM_MOUSEMOVE, 18, 16);
    tktest::Mouse(knob, WM_LBUTTONUP, 18, 16);
    EXPECT_EQ(g_fake.started, 2);
    EXPECT_EQ(Value(knob), 57.0f);
}

TEST_F(KnobTest, AngularModeFollowsTheCursorAndSnapsInTheGap) {
    options()->rotMode = 3;
    HWND knob = Make(0.0f, 300.0f, 150.0f, 1.0f, 0);
    const struct {
        const char* name;
        float degrees;
        float value;
    } cases[] = {
        {"top is the middle", 90.0f, 150.0f},
        {"left", 180.0f, 60.0f},
        {"gap, first half: end", 285.0f, 300.0f},
        {"gap, second half: start", 255.0f, 0.0f},
        {"right", 0.0f, 240.0f},
    };
    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        POINT p = AtAngle(c.degrees, 200.0f);
        tktest::Mouse(knob, WM_MOUSEMOVE, p.x, p.y);
        EXPECT_NEAR(Value(knob), c.value, 0.5f);
    }
    tktest::Mouse(knob, WM_MOUSEMOVE, 16, 16); // on the centre: ignored
    EXPECT_NEAR(Value(knob), 240.0f, 0.5f);
    tktest::Mouse(knob, WM_LBUTTONUP, 16, 16);
    std::vector<Event> events = owner_->Take();
    ASSERT_EQ(events.size(), 1u); // not continuous: only the release
    EXPECT_NEAR(BitsToFloat(events[0].value), 240.0f, 0.5f);
}

TEST_F(KnobTest, SpringLoadedReleaseSendsTheDraggedValueThenTheDefault) {
    options()->rotMode = 0;
    HWND knob = Make(-10.0f, 10.0f, 0.0f, 0.5f, kKnobSpring | kNotifyBeginEnd);
    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(knob, WM_MOUSEMOVE, 22, 16);
    EXPECT_EQ(Value(knob), 3.0f);
    tktest::Mouse(knob, WM_LBUTTONUP, 22, 16);
    EXPECT_EQ(Value(knob), 0.0f);
    EXPECT_EQ(owner_->Take(),
              (std::vector<Event>{Begin(), Command(kId, 3.0f), Command(kId, 0.0f), End()}));
}

TEST_F(KnobTest, AngularModeToggledOnOneKnobChangesAll) {
    HWND a = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 20, 20);
    HWND b = Make(0.0f, 300.0f, 0.0f, 1.0f, 0, 100, 20);
    SendMessageA(a, WM_COMMAND, kKnobMenuAngular, 0);
    EXPECT_EQ(options()->rotMode, 3u);
    POINT top = AtAngle(90.0f, 10.0f);
    tktest::Mouse(b, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(b, WM_MOUSEMOVE, top.x, top.y); // linear mode would step 10 down (clamped)
    tktest::Mouse(b, WM_LBUTTONUP, top.x, top.y);
    EXPECT_NEAR(Value(b), 150.0f, 0.5f);
    EXPECT_TRUE(GetMenuState(KnobPrepareContextMenu(b), kKnobMenuAngular, MF_BYCOMMAND) &
                MF_CHECKED);

    SendMessageA(b, WM_COMMAND, kKnobMenuAngular, 0); // back, keeping the inverse bit
    EXPECT_EQ(options()->rotMode, 1u);
    tktest::Mouse(a, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(a, WM_MOUSEMOVE, 16, 20);
    tktest::Mouse(a, WM_LBUTTONUP, 16, 20);
    EXPECT_EQ(Value(a), 4.0f);
}

TEST_F(KnobTest, ResetAndValueCommandsAreFramed) {
    const struct {
        const char* name;
        UINT command;
        bool enabled;
        float value;
        std::vector<Event> events;
    } cases[] = {
        {"default", kKnobMenuDefault, true, 5.0f, {Begin(), Command(kId, 5.0f), End()}},
        {"min", kKnobMenuMin, true, 1.0f, {Begin(), Command(kId, 1.0f), End()}},
        {"max", kKnobMenuMax, true, 9.0f, {Begin(), Command(kId, 9.0f), End()}},
        {"edit: no dialog yet", kKnobMenuEdit, true, 7.0f, {}},
        {"adjust: no adjuster yet", kKnobMenuAdjust, true, 7.0f, {}},
        {"disabled ignores a reset", kKnobMenuDefault, false, 7.0f, {}},
        {"unknown preset", kKnobMenuPreset + 3, true, 7.0f, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND knob = Make(1.0f, 9.0f, 5.0f, 0.5f, kNotifyBeginEnd | kKnobEditPlain);
        SetValue(knob, 7.0f);
        if (!c.enabled) SendMessageA(knob, WM_COMMAND, kRequestDisable, 0);
        SendMessageA(knob, WM_COMMAND, c.command, 0);
        EXPECT_EQ(Value(knob), c.value);
        EXPECT_EQ(owner_->Take(), c.events);
        DestroyWindow(knob);
    }
    HWND knob = Make(1.0f, 9.0f, 5.0f, 0.5f, 0);
    SetValue(knob, 7.0f);
    SendMessageA(knob, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 16));
    EXPECT_EQ(Value(knob), 5.0f);
    EXPECT_EQ(owner_->Take(), std::vector<Event>{Command(kId, 5.0f)});
    const float presets[] = {2.0f, 8.5f};
    EXPECT_EQ(KnobSetPresets(knob, presets, 2), 2);
    SendMessageA(knob, WM_COMMAND, kKnobMenuPreset + 1, 0);
    EXPECT_EQ(Value(knob), 8.5f);
}

TEST_F(KnobTest, MenuCommandsSetToolkitOptions) {
    HWND knob = Make(0.0f, 1.0f, 0.0f, 0.1f, 0);
    const struct {
        UINT command;
        uint32_t rotMode, rotMove, rotLatency, infoValue;
    } cases[] = {
        {kKnobMenuInverse, 0, 0, 0, 0x80000003},
        {kKnobMenuInverse, 1, 0, 0, 0x80000003},
        {kKnobMenuAngular, 3, 0, 0, 0x80000003},
        {kKnobMenuInverse, 3, 0, 0, 0x80000003},
        {kKnobMenuAngular, 1, 0, 0, 0x80000003},
        {kKnobMenuShowMoves, 1, 1, 0, 0x80000003},
        {kKnobMenuLatency + 300, 1, 1, 300, 0x80000003},
        {kKnobMenuInfoBox + 1, 1, 1, 300, 0x80000001},
        {kKnobMenuInfoBox, 1, 1, 300, 0x00000001},
        {kKnobMenuInfoBox, 1, 1, 300, 0x80000001},
    };
    options()->infoValue = 0xF0000003; // bits 28-30 go with the enable bit
    SendMessageA(knob, WM_COMMAND, kKnobMenuInfoBox, 0);
    EXPECT_EQ(options()->infoValue, 0x00000003u);
    SendMessageA(knob, WM_COMMAND, kKnobMenuInfoBox, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        SendMessageA(knob, WM_COMMAND, c.command, 0);
        EXPECT_EQ(options()->rotMode, c.rotMode);
        EXPECT_EQ(options()->rotMove, c.rotMove);
        EXPECT_EQ(options()->rotLatency, c.rotLatency);
        EXPECT_EQ(options()->infoValue, c.infoValue);
    }
}

// One menu item as read back from the menu.
struct Item {
    UINT id;
    std::string text; // "-" for a separator, the submenu's text for a popup
    bool checked;
    bool grayed;
};

std::vector<Item> ReadMenu(HMENU menu) {
    std::vector<Item> items;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        Item item;
        item.id = info.hSubMenu ? 0 : info.wID;
        if (info.fType & MFT_SEPARATOR) {
            item.text = "-";
        } else {
            char viaString[128] = {};
            GetMenuStringA(menu, i, viaString, sizeof viaString, MF_BYPOSITION);
            EXPECT_STREQ(viaString, text);
            item.text = text;
        }
        item.checked = (info.fState & MFS_CHECKED) != 0;
        // Wine reports separators as grayed; only real items count.
        item.grayed = !(info.fType & MFT_SEPARATOR) && (info.fState & MFS_GRAYED) != 0;
        items.push_back(item);
    }
    return items;
}

void ExpectMenu(HMENU menu, const std::vector<Item>& expected) {
    std::vector<Item> got = ReadMenu(menu);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i << " " << expected[i].text);
        EXPECT_EQ(got[i].id, expected[i].id);
        EXPECT_EQ(got[i].text, expected[i].text);
        EXPECT_EQ(got[i].checked, expected[i].checked);
        EXPECT_EQ(got[i].grayed, expected[i].grayed);
    }
}

const std::vector<Item> kOptionItems = {
    {10, "Inverse Mousemove Mode", true, false},
    {12, "Angular Mousemove Mode", false, false},
    {0, "-", false, false},
    {20, "Display Knob Moves", false, false},
    {0, "Time before change value...", false, false},
    {0, "Info Box...", false, false},
};

TEST_F(KnobTest, ContextMenuOfAPlainKnob) {
    HWND knob = Make(-180.0f, 40.0f, 0.0f, 0.25f, kKnobEditPlain);
    SetValue(knob, 40.0f);
    std::vector<Item> expected = kOptionItems;
    std::vector<Item> value = {
        {0, "-", false, false},
        {50, "Current value :+40.000", false, true},
        {100, "Default value (0.000000)\tDBLCLICK", false, false},
        {103, "Edit Value\tINS [CTRL+CLICK]", false, false},
        {104, "Adjust Value\t[SHIFT+CLICK]", false, false},
        {0, "-", false, false},
        {101, "Value Min (-180.000000)", false, false},
        {102, "Value Max (+40.000000)", true, false},
    };
    expected.insert(expected.end(), value.begin(), value.end());
    HMENU menu = KnobPrepareContextMenu(knob);
    ExpectMenu(menu, expected);

    ExpectMenu(GetSubMenu(menu, 4), {{1000, "Latency 0 ms", true, false},
                                     {1100, "Latency 100 ms", false, false},
                                     {1200, "Latency 200 ms", false, false},
                                     {1300, "Latency 300 ms", false, false},
                                     {1400, "Latency 400 ms", false, false},
                                     {1500, "Latency 500 ms", false, false}});
    ExpectMenu(GetSubMenu(menu, 5), {{2000, "Enable Info Value Box", true, false},
                                     {0, "-", false, false},
                                     {2001, "Display on Left Top", false, false},
                                     {2002, "Display on Right Top", false, false},
                                     {2003, "Display on Right Bottom", true, false},
                                     {2004, "Display on Left Bottom", false, false}});

    // Options and value change what the same menu shows next time.
    options()->rotMode = 3;
    options()->rotMove = 1;
    options()->rotLatency = 400;
    options()->infoValue = 0x00000002;
    SetValue(knob, 0.0f);
    menu = KnobPrepareContextMenu(knob);
    std::vector<Item> got = ReadMenu(menu);
    EXPECT_TRUE(got[0].checked && got[0].grayed);
    EXPECT_TRUE(got[1].checked);
    EXPECT_TRUE(got[3].checked);
    EXPECT_EQ(got[7].text, "Current value :0.000");
    EXPECT_TRUE(got[8].checked);   // default
    EXPECT_FALSE(got[13].checked); // max
    EXPECT_TRUE(GetMenuState(GetSubMenu(menu, 4), 1400, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(GetSubMenu(menu, 4), 1000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(GetSubMenu(menu, 5), 2000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(GetSubMenu(menu, 5), 2002, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(KnobTest, ContextMenuOfADecibelKnobWithPresets) {
    HWND knob = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobDecibel);
    const float presets[] = {0.5f, 1.0f};
    ASSERT_EQ(KnobSetPresets(knob, presets, 2), 2);
    std::vector<Item> expected = kOptionItems;
    std::vector<Item> value = {
        {0, "-", false, false},
        {50, "Current value :0.000 db", false, true},
        {100, "Default value (0.0 db)\tDBLCLICK", true, false},
        {103, "Edit Value\tINS [CTRL+CLICK]", false, false},
        {104, "Adjust Value\t[SHIFT+CLICK]", false, false},
        {0, "-", false, false},
        {101, "Value Min (-20.0 db)", false, false},
        {102, "Value Max (+6.0 db)", false, false},
        {0, "-", false, false},
        {600, "Preset 1 (-6.021 db)", false, false},
        {601, "Preset 2 (0.000 db)", true, false},
    };
    expected.insert(expected.end(), value.begin(), value.end());
    ExpectMenu(KnobPrepareContextMenu(knob), expected);

    // Presets replaced by none leave the value section as it was.
    ASSERT_EQ(KnobSetPresets(knob, nullptr, 0), 0);
    expected.resize(expected.size() - 3);
    ExpectMenu(KnobPrepareContextMenu(knob), expected);

    HWND bare = Make(0.1f, 2.0f, 1.0f, 0.01f, kKnobDecibel | kKnobNoValueMenu, 200);
    ExpectMenu(KnobPrepareContextMenu(bare), kOptionItems);
}

TEST_F(KnobTest, ValueBoxFollowsTheDrag) {
    options()->rotMode = 0;
    const struct {
        uint32_t infoValue;
        int boxX, boxY; // owner client coordinates; knob at (100, 50)
    } cases[] = {
        {0x80000003, 132, 82},
        {0x80000001, 20, 30},
        {0x80000002, 132, 30},
        {0x80000004, 20, 82},
    };
    HWND knob = Make(0.0f, 100.0f, 50.0f, 1.0f, 0);
    HWND box = ToolkitValueBox();
    ASSERT_NE(box, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.infoValue);
        options()->infoValue = c.infoValue;
        tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
        EXPECT_TRUE(IsWindowVisible(box));
        POINT expected = {c.boxX, c.boxY};
        ClientToScreen(owner_->window(), &expected);
        RECT rect;
        GetWindowRect(box, &rect);
        EXPECT_EQ(rect.left, expected.x);
        EXPECT_EQ(rect.top, expected.y);
        char text[64] = {};
        GetWindowTextA(box, text, sizeof text);
        EXPECT_STREQ(text, "50.000");
        tktest::Mouse(knob, WM_MOUSEMOVE, 20, 16);
        GetWindowTextA(box, text, sizeof text);
        EXPECT_STREQ(text, "54.000");
        tktest::Mouse(knob, WM_LBUTTONUP, 20, 16);
        EXPECT_FALSE(IsWindowVisible(box));
        SetValue(knob, 50.0f);
    }
    options()->infoValue = 0x00000003;
    tktest::Mouse(knob, WM_LBUTTONDOWN, 16, 16);
    EXPECT_FALSE(IsWindowVisible(box));
    tktest::Mouse(knob, WM_LBUTTONUP, 16, 16);
}

// ---- Drawing ----

COLORREF PixelAt(HWND window, POINT p) {
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, p.x, p.y);
    ReleaseDC(window, dc);
    return color;
}

bool IsNeedle(COLORREF c) {
    return c == PaletteColor(0) || c == PaletteColor(10);
}

TEST_F(KnobTest, NeedleAtMinMidAndMax) {
    const struct {
        int start, end;
        float value; // on a 0-1 knob
        float degrees;
    } cases[] = {
        {240, 300, 0.0f, 240.0f}, {240, 300, 0.5f, 90.0f}, {240, 300, 1.0f, 300.0f},
        {220, 319, 0.0f, 220.0f}, {220, 319, 0.5f, 89.5f}, {220, 319, 1.0f, 319.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "->" << c.end << " at " << c.value);
        HWND knob = Make(0.0f, 1.0f, c.value, 0.01f, 0x000000A0, 100, 50, c.start, c.end);
        UpdateWindow(owner_->window());
        UpdateWindow(knob);
        for (float r : {4.0f, 7.0f, 10.0f})
            EXPECT_TRUE(IsNeedle(PixelAt(knob, AtAngle(c.degrees, r)))) << "radius " << r;
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 180.0f, 8.0f)), kFaceColor);
        EXPECT_EQ(PixelAt(knob, AtAngle(c.degrees + 90.0f, 8.0f)), kFaceColor);
        DestroyWindow(knob);
    }
}

TEST_F(KnobTest, FocusDotAndDisabledCross) {
    HWND knob = Make(0.0f, 1.0f, 0.5f, 0.01f, 0x000000A0);
    UpdateWindow(knob);
    POINT dot = {16, 24};
    EXPECT_EQ(PixelAt(knob, dot), kFaceColor);
    SetFocus(knob);
    EXPECT_EQ(PixelAt(knob, dot), PaletteColor(2));
    SetFocus(owner_->window());
    EXPECT_EQ(PixelAt(knob, dot), kFaceColor);

    SendMessageA(knob, WM_COMMAND, kRequestDisable, 0);
    EXPECT_EQ(PixelAt(knob, POINT{16, 16}), PaletteColor(15));
    EXPECT_EQ(PixelAt(knob, POINT{9, 9}), PaletteColor(15));
    EXPECT_EQ(PixelAt(knob, POINT{16, 9}), kFaceColor); // no needle on a disabled knob
    SendMessageA(knob, WM_COMMAND, kRequestEnable, 0);
    EXPECT_TRUE(IsNeedle(PixelAt(knob, POINT{16, 9})));
}

TEST_F(KnobTest, DisplayKnobMovesPies) {
    const struct {
        const char* name;
        float initial; // the default
        float value;
        uint16_t inside; // palette index of the filled pie
        float insideDegrees;
        float outsideDegrees;
    } cases[] = {
        {"above the default: brush 2", 0.0f, 0.5f, 2, 165.0f, 15.0f},
        {"below the default: brush 8", 1.0f, 0.5f, 8, 15.0f, 165.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND knob = Make(0.0f, 1.0f, c.initial, 0.01f, 0x000000A0);
        SetValue(knob, c.value);
        EXPECT_EQ(PixelAt(knob, AtAngle(c.insideDegrees, 5.0f)), kFaceColor);
        SendMessageA(knob, WM_COMMAND, kKnobMenuShowMoves, 0);
        EXPECT_EQ(PixelAt(knob, AtAngle(c.insideDegrees, 5.0f)), PaletteColor(c.inside));
        EXPECT_EQ(PixelAt(knob, AtAngle(c.outsideDegrees, 5.0f)), kFaceColor);
        SetValue(knob, c.initial); // back at the default: no pie
        EXPECT_EQ(PixelAt(knob, AtAngle(c.insideDegrees, 5.0f)), kFaceColor);
        SendMessageA(knob, WM_COMMAND, kKnobMenuShowMoves, 0);
        DestroyWindow(knob);
    }
}

// Writes the owner's area of the screen as a 24-bit BMP.
bool SaveScreenArea(HWND window, const char* path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * h);
    FILE* out = std::fopen(path, "wb");
    bool ok = out != nullptr;
    if (out) {
        ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, stride * h, 1, out) == 1;
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// A row of knobs in different styles and states; with TENVELO_KNOB_SHOT set
// to a path, the row is saved there as a BMP for people to look at.
TEST_F(KnobTest, RowOfKnobsInStylesAndStates) {
    options()->rotMode = 0;
    HBITMAP big = MakeFace(48, RGB(200, 200, 200));
    HWND plain = Make(0.0f, 2.0f, 1.0f, 0.01f, 0x011000A0, 10, 20);
    HWND wide = Make(1.0f, 120.0f, 100.0f, 1.0f, 0x012000A0, 60, 20, 220, 319);
    HWND focused = Make(-170.0f, 48.0f, -20.0f, 0.5f, 0x011000A0, 110, 20);
    HWND disabled = Make(0.1f, 96.0f, 30.0f, 0.1f, kKnobLogScale | 0x000000A0, 160, 20);
    HWND shortNeedle = Make(0.0f, 1.0f, 0.8f, 0.01f, kKnobShortNeedle | 0x00000031, 210, 20);
    HWND moves = CreateKnob(owner_->window(), 7, 260, 20, 0x000000A0, big, 24, 24, 240, 300, 0.0f,
                            10.0f, 2.0f, 0.1f, nullptr, nullptr);
    ASSERT_NE(moves, nullptr);
    SendMessageA(disabled, WM_COMMAND, kRequestDisable, 0);
    SetFocus(focused);
    SendMessageA(moves, WM_COMMAND, kKnobMenuShowMoves, 0);
    SetValue(moves, 8.0f);
    (void)plain;
    (void)wide;
    (void)shortNeedle;
    // The dragged one shows the floating value box below it.
    tktest::Mouse(plain, WM_LBUTTONDOWN, 16, 16);
    tktest::Mouse(plain, WM_MOUSEMOVE, 30, 16);
    UpdateWindow(owner_->window());

    EXPECT_EQ(PixelAt(disabled, POINT{16, 16}), PaletteColor(15));
    EXPECT_TRUE(IsWindowVisible(ToolkitValueBox()));
    const char* path = std::getenv("TENVELO_KNOB_SHOT");
    if (path && *path) {
        SetWindowPos(owner_->window(), HWND_TOP, 0, 0, 340, 120, SWP_NOMOVE);
        RedrawWindow(owner_->window(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        tktest::Mouse(plain, WM_MOUSEMOVE, 31, 16);
        EXPECT_TRUE(SaveScreenArea(owner_->window(), path));
    }
    tktest::Mouse(plain, WM_LBUTTONUP, 31, 16);
    owner_.reset();
    DeleteObject(big);
}

} // namespace
