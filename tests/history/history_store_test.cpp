#include "history/history_store.h"

#include <gtest/gtest.h>

namespace {

class HistoryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    void Record(int n) {
        for (int i = 0; i < n; ++i) {
            HistoryRecord r{};
            r.samplePosition = int64_t(store.recordCount + 1) * 4410;
            ASSERT_EQ(HistoryAppend(&store, &r), 1);
        }
    }

    HistoryStore store{};
};

TEST_F(HistoryStoreTest, TenSecondsAtTenFramesGiveHundredSlots) {
    Record(100);
    EXPECT_EQ(store.recordCount, 100);
    EXPECT_EQ(store.viewPos, 100);
    const HistoryStatus s = HistoryQueryStatus(&store, 441000, 44100.0, 77);
    EXPECT_EQ(s.currentSeconds, 10);
    EXPECT_EQ(s.newestSeconds, 10);
}

TEST_F(HistoryStoreTest, FullStoreDropsTheNextSlot) {
    HistoryRecord r{};
    for (uint32_t i = 0; i < kHistoryCapacity; ++i) {
        r.samplePosition = i;
        ASSERT_EQ(HistoryAppend(&store, &r), 1);
    }
    r.samplePosition = -5;
    EXPECT_EQ(HistoryAppend(&store, &r), 0);
    EXPECT_EQ(store.recordCount, 432000);
    EXPECT_EQ(store.history[431999].samplePosition, 431999);
}

TEST_F(HistoryStoreTest, ZoomAlignsViewOnMultiples) {
    Record(100);
    HistorySetZoom(&store, 7);
    EXPECT_EQ(store.viewPos, 98);
    HistorySetZoom(&store, 1);
    EXPECT_EQ(store.viewPos, 100);
}

} // namespace
