#include "history/history_store.h"

#include <gtest/gtest.h>

#include "history/cue_store.h"

namespace {

class HistoryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    // Appends n slots stepping 4410, as 10 frames per second of 44100 Hz leave them.
    void Record(int n) {
        for (int i = 0; i < n; ++i) {
            HistoryRecord r{};
            r.samplePosition = int64_t(store.recordCount + 1) * 4410;
            ASSERT_EQ(HistoryAppend(&store, &r), 1);
        }
    }

    HistoryStore store{};
};

TEST_F(HistoryStoreTest, TenSecondsAtTenFramesGiveHundredSlotsStepping4410) {
    Record(100);
    EXPECT_EQ(store.recordCount, 100);
    EXPECT_EQ(store.viewPos, 100);
    for (int i = 1; i < 100; ++i)
        ASSERT_EQ(store.history[i].samplePosition - store.history[i - 1].samplePosition, 4410);
    const HistoryStatus s = HistoryQueryStatus(&store, 441000, 44100.0, 77);
    EXPECT_EQ(s.currentSeconds, 10);
    EXPECT_EQ(s.newestSeconds, 10);
    EXPECT_EQ(HistoryQueryStatus(&store, 441000, 0.0, 0).newestSeconds, 0); // no rate, no time
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
    HistoryStore none{};
    EXPECT_EQ(HistoryAppend(&none, &r), 0); // no buffer
}

TEST_F(HistoryStoreTest, SwitchingOffMarksOnlyTheNewestSlot) {
    Record(3);
    HistorySetRecording(&store, 1);
    EXPECT_EQ(store.history[2].flags, 0u);
    HistorySetRecording(&store, 0);
    EXPECT_EQ(store.history[1].flags, 0u);
    EXPECT_EQ(store.history[2].flags, 1u);
}

TEST_F(HistoryStoreTest, ScrolledBackViewStaysUntilFollow) {
    Record(100);
    store.viewPos = store.viewEnd = 50;
    Record(20);
    EXPECT_EQ(store.viewPos, 50);
    HistoryFollow(&store);
    EXPECT_EQ(store.viewPos, 120);
    Record(1);
    EXPECT_EQ(store.viewPos, 121);
}

TEST_F(HistoryStoreTest, ZoomAlignsViewOnMultiples) {
    Record(100);
    HistorySetZoom(&store, 7);
    EXPECT_EQ(store.viewPos, 98);
    HistorySetZoom(&store, 1);
    EXPECT_EQ(store.viewPos, 100);
    const struct {
        int32_t recordCount, viewEnd, zoom, viewPos;
    } cases[] = {
        {100, 60, 7, 56},   // the scroll position counts, not the end
        {100, 100, 120, 0}, // wider than the history
        {100, -40, 3, 0},   // never negative
    };
    for (const auto& c : cases) {
        store.recordCount = store.writeIndex = c.recordCount;
        store.viewEnd = c.viewEnd;
        HistorySetZoom(&store, c.zoom);
        EXPECT_EQ(store.viewPos, c.viewPos) << "zoom " << c.zoom << " viewEnd " << c.viewEnd;
    }
}

TEST_F(HistoryStoreTest, ResetEmptiesCountsAndRecordsFromSlotZero) {
    Record(10);
    CueInsert(&store, 4410, "cue");
    HistoryReset(&store);
    EXPECT_EQ(store.recordCount, 0);
    EXPECT_EQ(store.viewPos, 0);
    EXPECT_EQ(store.cueCount, 0);
    Record(1);
    EXPECT_EQ(store.history[0].samplePosition, 4410);
    EXPECT_EQ(store.viewPos, 1);
}

} // namespace
