#include "history/history_store.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "history/cue_store.h"

int HistoryStoreInit(HistoryStore* store) {
    if (!store->cues)
        store->cues = static_cast<CueRecord*>(std::calloc(kCueCapacity, sizeof(CueRecord)));
    else
        std::memset(store->cues, 0, kCueCapacity * sizeof(CueRecord));
    store->cueCount = 0;
    store->cueSelected = 0;
    if (!store->cues) return 0;

    // calloc hands back zeroed pages, so the untouched part of the 17 MB
    // costs nothing until it is written.
    auto* fresh = static_cast<HistoryRecord*>(std::calloc(kHistoryCapacity, sizeof(HistoryRecord)));
    if (!fresh) return 0;
    HistoryRecord* previous = store->history;
    store->history = fresh;
    store->capacity = kHistoryCapacity;
    store->writeIndex = 0;
    store->viewEnd = 0;
    store->recordCount = 0;
    store->viewPos = 0;
    std::free(previous);
    return 1;
}

void HistoryStoreFree(HistoryStore* store) {
    std::free(store->history);
    std::free(store->cues);
    *store = HistoryStore{};
}

void HistoryStoreSwap(HistoryStore* a, HistoryStore* b) {
    std::swap(*a, *b);
}

int HistoryAppend(HistoryStore* store, const HistoryRecord* record) {
    if (!store->history || store->writeIndex < 0 || uint32_t(store->writeIndex) >= store->capacity)
        return 0;
    store->history[store->writeIndex] = *record;
    store->recordCount += 1;
    if (store->viewPos == store->writeIndex) {
        store->viewPos += 1;
        store->viewEnd = store->viewPos;
    }
    store->writeIndex += 1;
    return 1;
}

void HistorySetRecording(HistoryStore* store, int on) {
    if (on == 0 && store->history && store->writeIndex >= 1)
        store->history[store->writeIndex - 1].flags = kHistoryFlagLastSlot;
}

void HistoryFollow(HistoryStore* store) {
    store->viewPos = store->recordCount;
    store->viewEnd = store->recordCount;
}

void HistoryReset(HistoryStore* store) {
    store->cueCount = 0;
    store->cueSelected = 0;
    store->writeIndex = 0;
    store->recordCount = 0;
    store->viewEnd = 0;
    store->viewPos = 0;
}

void HistorySetZoom(HistoryStore* store, int32_t zoom) {
    // viewEnd lies within 0 .. recordCount (every scroll is clamped to the
    // slots), so rounding it down keeps the view on a slot.
    const int32_t z = HistoryGetZoom(zoom);
    store->viewPos = (store->viewEnd / z) * z;
}

int32_t HistoryGetZoom(int32_t zoomWord) {
    return zoomWord < 1 ? 1 : zoomWord;
}

static int64_t WholeSeconds(int64_t samplePosition, double sampleRate) {
    // Also refuses NaN and rates too large to truncate.
    if (!(sampleRate >= 1.0 && sampleRate < 2147483648.0)) return 0;
    return samplePosition / int64_t(sampleRate);
}

HistoryStatus HistoryQueryStatus(const HistoryStore* store, int64_t samplePosition,
                                 double sampleRate, int32_t startTime) {
    HistoryStatus status{};
    status.recordCount = store->recordCount;
    status.capacity = store->capacity;
    status.currentSeconds = WholeSeconds(samplePosition, sampleRate);
    if (store->history && store->recordCount > 0)
        status.newestSeconds =
            WholeSeconds(store->history[store->recordCount - 1].samplePosition, sampleRate);
    status.startTime = startTime;
    return status;
}
