// The arithmetic of the history graph: how the recorded slots are grouped
// into 2-pixel columns from the right edge leftward, which columns carry a
// run end, a cue or a ruler label, and where each scroll code leads.
// Portable; view/history_graph_win32.cpp draws what this computes.
#pragma once

#include <cstdint>

#include "history/history_store.h"

// The levels of one column: the largest peaks, the mean of the rest.
struct HistoryColumnValues {
    float peakL, powerL, averageL;
    float peakR, powerR, averageR;
    float correlation;
};

struct HistoryColumn {
    HistoryColumnValues values;
    int32_t newest;         // 1-based slot shown at the column's right (its newest)
    int32_t stop;           // 1-based slot the walk stopped at: the next column's newest
    int32_t taken;          // slots aggregated into the column
    int runEnd;             // a taken slot ends a recording run
    int runEndMark;         // the event strip marks a run end (or the history's start) here
    int64_t runEndPosition; // sample position of that mark
    int32_t cue;            // 1-based cue marking this column, 0 = none
};

// Walks the columns of the view from the right edge. Columns are visited
// while slots remain; the caller stops at the left edge of the graph.
struct HistoryWalk {
    const HistoryStore* store;
    int32_t zoom;      // slots per column, at least 1
    int32_t remaining; // r: slots still available to the left
    int32_t current;   // 1-based slot the walk stands on
    int32_t cueCursor; // 1-based cue still to be placed, 0 = none left
    int firstMarked;   // the history's first slot has had its mark
};

// Starts at slot viewPos (held within recordCount). The cue cursor starts at
// the newest cue strictly earlier than that slot. Returns 0 when there is
// nothing to show (viewPos < 1, no slots or no buffer).
int HistoryWalkBegin(HistoryWalk* walk, const HistoryStore* store, int32_t zoom);

// Aggregates the next column leftward and moves past it. Returns 0 when no
// slot is left (nothing written).
int HistoryWalkNext(HistoryWalk* walk, HistoryColumn* column);

// Label interval of the time ruler, in seconds, at a zoom: 5 s at zoom 1,
// then 10, 20, 30, 60, 120, 300 and 600 s up to zoom 120.
int32_t RulerLabelSeconds(int32_t zoom);

// Scroll codes of the history view (compared on their low 16 bits).
enum HistoryScrollCode : uint32_t {
    kScrollColumnBack = 0,
    kScrollColumnForward = 1,
    kScrollPageBack = 2,
    kScrollPageForward = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollNewest = 6,
    kScrollOldest = 7,
    kScrollRelative = 2000,
    kScrollAbsolute = 2001,
};

// The scroll bar's range: thumb positions 0 .. kHistoryThumbRange.
constexpr int32_t kHistoryThumbRange = 4000;

// The view position a scroll code leads to, clamped to 0 .. maxPos (maxPos =
// recordCount rounded down to the zoom). thumb is the scroll bar's position
// (codes 4, 5), param the relative column count (2000) or absolute position
// (2001); page the columns of one page. An unknown code keeps viewPos.
int32_t HistoryScrollTarget(uint32_t code, int32_t thumb, int64_t param, int32_t viewPos,
                            int32_t recordCount, int32_t zoom, int32_t page);

// The thumb for a view position: 4000 for an empty history, else
// viewPos * 4000 / recordCount.
int32_t HistoryThumbPosition(int32_t viewPos, int32_t recordCount);

// Columns of one page of a history g pixels wide: (g - 34) / 2 - 1.
int32_t HistoryPageColumns(int32_t historyWidth);

// Column k (0 at the right edge) under client x: (g - x - 1) >> 1.
int32_t HistoryColumnAt(int32_t historyWidth, int32_t x);

// Whole seconds of a sample position at a rate truncated to an integer (0
// for a rate below 1).
int64_t HistorySeconds(int64_t samplePosition, float sampleRate);
