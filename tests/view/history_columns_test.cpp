#include "view/history_columns.h"

#include <gtest/gtest.h>

#include <vector>

#include "history/cue_store.h"
#include "tests/support/history_slots.h"

namespace {

class HistoryColumnsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    // Slot n (1-based) at n * 4410 samples, peak n / 1000, power and average n.
    void Fill(int32_t count) {
        testsupport::AppendSlots(&store, count, [](int32_t n, HistoryRecord& r) {
            r.peakL = r.peakR = n / 1000.0f;
            r.powerL = r.averageL = r.powerR = r.averageR = float(n);
            r.correlation = 0.5f;
        });
    }

    std::vector<HistoryColumn> Columns(int32_t zoom, int limit = 1000) {
        std::vector<HistoryColumn> columns;
        HistoryWalk walk;
        HistoryColumn c;
        if (!HistoryWalkBegin(&walk, &store, zoom)) return columns;
        while (int(columns.size()) < limit && HistoryWalkNext(&walk, &c))
            columns.push_back(c);
        return columns;
    }

    HistoryStore store{};
};

TEST_F(HistoryColumnsTest, ColumnsAggregateZoomSlotsFromTheRight) {
    Fill(10);
    store.history[8].peakL = 0.5f; // slot 9: a column shows its largest peak
    const std::vector<HistoryColumn> columns = Columns(3);
    ASSERT_EQ(columns.size(), 4u); // 10, 9, 8 | 7, 6, 5 | 4, 3, 2 | the first slot alone
    EXPECT_EQ(columns[0].newest, 10);
    EXPECT_EQ(columns[0].stop, 7);
    EXPECT_FLOAT_EQ(columns[0].values.peakL, 0.5f);
    EXPECT_FLOAT_EQ(columns[0].values.peakR, 0.010f);
    EXPECT_FLOAT_EQ(columns[1].values.averageR, 6.0f);
    // The walk never steps before the first slot, which is therefore never
    // taken in: its column is empty, and it carries the history's start mark.
    EXPECT_EQ(columns[3].taken, 0);
    EXPECT_FLOAT_EQ(columns[3].values.peakL, 0.0f);
    EXPECT_EQ(columns[2].runEndMark, 1);
    EXPECT_EQ(columns[2].runEndPosition, 4410);
    EXPECT_EQ(columns[3].runEndMark, 0);

    // Two slots in the leftmost column are the mean of two, not of the zoom.
    Fill(2); // two more slots: 12 in all
    const std::vector<HistoryColumn> twelve = Columns(3);
    ASSERT_EQ(twelve.size(), 4u); // 12, 11, 10 | 9, 8, 7 | 6, 5, 4 | 3, 2
    EXPECT_EQ(twelve[3].taken, 2);
    EXPECT_FLOAT_EQ(twelve[3].values.averageR, 2.5f);
}

TEST_F(HistoryColumnsTest, RunEndsMarkTheColumnOfTheirSlot) {
    Fill(20);
    store.history[14].flags = kHistoryFlagLastSlot; // slot 15
    const std::vector<HistoryColumn> columns = Columns(2);
    for (const HistoryColumn& c : columns) {
        SCOPED_TRACE(c.newest);
        const bool holds15 = c.newest >= 15 && c.stop < 15;
        EXPECT_EQ(c.runEnd, holds15 ? 1 : 0);
        if (holds15) {
            EXPECT_EQ(c.runEndPosition, 15 * 4410);
        }
    }
}

TEST_F(HistoryColumnsTest, CuesMarkTheColumnsAroundTheirSlot) {
    Fill(10);
    CueInsert(&store, 7 * 4410, "at seven");
    CueInsert(&store, 10 * 4410, "at the newest: not shown from here");
    const std::vector<HistoryColumn> columns = Columns(1);
    std::vector<int32_t> marked;
    for (const HistoryColumn& c : columns)
        if (c.cue) marked.push_back(c.newest);
    // A cue at a slot's time marks the column right of it and, since it
    // equals the next column's newest slot, that one too.
    EXPECT_EQ(marked, (std::vector<int32_t>{8, 7}));
}

// The ruler's label interval, and the whole seconds its labels and the
// time read-out show: sample positions over the truncated rate.
TEST(HistoryRuler, LabelIntervalAndSeconds) {
    const struct {
        int32_t zoom, seconds;
    } intervals[] = {{1, 5},   {2, 10},   {3, 10},   {4, 20},   {5, 30},   {8, 30},   {9, 60},
                     {17, 60}, {18, 120}, {32, 120}, {33, 300}, {80, 300}, {81, 600}, {120, 600}};
    for (const auto& c : intervals)
        EXPECT_EQ(RulerLabelSeconds(c.zoom), c.seconds) << "zoom " << c.zoom;
    const struct {
        int64_t position;
        float rate;
        int64_t seconds;
    } times[] = {{88199, 44100.0f, 1},
                 {88200, 44100.9f, 2},
                 {int64_t(1) << 40, 44100.0f, 24932236},
                 {44100, 0.5f, 0}};
    for (const auto& c : times)
        EXPECT_EQ(HistorySeconds(c.position, c.rate), c.seconds) << c.position << " at " << c.rate;
}

TEST(HistoryScroll, EveryCode) {
    // 1000 slots at zoom 4: maxPos 1000; page of a 300-pixel history = 132 columns.
    const int32_t page = HistoryPageColumns(300);
    ASSERT_EQ(page, 132);
    const struct {
        uint32_t code;
        int32_t thumb;
        int64_t param;
        int32_t expected;
    } cases[] = {
        {0, 0, 0, 496},           {2, 0, 0, 500 - 528},
        {3, 0, 0, 1000},          {4, 2000, 0, 500},
        {5, 1001, 0, 248},        {2000, 0, -3, 488},
        {2001, 0, 77, 77},        {2001, 0, 5000000000, 1000},
        {0x10000 | 1, 0, 0, 504}, // compared on the low 16 bits
    };
    for (const auto& c : cases) {
        int32_t expected = c.expected < 0 ? 0 : c.expected;
        EXPECT_EQ(HistoryScrollTarget(c.code, c.thumb, c.param, 500, 1000, 4, page), expected)
            << c.code;
    }
    EXPECT_EQ(HistoryScrollTarget(6, 0, 0, 500, 1003, 4, page), 1000);
    EXPECT_EQ(HistoryThumbPosition(250, 1000), 1000);
    EXPECT_EQ(HistoryThumbPosition(0, 0), 4000);
    EXPECT_EQ(HistoryColumnAt(300, 297), 1);
    EXPECT_EQ(HistoryColumnAt(300, 299), 0);
    EXPECT_EQ(HistoryColumnAt(300, 300), -1);
}

} // namespace
