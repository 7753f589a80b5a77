#include "history/history_store.h"
#include "tests/support/history_slots.h"

#include <gtest/gtest.h>

namespace {

class HistoryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    HistoryStore store{};
};

TEST_F(HistoryStoreTest, FullStoreDropsTheNextSlot) {
    ASSERT_EQ(testsupport::AppendSlots(&store, kHistoryCapacity, {}, 1), 432000);
    HistoryRecord r{};
    r.samplePosition = -5;
    EXPECT_EQ(HistoryAppend(&store, &r), 0);
    EXPECT_EQ(store.recordCount, 432000);
    EXPECT_EQ(store.history[431999].samplePosition, 432000);
}

// The view follows the newest slot until it is scrolled back, and a zoom
// puts it on a multiple of the zoom.
TEST_F(HistoryStoreTest, ViewFollowsZoomsAndStaysWhereScrolled) {
    ASSERT_EQ(testsupport::AppendSlots(&store, 100), 100);
    EXPECT_EQ(store.viewPos, 100);
    HistorySetZoom(&store, 7);
    EXPECT_EQ(store.viewPos, 98);
    HistorySetZoom(&store, 1);
    EXPECT_EQ(store.viewPos, 100);
    store.viewPos = store.viewEnd = 40; // scrolled back
    ASSERT_EQ(testsupport::AppendSlots(&store, 5), 5);
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
