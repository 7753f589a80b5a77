// The lists' line movement.
#include "toolkit/list_model.h"

namespace {

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

void ShowCurrent(ListCursor* cursor) {
    if (cursor->current < cursor->first) cursor->first = cursor->current;
    if (cursor->current > cursor->first + cursor->page - 1)
        cursor->first = cursor->current - cursor->page + 1;
    cursor->first = Clamp(cursor->first, 1, ListCursorLastFirst(cursor));
}

} // namespace

void ListCursorInit(ListCursor* cursor, int32_t lineCount, int32_t page) {
    cursor->lineCount = lineCount > 0 ? lineCount : 0;
    cursor->page = page > 0 ? page : 1;
    cursor->current = cursor->lineCount > 0 ? 1 : 0;
    cursor->first = 1;
}

int32_t ListCursorLastFirst(const ListCursor* cursor) {
    const int32_t last = cursor->lineCount - cursor->page + 1;
    return last > 1 ? last : 1;
}

int ListCursorGoTo(ListCursor* cursor, int32_t line) {
    if (line < 1 || line > cursor->lineCount || line == cursor->current) return 0;
    cursor->current = line;
    ShowCurrent(cursor);
    return 1;
}

int ListCursorMove(ListCursor* cursor, ListMove move) {
    if (cursor->lineCount == 0) return 0;
    const int32_t jump = cursor->page > 1 ? cursor->page - 1 : 1;
    int32_t line = cursor->current;
    switch (move) {
    case kListLineUp: line -= 1; break;
    case kListLineDown: line += 1; break;
    case kListPageUp: line -= jump; break;
    case kListPageDown: line += jump; break;
    case kListFirst: line = 1; break;
    case kListLast: line = cursor->lineCount; break;
    }
    return ListCursorGoTo(cursor, Clamp(line, 1, cursor->lineCount));
}

void ListCursorScrollTo(ListCursor* cursor, int32_t first) {
    cursor->first = Clamp(first, 1, ListCursorLastFirst(cursor));
}

int32_t ListCursorScrollPos(const ListCursor* cursor, int32_t range) {
    const int32_t span = ListCursorLastFirst(cursor) - 1;
    if (span <= 0) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(cursor->first - 1) * range / span);
}

int32_t ListCursorFirstAt(const ListCursor* cursor, int32_t pos, int32_t range) {
    const int32_t span = ListCursorLastFirst(cursor) - 1;
    if (span <= 0 || range <= 0) return 1;
    pos = Clamp(pos, 0, range);
    return 1 + static_cast<int32_t>((static_cast<int64_t>(pos) * span + range / 2) / range);
}
