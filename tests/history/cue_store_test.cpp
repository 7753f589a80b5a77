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
    CueInsert(&store, 100, "a");
    CueInsert(&store, 200, "b");
    CueInsert(&store, 300, "c");
    EXPECT_EQ(CueInsert(&store, 400, "d"), 4);
    EXPECT_EQ(CueSelected(&store), 4);
    EXPECT_EQ(DeleteCue(&store, 2), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(CueSelected(&store), 3);
}

TEST_F(CueStoreTest, InsertionKeepsPositionOrderAndAddingOrderForTies) {
    struct Step {
        int64_t position;
        const char* name;
        int32_t index; // where it lands
    };
    const Step steps[] = {
        {500, "first at 500", 1}, {500, "second at 500", 2}, {100, "early", 1},
        {500, "third at 500", 4}, {900, "late", 5},          {499, "just before", 2},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(CueInsert(&store, s.position, s.name), s.index) << s.name;
        EXPECT_EQ(CueSelected(&store), s.index);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"early", "just before", "first at 500",
                                                 "second at 500", "third at 500", "late"}));
}

TEST_F(CueStoreTest, The1025thCueIsRefused) {
    for (int32_t i = 0; i < 1024; ++i)
        ASSERT_EQ(CueInsert(&store, 10 * i, "x"), i + 1);
    store.cueSelected = 7;
    EXPECT_EQ(CueInsert(&store, 5, "too many"), 0);
    EXPECT_EQ(CueCount(&store), 1024);
    EXPECT_EQ(CueSelected(&store), 7);
    EXPECT_EQ(CueAt(&store, 1)->samplePosition, 0);
    EXPECT_STREQ(CueAt(&store, 2)->name, "x");
}

TEST_F(CueStoreTest, NamesAreCutTo55Characters) {
    struct Case {
        std::string given;
        std::string stored;
    };
    const std::string s55(55, 'n');
    const Case cases[] = {{std::string(80, 'n'), s55}, {s55, s55}, {"short", "short"}, {"", ""}};
    for (const Case& c : cases) {
        const int32_t k = CueInsert(&store, 1, c.given.c_str());
        EXPECT_EQ(std::string(CueAt(&store, k)->name), c.stored);
    }
    EXPECT_EQ(std::string(CueAt(&store, CueInsert(&store, 1, nullptr))->name), "");
}

TEST_F(CueStoreTest, DefaultNameCarriesTheDegreeByte) {
    char name[kCueNameSize];
    CueDefaultName(name, 3);
    EXPECT_STREQ(name, "Cue point n\xB0"
                       "3");
}

TEST_F(CueStoreTest, DeletionPullsTheSelectionBack) {
    struct Case {
        int32_t count, selected, k;
        int result;
        int32_t countAfter, selectedAfter;
    };
    const Case cases[] = {
        {4, 4, 2, 1, 3, 3},                     // selection past the end follows it
        {4, 2, 4, 1, 3, 2},                     // selection before the deleted one stays
        {4, 4, 4, 1, 3, 3}, {1, 1, 1, 1, 0, 0}, // the last one goes: no selection
        {4, 3, 0, 0, 4, 3},                     // out of range: nothing
        {4, 3, 5, 0, 4, 3}, {0, 0, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        HistoryReset(&store);
        for (int32_t i = 0; i < c.count; ++i)
            CueInsert(&store, i, "c");
        store.cueSelected = c.selected;
        EXPECT_EQ(DeleteCue(&store, c.k), c.result) << "delete " << c.k << " of " << c.count;
        EXPECT_EQ(CueCount(&store), c.countAfter);
        EXPECT_EQ(CueSelected(&store), c.selectedAfter);
    }
}

// 1000 slots; slot n (1-based) lies at position 100·n.
class CueJumpTest : public CueStoreTest {
  protected:
    void SetUp() override {
        CueStoreTest::SetUp();
        for (int n = 1; n <= 1000; ++n) {
            HistoryRecord r{};
            r.samplePosition = 100 * n;
            ASSERT_EQ(HistoryAppend(&store, &r), 1);
        }
    }
};

TEST_F(CueJumpTest, TargetsFiftyColumnsLeftOfTheEdgeOrTheEnd) {
    struct Case {
        const char* what;
        int64_t cue;
        int32_t viewPos, zoom, target;
    };
    const Case cases[] = {
        {"back to the start", 1000, 1000, 1, 60},      // newest before it: slot 9, idx 10
        {"back, zoomed", 1000, 1000, 7, 357},          // (10 / 7 + 50) * 7
        {"before every slot", 0, 1000, 1, 51},         // idx 1
        {"forward near the end", 99000, 100, 1, 1000}, // idx 991 + 50 passes the end
        {"forward, zoomed, at the end", 99000, 100, 7, 994},
        {"after every slot", 1000000000, 100, 1, 1000},
        {"forward in the middle", 40000, 100, 1, 451}, // first newer: slot 401
        {"view past the end", 1000, 5000, 1, 60},
    };
    for (const Case& c : cases) {
        HistoryReset(&store);
        store.recordCount = store.writeIndex = 1000;
        CueInsert(&store, c.cue, "cue");
        store.viewPos = c.viewPos;
        EXPECT_EQ(CueJumpTarget(&store, 1, c.zoom), c.target) << c.what;
    }
}

TEST_F(CueJumpTest, NothingToDo) {
    CueInsert(&store, 500, "cue");
    EXPECT_EQ(CueJumpTarget(&store, 0, 1), -1);
    EXPECT_EQ(CueJumpTarget(&store, 2, 1), -1);
    store.viewPos = 0;
    EXPECT_EQ(CueJumpTarget(&store, 1, 1), -1);
}

} // namespace
