#include "history/history_store.h"

#include <gtest/gtest.h>

#include "history/cue_store.h"

namespace {

class HistoryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    // Appends n slots whose positions step by 4410, as 10 frames per second
    // of 4410-sample buffers leave them.
    void Record(int n) {
        for (int i = 0; i < n; ++i) {
            HistoryRecord r{};
            r.samplePosition = int64_t(store.recordCount + 1) * 4410;
            r.peakL = 0.5f;
            ASSERT_EQ(HistoryAppend(&store, &r), 1);
        }
    }

    HistoryStore store{};
};

TEST_F(HistoryStoreTest, TenSecondsAtTenFramesGiveHundredSlotsStepping4410) {
    Record(100);
    EXPECT_EQ(store.recordCount, 100);
    EXPECT_EQ(store.writeIndex, 100);
    EXPECT_EQ(store.viewPos, 100);
    EXPECT_EQ(store.viewEnd, 100);
    for (int i = 1; i < 100; ++i)
        ASSERT_EQ(store.history[i].samplePosition - store.history[i - 1].samplePosition, 4410);
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
    EXPECT_EQ(store.writeIndex, 432000);
    EXPECT_EQ(store.history[431999].samplePosition, 431999);
}

TEST_F(HistoryStoreTest, AppendWithoutBufferIsDropped) {
    HistoryStore none{};
    HistoryRecord r{};
    EXPECT_EQ(HistoryAppend(&none, &r), 0);
    EXPECT_EQ(none.recordCount, 0);
}

TEST_F(HistoryStoreTest, SwitchingOffMarksOnlyTheNewestSlot) {
    struct Case {
        int slots;
        int on;
        bool marked;
    };
    const Case cases[] = {{0, 0, false}, {3, 1, false}, {3, 0, true}, {1, 0, true}};
    for (const Case& c : cases) {
        HistoryReset(&store);
        for (int i = 0; i < 5; ++i)
            store.history[i].flags = 0;
        Record(c.slots);
        HistorySetRecording(&store, c.on);
        for (int i = 0; i < 5; ++i) {
            const bool newest = c.marked && i == c.slots - 1;
            EXPECT_EQ(store.history[i].flags, newest ? 1u : 0u)
                << "slots " << c.slots << " on " << c.on << " slot " << i;
        }
    }
}

TEST_F(HistoryStoreTest, ScrolledBackViewStaysUntilFollow) {
    Record(100);
    store.viewPos = 50;
    store.viewEnd = 50;
    Record(20);
    EXPECT_EQ(store.viewPos, 50);
    EXPECT_EQ(store.viewEnd, 50);
    HistoryFollow(&store);
    EXPECT_EQ(store.viewPos, 120);
    EXPECT_EQ(store.viewEnd, 120);
    Record(1);
    EXPECT_EQ(store.viewPos, 121);
}

TEST_F(HistoryStoreTest, ZoomAlignsViewOnMultiples) {
    struct Case {
        int32_t recordCount, viewEnd, zoom, viewPos;
    };
    const Case cases[] = {
        {100, 100, 7, 98},  // view on a multiple of 7
        {100, 100, 1, 100}, // back to zoom 1
        {100, 60, 7, 56},   // the scroll position counts, not the end
        {30, 100, 7, 28},   // never past the slots
        {100, 100, 120, 0}, // wider than the history
        {100, 100, 0, 100}, // a zero zoom computes as 1
        {100, -40, 3, 0},   // never negative
    };
    for (const Case& c : cases) {
        store.recordCount = store.writeIndex = c.recordCount;
        store.viewEnd = c.viewEnd;
        store.viewPos = -1;
        HistorySetZoom(&store, c.zoom);
        EXPECT_EQ(store.viewPos, c.viewPos) << "zoom " << c.zoom << " viewEnd " << c.viewEnd;
        EXPECT_EQ(store.viewEnd, c.viewEnd); // realigning does not move the scroll position
    }
}

TEST_F(HistoryStoreTest, ZoomSevenThenOneRestoresTheEnd) {
    Record(100);
    HistorySetZoom(&store, 7);
    EXPECT_EQ(store.viewPos, 98);
    HistorySetZoom(&store, 1);
    EXPECT_EQ(store.viewPos, 100);
}

TEST_F(HistoryStoreTest, ResetEmptiesCountsAndRecordsFromSlotZero) {
    Record(10);
    HistorySetRecording(&store, 0);
    CueInsert(&store, 4410, "kept name");
    HistoryReset(&store);
    EXPECT_EQ(store.recordCount, 0);
    EXPECT_EQ(store.writeIndex, 0);
    EXPECT_EQ(store.viewPos, 0);
    EXPECT_EQ(store.viewEnd, 0);
    EXPECT_EQ(store.cueCount, 0);
    EXPECT_EQ(store.cueSelected, 0);
    // The bytes stay; only the counts say they are gone.
    EXPECT_EQ(store.history[9].flags, 1u);
    EXPECT_STREQ(store.cues[0].name, "kept name");
    EXPECT_EQ(HistoryQueryStatus(&store, 0, 44100.0, 1234).startTime, 1234);

    HistoryRecord r{};
    r.samplePosition = 4410; // the engine counts from 0 again
    ASSERT_EQ(HistoryAppend(&store, &r), 1);
    EXPECT_EQ(store.history[0].samplePosition, 4410);
    EXPECT_EQ(store.history[0].flags, 0u);
    EXPECT_EQ(store.viewPos, 1);
}

TEST_F(HistoryStoreTest, StatusInWholeSeconds) {
    struct Case {
        int slots;
        int64_t position;
        double rate;
        int64_t current, newest;
    };
    const Case cases[] = {
        {0, 44099, 44100.0, 0, 0},                                // empty store: newest 0
        {100, 441000, 44100.0, 10, 10},                           // newest slot at 441000
        {100, 441000, 44100.9, 10, 10},                           // the rate is truncated
        {100, 441000, 48000.0, 9, 9},   {100, 441000, 0.0, 0, 0}, // no rate, no time
    };
    for (const Case& c : cases) {
        HistoryReset(&store);
        Record(c.slots);
        const HistoryStatus s = HistoryQueryStatus(&store, c.position, c.rate, 77);
        EXPECT_EQ(s.recordCount, c.slots);
        EXPECT_EQ(s.capacity, 432000u);
        EXPECT_EQ(s.currentSeconds, c.current) << c.rate;
        EXPECT_EQ(s.newestSeconds, c.newest) << c.rate;
        EXPECT_EQ(s.startTime, 77);
    }
}

} // namespace
