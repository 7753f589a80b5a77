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

} // namespace
