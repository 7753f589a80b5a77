#include "view/meter_window_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(MeterWindowLayout, SplitsTheClientArea) {
    const struct {
        int32_t right, bottom; // client rectangle from (0, 0)
        uint32_t channels;
        int32_t h, g, m;
        int usable;
    } cases[] = {
        {1000, 500, 2, 127, 931, 40, 1},         // H = 501
        {199, 400, 2, 401 / 3 - 40, 130, 40, 1}, // W + 1 = 200: history from here
        {198, 400, 2, 401 / 3 - 40, 0, 169, 1},  // W + 1 = 199: meter column only
        {38, 400, 2, 401 / 3 - 40, 0, 9, 0},     // m = 9 cannot be drawn
        {300, 299, 2, 60, 231, 40, 1},           // H = 300: the lowest two-channel height
        {300, 298, 2, 59, 231, 40, 0},           // "Not Enough" / "Place"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.right << " x " << c.bottom << ", " << c.channels);
        const MeterLayout l = MeterWindowLayout(0, 0, c.right, c.bottom, c.channels);
        EXPECT_EQ(l.graphHeight, c.h);
        EXPECT_EQ(l.historyWidth, c.g);
        EXPECT_EQ(l.meterWidth, c.m);
        EXPECT_EQ(l.usable, c.usable);
    }
}

TEST(MeterWindowLayout, OtherChannelCountsKeepTheCallersHeight) {
    EXPECT_EQ(MeterWindowLayout(0, 0, 300, 400, 3, 77).graphHeight, 77);
    EXPECT_EQ(MeterWindowLayout(0, 0, 300, 400, 0, 12).usable, 0);
}

} // namespace
