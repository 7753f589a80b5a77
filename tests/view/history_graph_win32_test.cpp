#include "view/history_graph.h"

#include "history/cue_insert.h"
#include "history/cue_store.h"
#include "tests/meter/engine_test_support.h"
#include "tests/view/meter_window_test_support.h"

namespace {

using mwtest::Dib;
using mwtest::Palette;

class HistoryGraphTest : public mwtest::MeterWindowTest {
  protected:
    void SetUp() override {
        MeterWindowTest::SetUp();
        SolidZones();
        ASSERT_TRUE(Open(1000, 600));
        GetClientRect(window(), &client);
        const MeterLayout layout = MeterWindowLayout(0, 0, client.right, client.bottom, 2);
        ASSERT_TRUE(layout.usable);
        g = layout.historyWidth;
        h = layout.graphHeight;
    }
    Dib* Capture() {
        Repaint();
        dib.reset(new Dib(client.right, client.bottom));
        dib->CaptureClient(window());
        return dib.get();
    }
    void Mouse(UINT message, int x, WPARAM keys = 0) {
        SendMessageA(window(), message, keys, MAKELPARAM(x, 100));
    }
    int Thumb() { return GetScrollPos(window(), SB_HORZ); }
    // The pointer's x in column k.
    int PointerX(int k) { return g - 1 - 2 * k; }

    RECT client;
    int g = 0, h = 0;
    std::unique_ptr<Dib> dib;
};

// The columns whose ruler tick is full: rows 10 .. 17 at x in pen 14.
std::vector<int32_t> LabelledSlots(const Dib* d, int g, int32_t viewPos, int32_t zoom) {
    std::vector<int32_t> slots;
    for (int k = 0; g - 3 - 2 * k - 31 > 0; ++k) {
        const int x = g - 3 - 2 * k;
        if (d->At(x, 16) == Palette(14) && d->At(x, 11) == Palette(14))
            slots.push_back(viewPos - zoom * k);
    }
    return slots;
}

TEST_F(HistoryGraphTest, RulerLabelsEveryFiveSecondsAtZoomOneAndEveryMinuteAtTen) {
    const struct {
        int32_t slots, zoom, every; // a label at each slot number divisible by `every`
    } cases[] = {{1000, 1, 50}, {8000, 10, 600}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        MeterResetHistory(engine_);
        FillHistory(c.slots);
        MeterSetZoom(engine_, c.zoom);
        const std::vector<int32_t> labelled = LabelledSlots(Capture(), g, c.slots, c.zoom);
        std::vector<int32_t> expected;
        for (int k = 0; g - 3 - 2 * k - 31 > 0; ++k)
            if ((c.slots - c.zoom * k) % c.every == 0) expected.push_back(c.slots - c.zoom * k);
        EXPECT_EQ(labelled, expected);
        EXPECT_GE(expected.size(), 4u);
    }
}

TEST_F(HistoryGraphTest, ALabelCloserThan81PixelsBecomesAShortTick) {
    FillHistory(120);
    // From slot 61 on the times jump 5 s ahead: slot 100 (15.0 s) gets the
    // first label; slot 61 (11.1 s, crossing 10 s) lies 78 pixels left of it
    // and gets a short tick; slot 50 (5.0 s), 100 pixels away, a full label.
    for (int32_t n = 61; n <= 120; ++n)
        Store()->history[n - 1].samplePosition += 5 * 44100;
    Dib* d = Capture();
    const auto x = [&](int32_t slot) { return g - 3 - 2 * (120 - slot); };
    EXPECT_EQ(d->At(x(100), 11), Palette(14)); // full: rows 10 .. 17
    EXPECT_EQ(d->At(x(61), 17), Palette(14));  // short: rows 17 .. 18 only
    EXPECT_NE(d->At(x(61), 11), Palette(14));
    EXPECT_EQ(d->At(x(50), 11), Palette(14));
}

TEST_F(HistoryGraphTest, KeysAndScrollBarCodes) {
    FillHistory(300);
    const int page = HistoryPageColumns(g);
    const struct {
        UINT message;
        WPARAM wParam;
        int32_t viewPos;
        int thumb;
    } steps[] = {
        {WM_KEYDOWN, VK_HOME, 0, 0},
        {WM_KEYDOWN, VK_RIGHT, 1, 13},
        {WM_KEYDOWN, VK_NEXT, 1 + page > 300 ? 300 : 1 + page, -1},
        {WM_KEYDOWN, VK_END, 300, 4000},
        {WM_KEYDOWN, VK_LEFT, 299, 3986},
        {WM_KEYDOWN, VK_UP, 299 - page < 0 ? 0 : 299 - page, -1},
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 2000), 150, 2000}, // codes: HistoryScroll
        {WM_KEYDOWN, 'A', 150, 2000}, // other keys are ignored
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.message << " " << s.wParam);
        SendMessageA(window(), s.message, s.wParam, 0);
        EXPECT_EQ(Store()->viewPos, s.viewPos);
        EXPECT_EQ(Store()->viewEnd, s.viewPos);
        if (s.thumb >= 0) {
            EXPECT_EQ(Thumb(), s.thumb);
        }
    }
}

TEST_F(HistoryGraphTest, OneSlotCannotScroll) {
    FillHistory(1);
    for (uint32_t code : {0u, 1u, 2u, 3u, 6u, 7u, 2000u, 2001u}) {
        EXPECT_EQ(ScrollHistory(engine_, window(), code, 0, code == 2001 ? 0 : -1), 0) << code;
        EXPECT_EQ(Store()->viewPos, 1);
    }
}

TEST_F(HistoryGraphTest, DraggingScrollsOneColumnPerTwoPixels) {
    FillHistory(300);
    const struct {
        int from;
        std::vector<int> moves;
        int32_t viewPos;
    } cases[] = {
        {500, {501}, 300},                // one pixel: nothing
        {500, {503}, 299},                // three pixels right: one column back
        {500, {501, 502, 503, 504}, 298}, // slowly: every second pixel
        {500, {490}, 300},                // left shows newer, up to the newest
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.viewPos);
        MeterFollow(engine_);
        Mouse(WM_LBUTTONDOWN, c.from, MK_LBUTTON);
        EXPECT_EQ(GetCapture(), window());
        for (int x : c.moves)
            Mouse(WM_MOUSEMOVE, x, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, c.moves.back());
        EXPECT_EQ(Store()->viewPos, c.viewPos);
        EXPECT_EQ(engine_->historyDragging, 0u);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(HistoryGraphTest, SwitchingTheModeRedrawsTheWholeHistory) {
    // Peak -6 dB, RMS -30 dB, average -40 dB in every slot.
    FillHistory(400, 0.5f, 0.001f, 0.01f);
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, h);
    const int high = DbToPixels(&m, -18.0f), low = DbToPixels(&m, -35.0f);
    const int x = g - 3 - 2 * 300; // an old column
    const int B = LeftGraphBottom(h);
    const struct {
        UINT command;
        bool highFilled, lowFilled;
    } cases[] = {{kCmdPeak, true, true}, {kCmdRms, false, true}, {kCmdAverage, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        SendMessageA(window(), WM_COMMAND, c.command, 0);
        Dib* d = Capture();
        EXPECT_EQ(d->At(x, B - high) != Palette(0), c.highFilled);
        EXPECT_EQ(d->At(x, B - low) != Palette(0), c.lowFilled);
        EXPECT_EQ(d->At(x + 1, B - low), Palette(0)); // the gap between columns
    }
}

TEST_F(HistoryGraphTest, TimeReadOutOnlyInWideWindows) {
    FillHistory(300);
    char text[64] = "";
    // Column 5 holds slot 295, at 295 x 4410 samples: 29.5 s.
    ASSERT_EQ(HistoryReadout(engine_, window(), PointerX(5), text, sizeof text), 1);
    EXPECT_STREQ(text, "000 H 00' 29 : 500 ms");
    EXPECT_EQ(HistoryReadout(engine_, window(), 31, text, sizeof text), 0);            // the scale
    EXPECT_EQ(HistoryReadout(engine_, window(), PointerX(400), text, sizeof text), 0); // no slot
    Mouse(WM_MOUSEMOVE, PointerX(5)); // draws into the title bar, which is not seen here
    for (int width : {351, 350}) {
        DestroyWindow(window());
        ASSERT_TRUE(Open(width, 600));
        GetClientRect(window(), &client);
        ASSERT_EQ(client.right, width);
        g = MeterWindowLayout(0, 0, client.right, client.bottom, 2).historyWidth;
        EXPECT_EQ(HistoryReadout(engine_, window(), PointerX(5), text, sizeof text), width >= 351)
            << width;
    }
}

// Named cues at the clicked columns: the walkthrough. Here what it cannot
// see: the default name kept when the entry is cancelled, a column without a
// slot, the drawn line.
TEST_F(HistoryGraphTest, CtrlClickCuesDefaultNameAndEmptyColumn) {
    FillHistory(300);
    ui_.typed = "";
    Mouse(WM_LBUTTONDOWN, PointerX(10), MK_LBUTTON | MK_CONTROL);
    ASSERT_EQ(CueCount(Store()), 1);
    EXPECT_EQ(CueAt(Store(), 1)->samplePosition, 290 * 4410);
    EXPECT_STREQ(CueAt(Store(), 1)->name, "Cue point n\xB0"
                                          "1");
    EXPECT_EQ(CueSelected(Store()), 1);
    // A column without a slot: handled, nothing asked, nothing added.
    Mouse(WM_LBUTTONDOWN, 40, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(CueCount(Store()), 1);
    EXPECT_EQ(ui_.entries, std::vector<std::string>{"Cue point n\xB0"
                                                    "1"}); // the name proposed
    EXPECT_EQ(engine_->historyDragging, 0u);
    // The cues are drawn: a pen-1 line through the graphs at their column.
    Dib* d = Capture();
    EXPECT_EQ(d->At(g - 3 - 2 * 10, LeftGraphBottom(h) - 2), Palette(1));
}

TEST_F(HistoryGraphTest, The1025thCueIsRefused) {
    FillHistory(300);
    for (int i = 0; i < kCueCapacity; ++i)
        ASSERT_GT(CueInsert(Store(), i, "x"), 0);
    Mouse(WM_LBUTTONDOWN, PointerX(3), MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(CueCount(Store()), kCueCapacity);
    EXPECT_EQ(ui_.boxes,
              (std::vector<std::string>{"Too Much cue points|Failed to Add a new Cue point !"}));
    EXPECT_TRUE(ui_.entries.empty());
}

TEST_F(HistoryGraphTest, LiveColumnWhileTheUiThreadWaitsForTheFrames) {
    metertest::Watchdog watchdog(30);
    MeterSetRecording(engine_, 1);
    const std::vector<int16_t> pcm = metertest::Constant(4410, 16384, 16384);
    // The feeding waits for each frame here, on the window's own thread:
    // the display thread must draw without it.
    for (int i = 0; i < 12; ++i)
        AnalyseBuffer(&engine_, pcm.data(), metertest::Bytes(pcm));
    ASSERT_EQ(1, MeterWaitDisplayIdle(engine_, 5000));
    EXPECT_GE(Store()->recordCount, 10);
    Pump();
    EXPECT_EQ(Thumb(), 4000);
    Dib d(client.right, client.bottom);
    d.CaptureClient(window());
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, h);
    const int B = LeftGraphBottom(h);
    EXPECT_NE(d.At(g - 3, B - DbToPixels(&m, -12.0f)), Palette(0));  // the newest column
    EXPECT_NE(d.At(g + 31, B - DbToPixels(&m, -12.0f)), Palette(0)); // and the bar
}

} // namespace
