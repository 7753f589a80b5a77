#include "history/cue_store.h"

#include <cstdio>
#include <cstring>

int32_t CueCount(const HistoryStore* store) {
    return store->cueCount;
}

const CueRecord* CueAt(const HistoryStore* store, int32_t k) {
    if (!store->cues || k < 1 || k > store->cueCount) return nullptr;
    return &store->cues[k - 1];
}

int32_t CueSelected(const HistoryStore* store) {
    return store->cueSelected;
}

void CueDefaultName(char* out, int32_t n) {
    std::snprintf(out, kCueNameSize, "Cue point n\xB0%i", int(n));
}

int32_t CueInsert(HistoryStore* store, int64_t samplePosition, const char* name) {
    if (!store->cues || store->cueCount < 0 || store->cueCount >= kCueCapacity) return 0;
    // Later cues move up one place; equal positions stay ahead of the new one.
    int32_t slot = store->cueCount;
    while (slot > 0 && store->cues[slot - 1].samplePosition > samplePosition) {
        store->cues[slot] = store->cues[slot - 1];
        --slot;
    }
    CueRecord& cue = store->cues[slot];
    std::memset(&cue, 0, sizeof cue);
    cue.samplePosition = samplePosition;
    if (name) {
        size_t length = 0;
        while (length < size_t(kCueNameMaxChars) && name[length])
            ++length;
        std::memcpy(cue.name, name, length);
    }
    store->cueCount += 1;
    store->cueSelected = slot + 1;
    return slot + 1;
}

int DeleteCue(HistoryStore* store, int32_t k) {
    if (!store->cues || k < 1 || k > store->cueCount) return 0;
    std::memmove(&store->cues[k - 1], &store->cues[k],
                 size_t(store->cueCount - k) * sizeof(CueRecord));
    store->cueCount -= 1;
    if (store->cueSelected > store->cueCount) store->cueSelected = store->cueCount;
    return 1;
}

// Index arithmetic on 1-based record numbers: record n is history[n - 1].
int32_t CueJumpTarget(const HistoryStore* store, int32_t k, int32_t zoom) {
    const CueRecord* cue = CueAt(store, k);
    if (!cue || !store->history || store->viewPos < 1 || store->recordCount < 1) return -1;
    const int32_t z = HistoryGetZoom(zoom);
    const int32_t count = store->recordCount;
    // A view past the end (never set by the store itself) looks at the newest slot.
    const int32_t view = store->viewPos < count ? store->viewPos : count;
    const int64_t t = cue->samplePosition;
    const HistoryRecord* slots = store->history;

    int32_t idx;
    if (slots[view - 1].samplePosition < t) {
        idx = count;
        for (int32_t n = view + 1; n <= count; ++n)
            if (slots[n - 1].samplePosition > t) {
                idx = n;
                break;
            }
    } else {
        idx = 1;
        for (int32_t n = view - 1; n >= 1; --n)
            if (slots[n - 1].samplePosition < t) {
                idx = n + 1;
                break;
            }
    }
    const int64_t target = (int64_t(idx / z) + 50) * z;
    if (target <= count) return int32_t(target);
    return (count / z) * z;
}
