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
        settings = MeterGetSettings();
    }
    COLORREF Value(int index) {
        uint32_t v;
        std::memcpy(&v, reinterpret_cast<const char*>(&settings->values) + 4 * index, 4);
        return v;
    }
    // A frame of the default range (-60 .. +6 dB) with bars and correlator.
    DisplayFrame Frame(uint32_t peakSelect, uint32_t rmsSelect, float peak, float power) {
        DisplayFrame f{};
        f.modeWord = kMeterModeBars | kMeterModeCorrelator;
        f.peakSelect = peakSelect;
        f.rmsSelect = rmsSelect;
        f.minDb = -60.0f;
        f.maxDb = 6.0f;
        f.peakL = f.peakR = peak;
        f.powerL = f.powerR = power;
        f.averageL = f.averageR = 1e-6f;
        f.correlationMarker = -1;
        return f;
    }
    const MeterSettings* settings = nullptr;
    const COLORREF sentinel = RGB(1, 2, 3);
    // h = 132 (s = 2 px/dB), no history: the bars start at x0 = 30, width 40.
    const MeterLayout layout = {132, 0, 40, 1};
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

TEST_F(BargraphTest, PeakMarkerByMode) {
    const struct {
        const char* name;
        uint32_t peakSelect, rmsSelect;
        float peak;
        int row;           // B - p
        COLORREF expected; // at (x0, row)
    } cases[] = {
        // PEAK shows the peak as the bar: its top row is the nominal zone, no marker.
        {"PEAK", 1, 1, 0.5f, 152 - 107, Value(3)},
        {"RMS, peak at -6 dB", 0, 1, 0.5f, 152 - 107, Value(8)},   // "MaxColor"
        {"RMS, peak above 0 dB", 0, 1, 1.5f, 152 - 127, Value(4)}, // "MaxBorder"
        {"Average, peak above 0 dB", 0, 0, 1.5f, 152 - 127, Value(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dib dib(100, 520);
        DisplayFrame f = Frame(c.peakSelect, c.rmsSelect, c.peak, 1e-8f);
        DrawBars(engine_, &f, dib.dc(), &layout);
        EXPECT_EQ(dib.At(30, c.row), c.expected);
        EXPECT_EQ(dib.At(68, c.row + 2), c.expected); // the outline's far corner
        if (c.peakSelect == 0) {
            EXPECT_EQ(dib.At(40, c.row + 1), Palette(0)); // brush 0 inside
        }
        // The right channel is drawn the same way 2h + 40 lower.
        EXPECT_EQ(dib.At(30, c.row + 172), c.expected);
    }
}

TEST_F(BargraphTest, CorrelatorMarkerColourAndErasure) {
    Dib dib(100, 520);
    int32_t marker = -1;
    const int R = 3 * 132 + 100;
    DrawCorrelatorMarker(dib.dc(), 0.0f, 132, 30, 40, &marker);
    EXPECT_EQ(marker, 66);
    EXPECT_EQ(dib.At(32, R - 66 - 3), Palette(8)); // c = 0 sits at the centre, brush 8
    EXPECT_EQ(dib.At(32, R - 66), Palette(15));    // the pen-15 line
    EXPECT_EQ(dib.At(67, R - 66), sentinel);       // which ends at x0 + m - 4
    DrawCorrelatorMarker(dib.dc(), -0.01f, 132, 30, 40, &marker);
    EXPECT_EQ(marker, 65);
    EXPECT_EQ(dib.At(32, R - 65 - 3), Palette(1)); // below the centre: brush 1
    EXPECT_EQ(dib.At(32, R - 66 - 5), Palette(9)); // the old marker's top row, erased
}

TEST_F(BargraphTest, MonoEngineDrawsNoRightChannelNorCorrelator) {
    MeterEngine* mono = MeterEngineCreate();
    ASSERT_NE(mono, nullptr);
    ASSERT_EQ(1, MeterSetFormat(&mono, 44100.0f, 1));
    Dib dib(100, 520);
    DisplayFrame f = Frame(1, 1, 0.5f, 0.1f);
    DrawBars(mono, &f, dib.dc(), &layout);
    EXPECT_NE(dib.At(30, 150), sentinel);
    for (int y = 160; y < 520; y += 3)
        EXPECT_EQ(dib.At(32, y), sentinel) << y;
    EXPECT_EQ(f.correlationMarker, -1);
    MeterEngineDestroy(&mono);
}

TEST_F(BargraphTest, DbScaleAt132PixelsHasItsMajorLabels) {
    Dib dib(40, 200, Palette(10));
    DrawDbScale(dib.dc(), -60.0f, 6.0f, 132, 0, 30, 152, 0);
    for (int y : {152 - 24, 152 - 120}) { // -48 and 0 dB: full lines at y - 1 and y
        SCOPED_TRACE(y);
        for (int x : {0, 15, 29}) {
            EXPECT_EQ(dib.At(x, y - 1), Palette(14));
            EXPECT_EQ(dib.At(x, y), Palette(14));
        }
        bool label = false; // "%0.1f" below the line in colour 15
        for (int yy = y + 1; yy < y + 18; ++yy)
            for (int x = 0; x < 30; ++x)
                label |= mwtest::NearWhite(dib.At(x, yy));
        EXPECT_TRUE(label);
    }
    EXPECT_EQ(dib.At(2, 152 - 72), Palette(13)); // the half tick at -24 dB: end stubs only
    EXPECT_EQ(dib.At(27, 152 - 72), Palette(13));
    EXPECT_EQ(dib.At(0, 152 - 4), Palette(13)); // minor at -57.6 dB
    EXPECT_EQ(dib.At(15, 152 - 4), Palette(10));
    EXPECT_EQ(dib.At(10, 152), Palette(14));       // the end marks: minDb at the bottom
    EXPECT_EQ(dib.At(10, 152 - 131), Palette(14)); // and maxDb at bottom - h + 1
}

} // namespace
