#include "view/history_graph.h"

#include <cmath>

#include "app/engine_history.h"
#include "history/cue_store.h"
#include "history/history_file.h"
#include "toolkit/formats.h"
#include "view/meter_window_internal.h"

#include "tests/meter/engine_test_support.h"
#include "tests/support/test_files.h"
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

    RECT client;
    int g = 0, h = 0;
    std::unique_ptr<Dib> dib;
};

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
        std::vector<int> moves; // from x = 500
        int32_t viewPos;
    } cases[] = {
        {{501}, 300},                // one pixel: nothing
        {{503}, 299},                // three pixels right: one column back
        {{501, 502, 503, 504}, 298}, // slowly: every second pixel
        {{490}, 300},                // left shows newer, up to the newest
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.viewPos);
        MeterFollow(engine_);
        Mouse(WM_LBUTTONDOWN, 500, MK_LBUTTON);
        EXPECT_EQ(GetCapture(), window());
        for (int x : c.moves)
            Mouse(WM_MOUSEMOVE, x, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, c.moves.back());
        EXPECT_EQ(Store()->viewPos, c.viewPos);
        EXPECT_EQ(MeterWindowHistoryView(window())->dragging, 0u);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

// Scrolling moves the columns already drawn and draws only the new ones:
// what shows is what a full repaint draws.
TEST_F(HistoryGraphTest, ScrolledPictureIsTheRepaintedOne) {
    FillHistory(600);
    for (int32_t i = 0; i < Store()->recordCount; ++i)
        Store()->history[i].peakL = float(i % 7 + 1) / 8.0f;
    Repaint();
    for (int step = 0; step < 5; ++step)
        ScrollHistory(engine_, window(), kScrollColumnBack, 0, 0);
    UpdateWindow(window());
    Dib scrolled(client.right, client.bottom);
    scrolled.CaptureClient(window());
    const Dib* repainted = Capture();
    int differ = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < g; ++x)
            differ += scrolled.At(x, y) != repainted->At(x, y);
    EXPECT_EQ(differ, 0);
}

// Live frames shift the picture and draw only the new columns (the ruler
// and the event strip too): after them the window shows, pixel for pixel,
// what a full repaint draws; with no repaint asked for, unless more columns
// came than the graph holds or the user moved the view since.
TEST_F(HistoryGraphTest, LiveFramesDrawWhatAFullRepaintDraws) {
    const struct {
        const char* what;
        int width;              // client width: both parities of the columns' left edge
        std::vector<int> added; // slots per live frame
        int cueSlot;            // a cue on this slot (0: none)
        bool scrolledFirst;     // the user scrolls a column back and forward first
        bool repaintAsked;
    } cases[] = {
        {"one a frame, across labels", 1000, std::vector<int>(70, 1), 0, false, false},
        {"one a frame, other parity", 1001, std::vector<int>(70, 1), 0, false, false},
        {"several a frame", 1000, {3, 5, 40, 2, 1}, 0, false, false},
        {"a cue in view", 1001, std::vector<int>(12, 1), 30, false, false},
        {"more than the graph holds", 1000, {1, 600}, 0, false, true},
        {"after the user scrolled", 1000, {1, 1}, 0, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RECT r = {0, 0, c.width, 600};
        AdjustWindowRectEx(&r, GetWindowLongA(window(), GWL_STYLE), FALSE,
                           GetWindowLongA(window(), GWL_EXSTYLE));
        SetWindowPos(window(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(window(), &client);
        const MeterLayout layout = MeterWindowLayout(0, 0, client.right, client.bottom, 2);
        ASSERT_TRUE(layout.usable);
        g = layout.historyWidth;
        h = layout.graphHeight;
        HistoryStore* store = Store();
        store->recordCount = store->writeIndex = store->viewPos = store->viewEnd = 0;
        store->cueCount = 0;
        int slot = 0;
        auto add = [&](int n) {
            for (int i = 0; i < n; ++i, ++slot)
                FillHistory(1, float(slot % 7 + 1) / 8.0f, float(slot % 5 + 1) / 100.0f, 0.01f,
                            float(slot % 9) / 4.0f - 1.0f);
        };
        add(40);
        if (c.cueSlot) {
            ASSERT_EQ(1, CueInsert(store, store->history[c.cueSlot - 1].samplePosition, "Cue"));
        }
        Repaint();
        if (c.scrolledFirst) {
            ScrollHistory(engine_, window(), kScrollColumnBack, 0, 0);
            ScrollHistory(engine_, window(), kScrollNewest, 0, 0);
        }
        engine_->frame.recordOn = 1;
        HistoryViewState* view = MeterWindowHistoryView(window());
        for (int n : c.added) {
            add(n);
            HDC dc = GetDC(window());
            LiveHistoryUpdate(engine_, view, &engine_->frame, window(), dc, &layout, &client);
            ReleaseDC(window(), dc);
        }
        EXPECT_EQ(GetUpdateRect(window(), nullptr, FALSE) != FALSE, c.repaintAsked);
        EXPECT_EQ(view->pictureSlots.load(),
                  c.repaintAsked ? kHistoryPictureAsked : store->writeIndex);
        UpdateWindow(window());
        Dib live(client.right, client.bottom);
        live.CaptureClient(window());
        const Dib* repainted = Capture();
        int differ = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < g; ++x)
                if (live.At(x, y) != repainted->At(x, y) && differ++ == 0) firstX = x, firstY = y;
        EXPECT_EQ(differ, 0) << "first at " << firstX << "," << firstY << " of g " << g;
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
        EXPECT_EQ(d->At(x + 1, B - low), Palette(0));      // the gap between columns
        EXPECT_EQ(rms_.LastValue(), c.command == kCmdRms); // the panel's radio follows
    }
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
    // One thumb update waits for the window however many frames it missed:
    // a post per frame would crowd out its other messages.
    int thumbUpdates = 0;
    for (MSG msg;
         PeekMessageA(&msg, window(), kMeterMsgUpdateThumb, kMeterMsgUpdateThumb, PM_REMOVE);) {
        ++thumbUpdates;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(thumbUpdates, 1);
    Pump();
    EXPECT_EQ(Thumb(), 4000);
    Dib d(client.right, client.bottom);
    d.CaptureClient(window());
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, h);
    const int B = LeftGraphBottom(h);
    EXPECT_NE(d.At(g - 3, B - DbToPixels(&m, -12.0f)), Palette(0));  // the newest column
    EXPECT_NE(d.At(g + 31, B - DbToPixels(&m, -12.0f)), Palette(0)); // and the bar
}

// Whether the window shows text drawn with attribute attr at (x, y) over a
// background of palette colour back, compared pixel for pixel over the
// columns left .. right - 1 and rows top .. bottom - 1.
bool ShowsText(Dib* shown, const char* text, uint32_t attr, int x, int y, int back,
               const RECT& area) {
    Dib expected(shown->width(), shown->height(), Palette(back));
    const int oldMode = SetBkMode(expected.dc(), TRANSPARENT);
    DrawTextAt(expected.dc(), attr, x, y, text);
    SetBkMode(expected.dc(), oldMode);
    for (int row = area.top; row < area.bottom; ++row)
        for (int col = area.left; col < area.right; ++col)
            if (shown->At(col, row) != expected.At(col, row)) return false;
    return true;
}

// Ruler labels every 5 s at zoom 1 (hours, minutes, seconds) and every
// 60 s at zoom 10 (hours and minutes), each full: the tick, and the label's
// text to its left.
TEST_F(HistoryGraphTest, RulerLabelsFallOnTheirIntervalWithTheirTexts) {
    const struct {
        int32_t zoom, slots;
        int64_t seconds[3]; // of the three newest labels
        int columnsApart;
        const char* pattern;
        int textLeft;
    } cases[] = {{1, 500, {50, 45, 40}, 50, "%VmU:00.00.00h", 66},
                 {10, 3000, {300, 240, 180}, 60, "%VmU:00.00.h", 53}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        Store()->recordCount = Store()->writeIndex = Store()->viewPos = Store()->viewEnd = 0;
        FillHistory(c.slots);
        MeterSetZoom(engine_, c.zoom);
        Dib* d = Capture();
        for (int i = 0; i < 3; ++i) {
            const int x = g - 3 - 2 * c.columnsApart * i;
            SCOPED_TRACE(c.seconds[i]);
            EXPECT_EQ(Palette(14), d->At(x, 12));     // the tick
            EXPECT_EQ(Palette(11), d->At(x - 3, 12)); // and nothing beside it
            char text[32];
            FormatPattern(text, sizeof text, c.pattern, static_cast<int>(c.seconds[i]));
            EXPECT_TRUE(
                ShowsText(d, text, 1551, x - c.textLeft, 2, 11, RECT{x - c.textLeft, 2, x - 7, 19}))
                << text;
        }
    }
}

// The event strip: a run's end as a boxed time left of its column, a cue
// as a boxed time with its name to the right.
TEST_F(HistoryGraphTest, EventStripLabelsRunEndsAndCues) {
    FillHistory(500);
    Store()->history[449].flags = kHistoryFlagLastSlot;                              // 45 s
    ASSERT_EQ(1, CueInsert(Store(), Store()->history[299].samplePosition, "Intro")); // 30 s
    Dib* d = Capture();
    const int runEnd = g - 3 - 2 * 50, cue = g - 3 - 2 * 200, top = h + 22;
    char text[32];
    FormatPattern(text, sizeof text, "%VmU:#.00.00h", 45);
    EXPECT_TRUE(ShowsText(d, text, 1551, runEnd - 58, top, 10,
                          RECT{runEnd - 60, top + 1, runEnd - 5, top + 16}))
        << text;
    EXPECT_EQ(Palette(14), d->At(runEnd, top + 5)); // its tick
    FormatPattern(text, sizeof text, "%VmU:#.00.00h", 30);
    EXPECT_TRUE(
        ShowsText(d, text, 1551, cue - 58, top, 1, RECT{cue - 60, top + 1, cue + 1, top + 16}))
        << text;
    EXPECT_TRUE(ShowsText(d, "Intro", 1039, cue + 3, top + 2, 11, // its first letters
                          RECT{cue + 3, top + 2, cue + 20, top + 16}));
}

// The time under the pointer, in the title bar: the sample clock of the
// column's newest slot without its sign; none outside the graph.
TEST_F(HistoryGraphTest, ReadoutShowsTheTimeOfTheColumnUnderThePointer) {
    FillHistory(500);
    Store()->history[499].samplePosition = kHistoryPositionLimit; // the largest a file holds
    Store()->history[498].samplePosition = 164206350;             // 1 h 2 min 3.5 s
    const struct {
        int x;
        const char* text; // null: no read-out
    } cases[] = {{g - 1, "443239 H 45' 33 : 280 ms"},
                 {g - 3, "001 H 02' 03 : 500 ms"},
                 {g - 4, "001 H 02' 03 : 500 ms"},
                 {g - 5, "000 H 00' 49 : 800 ms"},
                 {31, nullptr},
                 {g, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x - g);
        char text[64] = "";
        EXPECT_EQ(c.text != nullptr,
                  HistoryReadout(engine_, window(), c.x, text, sizeof text) == 1);
        if (c.text) {
            EXPECT_STREQ(c.text, text);
        }
    }
    Store()->recordCount = Store()->writeIndex = Store()->viewPos = Store()->viewEnd = 10;
    char text[64];
    EXPECT_EQ(0, HistoryReadout(engine_, window(), g - 41, text, sizeof text)); // before slot 1
}

// Whatever correlation a file holds, its marker stays in the correlation
// strip: beyond +-1 at the strip's ends, not a number at its centre.
TEST_F(HistoryGraphTest, CorrelationsBeyondTheirRangeStayInTheirStrip) {
    const int R = CorrelationRow(h);
    const struct {
        float c;
        int pos;
        int band; // the colour around the line: 1 out of phase, 8 in phase
    } cases[] = {{5.0f, h, 8},
                 {-5.0f, 0, 1},
                 {std::nanf(""), h / 2, 8},
                 {0.5f, 3 * h / 4, 8},
                 {-0.5f, h / 4, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.c);
        Store()->recordCount = Store()->writeIndex = Store()->viewPos = Store()->viewEnd = 0;
        FillHistory(10, 0.5f, 0.001f, 0.01f, c.c);
        EXPECT_EQ(Palette(15), Capture()->At(g - 3, R - c.pos)); // the marker's line
        EXPECT_EQ(Palette(c.band), dib->At(g - 3, R - c.pos - 3));
    }
}

// A loaded history is shown from its newest slot, and so is the thumb.
TEST_F(HistoryGraphTest, LoadingAHistoryMovesTheThumbToItsEnd) {
    testsupport::ScratchDir dir;
    const std::string path = dir.file("h.his");
    FillHistory(500);
    ASSERT_EQ(0, WriteHistory(Store(), path.c_str(), 44100.0f, 0));
    SendMessageA(window(), WM_KEYDOWN, VK_HOME, 0);
    ASSERT_EQ(0, Thumb());
    ASSERT_EQ(0, LoadEngineHistory(engine_, path.c_str()));
    Pump();
    EXPECT_EQ(Store()->viewPos, Store()->recordCount);
    EXPECT_EQ(4000, Thumb());
}

// The caption counts the frames the display lost while relax mode and its
// notification are on, and stops as soon as either is switched off.
TEST_F(HistoryGraphTest, CaptionCountsLostFramesWhileAskedTo) {
    const std::string name = Config().name;
    const struct {
        uint32_t relax, notify, lost;
        const char* suffix;
    } cases[] = {
        {1, 1, 7, " - 7 frames lost"}, {1, 1, 1, " - 1 frame lost"}, {1, 0, 7, ""}, {0, 1, 7, ""}};
    const std::vector<int16_t> pcm = metertest::Constant(4410, 16384, 16384);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "relax " << c.relax << " notify " << c.notify);
        MeterSetFrameLossSwitches(engine_, c.relax, c.notify);
        engine_->lostFrames.store(c.lost); // as the analysis counts them
        AnalyseBuffer(&engine_, pcm.data(), metertest::Bytes(pcm));
        ASSERT_EQ(1, MeterWaitDisplayIdle(engine_, 5000));
        Pump();
        EXPECT_EQ(name + c.suffix, modaltest::Text(window()));
    }
    MeterSetFrameLossSwitches(engine_, 1, 1);
    engine_->lostFrames.store(3);
    AnalyseBuffer(&engine_, pcm.data(), metertest::Bytes(pcm));
    ASSERT_EQ(1, MeterWaitDisplayIdle(engine_, 5000));
    Pump();
    SendMessageA(window(), WM_COMMAND, kCmdNotifyFrameLoss, 0); // off, with no frame to follow
    EXPECT_EQ(name, modaltest::Text(window()));
}

} // namespace
