// Line movement shared by the 3D and the 2D list: a current line and the
// first shown line within a count of lines, a page of lines shown at once.
// Lines are numbered from 1; a list with no line has current line 0.
// Portable and pure.
#pragma once

#include <cstdint>

struct ListCursor {
    int32_t lineCount; // lines in the list
    int32_t current;   // 1..lineCount, 0 when the list is empty
    int32_t first;     // first shown line, 1..max(1, lineCount - page + 1)
    int32_t page;      // lines shown at once, at least 1
};

// Moves to what the list keys and menus ask for.
enum ListMove : int {
    kListLineUp,
    kListLineDown,
    kListPageUp,   // page - 1 lines up (at least one)
    kListPageDown, // page - 1 lines down (at least one)
    kListFirst,
    kListLast,
};

// Sets up a cursor on line 1 (0 when count is 0); page below 1 counts as 1.
void ListCursorInit(ListCursor* cursor, int32_t lineCount, int32_t page);

// Makes line current, scrolling only as far as needed to show it. Returns 1
// when it changed, 0 when line is out of 1..lineCount or already current.
int ListCursorGoTo(ListCursor* cursor, int32_t line);

// Applies a move (clamped to the list). Returns 1 when the line changed.
int ListCursorMove(ListCursor* cursor, ListMove move);

// Shows from line first on (clamped), leaving the current line as it is.
void ListCursorScrollTo(ListCursor* cursor, int32_t first);

// The last value first can take: max(1, lineCount - page + 1).
int32_t ListCursorLastFirst(const ListCursor* cursor);

// Scroll bar position 0..range for the first shown line, and back.
int32_t ListCursorScrollPos(const ListCursor* cursor, int32_t range);
int32_t ListCursorFirstAt(const ListCursor* cursor, int32_t pos, int32_t range);
