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

// The view follows the newest slot until it is scrolled back, and a zoom
// puts it on a multiple of the zoom.
TEST_F(HistoryStoreTest, ViewFollowsZoomsAndStaysWhereScrolled) {
    Record(100);
    EXPECT_EQ(store.viewPos, 100);
    HistorySetZoom(&store, 7);
    EXPECT_EQ(store.viewPos, 98);
    HistorySetZoom(&store, 1);
    EXPECT_EQ(store.viewPos, 100);
    store.viewPos = store.viewEnd = 40; // scrolled back
    Record(5);
    EXPECT_EQ(store.viewPos, 40);
    HistorySetZoom(&store, 3);
    EXPECT_EQ(store.viewPos, 39);
    HistoryFollow(&store);
    EXPECT_EQ(store.viewPos, 105);
    HistorySetRecording(&store, 0);
    EXPECT_EQ(store.history[103].flags, 0u);
    EXPECT_EQ(store.history[104].flags, kHistoryFlagLastSlot);
    EXPECT_EQ(store.history[105].flags, 0u);
    // Whole seconds, truncated: slot 105 lies at 10.5 s.
    const HistoryStatus status = HistoryQueryStatus(&store, 66150, 44100.0, 7);
    EXPECT_EQ(status.currentSeconds, 1);
    EXPECT_EQ(status.newestSeconds, 10);
}

} // namespace
