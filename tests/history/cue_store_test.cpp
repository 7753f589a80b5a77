#include "history/cue_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CueStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(HistoryStoreInit(&store), 1); }
    void TearDown() override { HistoryStoreFree(&store); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int32_t k = 1; k <= CueCount(&store); ++k)
            names.push_back(CueAt(&store, k)->name);
        return names;
    }

    HistoryStore store{};
};

TEST_F(CueStoreTest, DeletingTheSecondOfFourKeepsTheOrder) {
    for (const char* name : {"a", "b", "c"}) CueInsert(&store, 100, name);
    EXPECT_EQ(CueInsert(&store, 400, "d"), 4);
    EXPECT_EQ(DeleteCue(&store, 2), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(CueSelected(&store), 3); // the selection past the end follows it
    EXPECT_EQ(DeleteCue(&store, 4), 0);
    EXPECT_EQ(CueCount(&store), 3);
    store.cueSelected = 1;
    EXPECT_EQ(DeleteCue(&store, 3), 1);
    EXPECT_EQ(CueSelected(&store), 1); // before the deleted one: stays
    DeleteCue(&store, 1);
    DeleteCue(&store, 1);
    EXPECT_EQ(CueSelected(&store), 0); // the last one gone: no selection
}

TEST_F(CueStoreTest, InsertionKeepsPositionOrderAndAddingOrderForTies) {
    const struct {
        int64_t position;
        const char* name;
        int32_t index; // where it lands, and the selection
    } steps[] = {
        {500, "first at 500", 1}, {500, "second at 500", 2}, {100, "early", 1},
        {500, "third at 500", 4}, {499, "just before", 2},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(CueInsert(&store, s.position, s.name), s.index) << s.name;
        EXPECT_EQ(CueSelected(&store), s.index);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"early", "just before", "first at 500",
                                                 "second at 500", "third at 500"}));
}

TEST_F(CueStoreTest, The1025thCueIsRefused) {
    for (int32_t i = 0; i < 1024; ++i)
        ASSERT_EQ(CueInsert(&store, 10 * i, "x"), i + 1);
    store.cueSelected = 7;
    EXPECT_EQ(CueInsert(&store, 5, "too many"), 0);
    EXPECT_EQ(CueCount(&store), 1024);
    EXPECT_EQ(CueSelected(&store), 7);
    EXPECT_STREQ(CueAt(&store, 2)->name, "x");
}

TEST_F(CueStoreTest, NamesAreCutTo55Characters) {
    const std::string s55(55, 'n');
    for (const std::string& given : {std::string(80, 'n'), s55})
        EXPECT_EQ(std::string(CueAt(&store, CueInsert(&store, 1, given.c_str()))->name), s55);
    EXPECT_EQ(std::string(CueAt(&store, CueInsert(&store, 1, nullptr))->name), "");
}

// 1000 slots; slot n (1-based) lies at position 100·n. The target puts the
// cue fifty columns left of the edge, or the view at the end.
TEST_F(CueStoreTest, JumpTargets) {
    for (int n = 1; n <= 1000; ++n) {
        HistoryRecord r{};
        r.samplePosition = 100 * n;
        ASSERT_EQ(HistoryAppend(&store, &r), 1);
    }
    const struct {
        const char* what;
        int64_t cue;
        int32_t viewPos, zoom, target;
    } cases[] = {
        {"back to the start", 1000, 1000, 1, 60},      // newest before it: slot 9, idx 10
        {"back, zoomed", 1000, 1000, 7, 357},          // (10 / 7 + 50) * 7
        {"forward near the end", 99000, 100, 1, 1000}, // idx 991 + 50 passes the end
        {"forward in the middle", 40000, 100, 1, 451}, // first newer: slot 401
    };
    for (const auto& c : cases) {
        store.cueCount = 0;
        CueInsert(&store, c.cue, "cue");
        store.viewPos = c.viewPos;
        EXPECT_EQ(CueJumpTarget(&store, 1, c.zoom), c.target) << c.what;
    }
    EXPECT_EQ(CueJumpTarget(&store, 0, 1), -1);
    store.viewPos = 0;
    EXPECT_EQ(CueJumpTarget(&store, 1, 1), -1);
}

} // namespace
