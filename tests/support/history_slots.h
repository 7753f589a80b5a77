// Filling a history with slots, as the display thread appends them.
#pragma once

#include <cstdint>
#include <functional>

#include "history/history_store.h"
#include "meter/meter_engine.h"
#include "sys/thread.h"

namespace testsupport {

// Sets the levels of slot n (1-based: the store's own count of slots).
using SlotLevels = std::function<void(int32_t n, HistoryRecord& r)>;

// Appends count slots, slot n at n x step samples unless levels says
// otherwise. Returns how many the store took.
inline int32_t AppendSlots(HistoryStore* store, int32_t count, const SlotLevels& levels = {},
                           int64_t step = 4410) {
    int32_t taken = 0;
    for (int32_t i = 0; i < count; ++i) {
        HistoryRecord r{};
        const int32_t n = store->recordCount + 1;
        r.samplePosition = int64_t(n) * step;
        if (levels) levels(n, r);
        taken += HistoryAppend(store, &r);
    }
    return taken;
}

// The same into an engine's history, under its lock.
inline int32_t AppendSlots(MeterEngine* engine, int32_t count, const SlotLevels& levels = {}) {
    SysLockEnter(&engine->lock);
    const int32_t taken = AppendSlots(&engine->frame.history, count, levels);
    SysLockLeave(&engine->lock);
    return taken;
}

} // namespace testsupport
