// A history file read back whole, and its slots held against a scan's: the
// program's saved history and tenvelo-scan's of the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "history/history_file.h"
#include "history/history_store.h"

namespace e2e {

// A history file read back whole, or an empty store when it cannot be read.
struct History {
    HistoryStore store{};
    int result = -1;
    explicit History(const std::string& path) {
        HistoryFileInfo info{};
        result = ReadHistory(&store, path.c_str(), 44100.0, &info);
    }
    ~History() { HistoryStoreFree(&store); }
    History(const History&) = delete;
    History& operator=(const History&) = delete;
    int32_t count() const { return result < 0 ? 0 : store.recordCount; }
    const HistoryRecord& at(int32_t i) const { return store.history[i]; }
};

// The slots among the first `count` of both whose position or levels are
// not bit for bit the same (the same engine measured the same buffers), or
// whose flag is wrong: only saved's newest slot ends a recording run. The
// first few are described in *report.
inline int DifferingSlots(const History& saved, const History& scanned, int32_t count,
                          std::string* report) {
    int differing = 0;
    for (int32_t i = 0; i < count; ++i) {
        const HistoryRecord& a = saved.at(i);
        const HistoryRecord& b = scanned.at(i);
        const uint32_t flags = i + 1 == saved.count() ? kHistoryFlagLastSlot : 0;
        if (std::memcmp(&a, &b, offsetof(HistoryRecord, flags)) == 0 && a.flags == flags) continue;
        if (differing++ < 5)
            *report += "slot " + std::to_string(i) + ": position " +
                       std::to_string(a.samplePosition) + " against " +
                       std::to_string(b.samplePosition) + ", peak L " + std::to_string(a.peakL) +
                       " against " + std::to_string(b.peakL) + ", flags " +
                       std::to_string(a.flags) + "\n";
    }
    return differing;
}

} // namespace e2e
