#include "view/history_columns.h"

#include "history/cue_store.h"

namespace {

const HistoryRecord& Slot(const HistoryStore* store, int32_t n) {
    return store->history[n - 1];
}

// The newest cue at or before `limit` among cues 1 .. from (strictly before
// when `strict`); 0 when there is none.
int32_t CueAtOrBefore(const HistoryStore* store, int32_t from, int64_t limit, bool strict) {
    int32_t c = from;
    while (c >= 1) {
        const int64_t t = store->cues[c - 1].samplePosition;
        if (strict ? t < limit : t <= limit) break;
        --c;
    }
    return c;
}

} // namespace

int HistoryWalkBegin(HistoryWalk* walk, const HistoryStore* store, int32_t zoom) {
    *walk = HistoryWalk{};
    walk->store = store;
    walk->zoom = zoom < 1 ? 1 : zoom;
    const int32_t count = store->recordCount;
    if (!store->history || count < 1 || store->viewPos < 1) return 0;
    const int32_t view = store->viewPos < count ? store->viewPos : count;
    walk->remaining = view;
    walk->current = view;
    const int32_t cues = store->cues ? store->cueCount : 0;
    walk->cueCursor = CueAtOrBefore(store, cues, Slot(store, view).samplePosition, true);
    return 1;
}

int HistoryWalkNext(HistoryWalk* walk, HistoryColumn* column) {
    if (walk->remaining <= 0) return 0;
    const HistoryStore* store = walk->store;
    HistoryColumn c{};
    c.newest = walk->current;
    HistoryColumnValues sum{};
    // The walk never steps before the first slot: at r = 1 it stands still
    // and takes nothing more in.
    for (int32_t step = 0; step < walk->zoom; ++step) {
        if (walk->remaining > 1) {
            const HistoryRecord& slot = Slot(store, walk->current);
            if (c.taken == 0 || slot.peakL > sum.peakL) sum.peakL = slot.peakL;
            if (c.taken == 0 || slot.peakR > sum.peakR) sum.peakR = slot.peakR;
            sum.powerL += slot.powerL;
            sum.averageL += slot.averageL;
            sum.powerR += slot.powerR;
            sum.averageR += slot.averageR;
            sum.correlation += slot.correlation;
            if (slot.flags == kHistoryFlagLastSlot && !c.runEnd) {
                c.runEnd = 1;
                c.runEndMark = 1;
                c.runEndPosition = slot.samplePosition;
            }
            ++c.taken;
            walk->current -= 1;
        }
        walk->remaining -= 1;
        if (walk->remaining <= 0) break;
    }
    if (c.taken > 1) {
        const float inv = 1.0f / static_cast<float>(c.taken);
        sum.powerL *= inv;
        sum.averageL *= inv;
        sum.powerR *= inv;
        sum.averageR *= inv;
        sum.correlation *= inv;
    }
    c.values = sum;
    c.stop = walk->current;
    const int64_t stopTime = Slot(store, walk->current).samplePosition;
    if (walk->current == 1 && !walk->firstMarked) {
        walk->firstMarked = 1;
        if (!c.runEndMark) {
            c.runEndMark = 1;
            c.runEndPosition = stopTime;
        }
    }
    if (walk->cueCursor >= 1 && store->cues[walk->cueCursor - 1].samplePosition >= stopTime) {
        c.cue = walk->cueCursor;
        walk->cueCursor = CueAtOrBefore(store, walk->cueCursor, stopTime, false);
    }
    *column = c;
    return 1;
}

int32_t RulerLabelSeconds(int32_t zoom) {
    int32_t unit;
    if (zoom <= 1)
        unit = 1;
    else if (zoom <= 3)
        unit = 2;
    else if (zoom <= 4)
        unit = 4;
    else if (zoom <= 8)
        unit = 6;
    else if (zoom <= 17)
        unit = 12;
    else if (zoom <= 32)
        unit = 24;
    else if (zoom <= 80)
        unit = 60;
    else
        unit = 120;
    return 5 * unit;
}

int32_t HistoryScrollTarget(uint32_t code, int32_t thumb, int64_t param, int32_t viewPos,
                            int32_t recordCount, int32_t zoom, int32_t page) {
    const int64_t z = zoom < 1 ? 1 : zoom;
    const int64_t maxPos = (recordCount / z) * z;
    int64_t pos = viewPos;
    switch (code & 0xFFFF) {
    case kScrollColumnBack: pos = viewPos - z; break;
    case kScrollColumnForward: pos = viewPos + z; break;
    case kScrollPageBack: pos = viewPos - page * z; break;
    case kScrollPageForward: pos = viewPos + page * z; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: pos = (int64_t(thumb) * maxPos / kHistoryThumbRange / z) * z; break;
    case kScrollNewest: pos = maxPos; break;
    case kScrollOldest: pos = 0; break;
    case kScrollRelative: pos = viewPos + z * param; break;
    case kScrollAbsolute: pos = param; break;
    default: break;
    }
    if (pos > maxPos) pos = maxPos;
    if (pos < 0) pos = 0;
    return static_cast<int32_t>(pos);
}

int32_t HistoryThumbPosition(int32_t viewPos, int32_t recordCount) {
    if (recordCount < 1) return kHistoryThumbRange;
    return static_cast<int32_t>(int64_t(viewPos) * kHistoryThumbRange / recordCount);
}

int32_t HistoryPageColumns(int32_t historyWidth) {
    return (historyWidth - 34) / 2 - 1;
}

int32_t HistoryColumnAt(int32_t historyWidth, int32_t x) {
    return (historyWidth - x - 1) >> 1;
}

int64_t HistorySeconds(int64_t samplePosition, float sampleRate) {
    if (!(sampleRate >= 1.0f && sampleRate < 2147483648.0f)) return 0;
    return samplePosition / int64_t(sampleRate);
}
