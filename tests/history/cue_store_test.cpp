#include "history/cue_store.h"
#include "tests/support/history_slots.h"

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

TEST_F(CueStoreTest, InsertionKeepsPositionOrderAndAddingOrderForTies) {
    const struct {
        int64_t position;
        const char* name;
        int32_t index;
    } steps[] = {
        {500, "first at 500", 1},
        {500, "second at 500", 2},
        {100, "early", 1},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(CueInsert(&store, s.position, s.name), s.index) << s.name;
        EXPECT_EQ(CueSelected(&store), s.index);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"early", "first at 500", "second at 500"}));
}

TEST_F(CueStoreTest, The1025thCueIsRefused) {
    for (int32_t i = 0; i < 1024; ++i)
        ASSERT_EQ(CueInsert(&store, 10 * i, "x"), i + 1);
    store.cueSelected = 7;
    EXPECT_EQ(CueInsert(&store, 5, "too many"), 0);
    EXPECT_EQ(CueCount(&store), 1024);
    EXPECT_EQ(CueSelected(&store), 7);
}

TEST_F(CueStoreTest, NamesAreCutTo55Characters) {
    const std::string s55(55, 'n');
    for (const std::string& given : {std::string(80, 'n'), s55})
        EXPECT_EQ(std::string(CueAt(&store, CueInsert(&store, 1, given.c_str()))->name), s55);
}

TEST_F(CueStoreTest, DeletionClosesTheGapAndKeepsTheSelectionInTheList) {
    for (const char* name : {"a", "b", "c"})
        CueInsert(&store, 100 * (name[0] - 'a'), name);
    const struct {
        int32_t k;
        int result;
        std::vector<std::string> names;
        int32_t selected;
    } steps[] = {
        {4, 0, {"a", "b", "c"}, 3},
        {2, 1, {"a", "c"}, 2},
        {2, 1, {"a"}, 1},
        {1, 1, {}, 0},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(DeleteCue(&store, s.k), s.result) << s.k;
        EXPECT_EQ(Names(), s.names);
        EXPECT_EQ(CueSelected(&store), s.selected);
    }
}

// Slot n (1-based) at position 100·n.
TEST_F(CueStoreTest, JumpTargets) {
    ASSERT_EQ(testsupport::AppendSlots(&store, 1000, {}, 100), 1000);
    const struct {
        const char* what;
        int64_t cue;
        int32_t viewPos, zoom, target;
    } cases[] = {
        {"back to the start", 1000, 1000, 1, 60},      // newest before it: slot 9, idx 10
        {"forward near the end", 99000, 100, 1, 1000}, // idx 991 + 50 passes the end
        {"at the view's own slot", 50000, 500, 1, 550},
    };
    for (const auto& c : cases) {
        store.cueCount = 0;
        CueInsert(&store, c.cue, "cue");
        store.viewPos = c.viewPos;
        EXPECT_EQ(CueJumpTarget(&store, 1, c.zoom), c.target) << c.what;
    }
}

} // namespace
