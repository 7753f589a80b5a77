// Loads arbitrary bytes as a ".his" file into a store that already holds a
// known history. A refused load must leave that store exactly as it was; an
// accepted one must describe itself consistently.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "history/cue_store.h"
#include "history/history_file.h"

namespace {

constexpr int kKnownSlots = 300;
constexpr int kKnownCues = 3;

HistoryStore store;
HistoryRecord knownSlots[kKnownSlots];
CueRecord knownCues[kKnownCues];

void Fill() {
    HistoryReset(&store);
    for (int i = 0; i < kKnownSlots; ++i) {
        HistoryRecord r{};
        r.samplePosition = int64_t(i + 1) * 4410;
        r.peakL = float(i) / kKnownSlots;
        r.flags = i == kKnownSlots - 1;
        HistoryAppend(&store, &r);
    }
    for (int k = 0; k < kKnownCues; ++k)
        CueInsert(&store, int64_t(k) * 44100, "known");
    store.viewPos = 150;
    store.viewEnd = 151;
    store.cueSelected = 2;
}

bool Unchanged(const HistoryRecord* history, const CueRecord* cues) {
    return store.history == history && store.cues == cues && store.capacity == kHistoryCapacity &&
           store.recordCount == kKnownSlots && store.writeIndex == kKnownSlots &&
           store.viewPos == 150 && store.viewEnd == 151 && store.cueCount == kKnownCues &&
           store.cueSelected == 2 &&
           std::memcmp(store.history, knownSlots, sizeof knownSlots) == 0 &&
           std::memcmp(store.cues, knownCues, sizeof knownCues) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_history_file." + std::to_string(getpid()) + ".his";
    if (!store.history) {
        if (HistoryStoreInit(&store) != 1) std::abort();
        Fill();
        std::memcpy(knownSlots, store.history, sizeof knownSlots);
        std::memcpy(knownCues, store.cues, sizeof knownCues);
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    const HistoryRecord* history = store.history;
    const CueRecord* cues = store.cues;
    HistoryFileInfo info{};
    const int result = ReadHistory(&store, path.c_str(), 44100.0, &info);
    if (result < 0) {
        if (!Unchanged(history, cues)) std::abort();
        return 0;
    }
    // Accepted: counts in range, view at the end, names terminated.
    if (store.recordCount < 1 || uint32_t(store.recordCount) > kHistoryCapacity ||
        store.cueCount < 0 || store.cueCount > kCueCapacity || store.viewPos != store.recordCount ||
        info.sampleRate < 1 || (result != 0 && result != info.sampleRate))
        std::abort();
    for (int32_t k = 1; k <= store.cueCount; ++k)
        if (!std::memchr(CueAt(&store, k)->name, 0, kCueNameSize)) std::abort();
    // Put the known history back into the loaded buffers for the next input.
    Fill();
    return 0;
}
