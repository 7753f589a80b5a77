#include "toolkit/list_model.h"

#include <gtest/gtest.h>

namespace {

struct MoveCase {
    const char* name;
    int32_t current, first; // before
    ListMove move;
    int32_t afterCurrent, afterFirst;
    int changed;
};

// 20 lines, 5 shown; the lists' key tests take the other moves.
const MoveCase kMoves[] = {
    {"up at the first line", 1, 1, kListLineUp, 1, 1, 0},
    {"page down is page - 1 lines", 3, 1, kListPageDown, 7, 3, 1},
    {"page up clamps at 1", 3, 1, kListPageUp, 1, 1, 1},
    {"page down clamps at the end", 18, 16, kListPageDown, 20, 16, 1},
    {"last when already there", 20, 16, kListLast, 20, 16, 0},
};

TEST(ListCursor, MovesKeepTheCurrentLineShown) {
    for (const MoveCase& c : kMoves) {
        ListCursor cursor;
        ListCursorInit(&cursor, 20, 5);
        cursor.current = c.current;
        cursor.first = c.first;
        EXPECT_EQ(c.changed, ListCursorMove(&cursor, c.move)) << c.name;
        EXPECT_EQ(c.afterCurrent, cursor.current) << c.name;
        EXPECT_EQ(c.afterFirst, cursor.first) << c.name;
    }
}

TEST(ListCursor, EmptyAndShortLists) {
    ListCursor cursor;
    ListCursorInit(&cursor, 0, 0);
    EXPECT_EQ(0, cursor.current);
    EXPECT_EQ(1, cursor.page);
    EXPECT_EQ(0, ListCursorMove(&cursor, kListLast));
    ListCursorInit(&cursor, 3, 10);
    EXPECT_EQ(1, ListCursorMove(&cursor, kListPageDown));
    EXPECT_EQ(3, cursor.current);
    EXPECT_EQ(1, cursor.first);
    EXPECT_EQ(0, ListCursorScrollPos(&cursor, 1000));
}

TEST(ListCursor, ScrollPositionsRoundTrip) {
    ListCursor cursor;
    ListCursorInit(&cursor, 105, 5); // first runs 1..101
    for (int32_t first : {1, 2, 51, 100, 101}) {
        ListCursorScrollTo(&cursor, first);
        const int32_t pos = ListCursorScrollPos(&cursor, 1000);
        EXPECT_EQ(first, ListCursorFirstAt(&cursor, pos, 1000)) << first;
    }
    EXPECT_EQ(1000, ListCursorScrollPos(&cursor, 1000));
    EXPECT_EQ(101, ListCursorFirstAt(&cursor, 5000, 1000)) << "clamped";
}

} // namespace
