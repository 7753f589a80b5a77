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

} // namespace
