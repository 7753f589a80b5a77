#include "display/bargraph.h"

#include <cstring>

#include "tests/view/meter_window_test_support.h"
#include "view/meter_paint.h"

namespace {

using mwtest::Dib;
using mwtest::Palette;

class BargraphTest : public mwtest::MeterWindowTest {
  protected:
    void SetUp() override {
        MeterWindowTest::SetUp();
        SolidZones();
        settings = GetMeterSettings();
    }
    COLORREF Value(int index) {
        uint32_t v;
        std::memcpy(&v, reinterpret_cast<const char*>(&settings->values) + 4 * index, 4);
        return v;
    }
    const MeterSettings* settings = nullptr;
    const COLORREF sentinel = RGB(1, 2, 3);
};

TEST_F(BargraphTest, BarExactlyAtHeadIsTheFirstZoneOnly) {
    Dib dib(80, 200);
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, 132);
    const BarPixels bar = ComputeBarPixels(&m, -12.0f, -200.0f, -12.0f, -3.0f);
    ASSERT_EQ(bar.value, bar.head);
    DrawMeterBar(dib.dc(), settings, &bar, 132, 10, 40, 152, 1);
    const COLORREF average = Value(1), nominal = Value(3);
    for (int y = 0; y < 200; ++y) {
        SCOPED_TRACE(y);
        const COLORREF expected = y < 20 || y > 150 ? sentinel : y <= 55 ? Palette(0) : average;
        EXPECT_EQ(dib.At(10, y), expected);
        EXPECT_EQ(dib.At(48, y), expected);
        EXPECT_EQ(dib.At(49, y), sentinel); // the right edge stays unfilled
        EXPECT_NE(dib.At(30, y), nominal);
    }
}

// Above the maximum a bar shows its three zones: average up to the head,
// nominal up to the maximum, clip above it.
TEST_F(BargraphTest, BarAboveTheMaximumShowsItsThreeZones) {
    Dib dib(80, 200);
    const int B = 152;
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, 132);
    const BarPixels bar = ComputeBarPixels(&m, 3.0f, -200.0f, -12.0f, -3.0f);
    ASSERT_TRUE(bar.head < bar.max && bar.max < bar.value);
    DrawMeterBar(dib.dc(), settings, &bar, 132, 10, 40, B, 1);
    EXPECT_EQ(Value(1), dib.At(30, B - bar.head / 2));              // "MoyBrush"
    EXPECT_EQ(Value(3), dib.At(30, B - (bar.head + bar.max) / 2));  // "nomBrush"
    EXPECT_EQ(Value(5), dib.At(30, B - (bar.max + bar.value) / 2)); // "MaxBrush"
}

// The peak marker's outline: the "MaxColor" pen, the "MaxBorder" pen above
// 0 dB, and none when the bar shows the peak itself.
TEST_F(BargraphTest, PeakMarkerPenFollowsThePeak) {
    const int h = 132, B = 152, x0 = 10;
    const LevelMapping m = MakeLevelMapping(-60.0f, 6.0f, h);
    const COLORREF maxColor = Value(8), maxBorder = Value(4);
    ASSERT_NE(maxColor, maxBorder);
    const struct {
        float peakDb;
        int marker; // 0 in PEAK mode
        COLORREF outline;
    } cases[] = {
        {-6.0f, 1, maxColor}, {0.0f, 1, maxColor}, {3.0f, 1, maxBorder}, {-6.0f, 0, Palette(0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.peakDb << " dB, marker " << c.marker);
        Dib dib(80, 200);
        const BarPixels bar = ComputeBarPixels(&m, -40.0f, c.peakDb, -12.0f, -3.0f);
        DrawMeterBar(dib.dc(), settings, &bar, h, x0, 40, B, c.marker);
        EXPECT_EQ(c.outline, dib.At(x0 + 20, B - bar.peak)); // the marker's top edge
        EXPECT_EQ(c.outline, dib.At(x0, B - bar.peak + 1));  // its left edge
    }
}

// The correlator marker sits at trunc((c + 1) h / 2) above the row's foot,
// in brush 8 from the centre up and in brush 1 below it.
TEST_F(BargraphTest, CorrelatorMarkerBrushChangesBelowTheCentre) {
    const int h = 132, R = 3 * h + 100, x0 = 10;
    const struct {
        float c;
        int pos;
        int brush;
    } cases[] = {{0.0f, 66, 8}, {-0.01f, 65, 1}, {1.0f, 132, 8}, {-1.0f, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.c);
        Dib dib(80, R + 20);
        int32_t marker = -1;
        DrawCorrelatorMarker(dib.dc(), c.c, h, x0, 40, &marker);
        EXPECT_EQ(c.pos, marker);
        EXPECT_EQ(Palette(c.brush), dib.At(x0 + 20, R - c.pos - 3));
        EXPECT_EQ(Palette(15), dib.At(x0 + 20, R - c.pos)); // its centre line
    }
}

// Frame after frame the bars drawn from what changed are the bars drawn
// whole; a frame that changes nothing draws nothing, and one that moves the
// bar a little leaves the far rows alone.
TEST_F(BargraphTest, BarsDrawnFromTheirChangesAreTheWholeBars) {
    const MeterLayout l = MeterWindowLayout(0, 0, 200, 600, 2);
    ASSERT_TRUE(l.usable);
    struct Frame {
        float peak, power; // linear: the RMS bar below a falling peak marker
        bool rms;
    };
    const Frame kFrames[] = {
        {0.5f, 0.01f, true},   {0.45f, 0.02f, true}, {0.45f, 0.02f, true}, {0.9f, 0.2f, true},
        {0.85f, 0.001f, true}, {0.001f, 0.0f, true}, {1.5f, 0.9f, true},   {0.5f, 0.1f, false},
        {0.6f, 0.1f, false},   {0.0f, 0.0f, false},
    };
    Dib whole(200, 3 * l.graphHeight + 130), changes(200, 3 * l.graphHeight + 130);
    LiveBars shown;
    DisplayFrame f{};
    f.modeWord = kMeterModeBars;
    f.minDb = -60.0f;
    f.maxDb = 6.0f;
    f.correlationMarker = -1;
    const int x = l.historyWidth + 40;
    const int top = LeftGraphBottom(l.graphHeight) - l.graphHeight;
    for (const Frame& frame : kFrames) {
        SCOPED_TRACE(frame.peak);
        f.peakL = f.peakR = frame.peak;
        f.powerL = f.powerR = frame.power;
        f.rmsSelect = 1;
        f.peakSelect = frame.rms ? 0 : 1;
        const bool same = &frame != kFrames && frame.peak == (&frame - 1)->peak &&
                          frame.power == (&frame - 1)->power;
        // A row that a change of a few pixels must not touch.
        SetPixel(changes.dc(), x, top, sentinel);
        DrawBars(engine_, &f, whole.dc(), &l);
        DrawBars(engine_, &f, changes.dc(), &l, &shown);
        if (same) {
            EXPECT_EQ(changes.At(x, top), sentinel) << "an unchanged frame drew";
        }
        SetPixel(changes.dc(), x, top, whole.At(x, top));
        for (int y = 0; y < whole.height(); ++y)
            ASSERT_EQ(whole.At(x, y), changes.At(x, y)) << "row " << y;
    }
    // Only the band between the old and the new top is drawn again.
    f.peakSelect = 1;
    f.peakL = f.peakR = 0.5f;
    DrawBars(engine_, &f, changes.dc(), &l, &shown);
    SetPixel(changes.dc(), x, top, sentinel);
    f.peakL = f.peakR = 0.52f;
    DrawBars(engine_, &f, changes.dc(), &l, &shown);
    EXPECT_EQ(changes.At(x, top), sentinel);
    // A paint of the window makes the next frame draw them whole.
    shown.channel[0].valid = 0;
    DrawBars(engine_, &f, changes.dc(), &l, &shown);
    EXPECT_NE(changes.At(x, top), sentinel);
}

// A mono engine draws one bar and no correlator, whatever the mode word says.
TEST_F(BargraphTest, MonoDrawsOneBarAndNoCorrelator) {
    ASSERT_EQ(1, MeterSetFormat(&engine_, 44100.0f, 1));
    const MeterLayout l = MeterWindowLayout(0, 0, 200, 400, 1);
    ASSERT_TRUE(l.usable);
    DisplayFrame f{};
    f.modeWord = kMeterModeBars | kMeterModeCorrelator;
    f.peakSelect = 1;
    f.minDb = -60.0f;
    f.maxDb = 6.0f;
    f.peakL = f.peakR = 0.5f;
    f.correlation = -1.0f;
    f.correlationMarker = -1;
    Dib dib(200, 3 * l.graphHeight + 130);
    DrawBars(engine_, &f, dib.dc(), &l);
    const int x = l.historyWidth + 40;
    EXPECT_NE(RGB(1, 2, 3), dib.At(x, LeftGraphBottom(l.graphHeight) - 2));
    for (int y = LeftGraphBottom(l.graphHeight) + 1; y < dib.height(); ++y)
        ASSERT_EQ(RGB(1, 2, 3), dib.At(x, y)) << "row " << y;
}

} // namespace
