#include "meter/lane_table.h"

#include <atomic>

namespace {

const LaneTable kSseLanes = {
    4,                         // lanes
    ChannelTruePeakSse,        // channelTruePeak
    WeighPairsSse,             // weighPairs
    WeighFloatPairsSse,        // weighFloatPairs
    WeighChannelPairsSse,      // weighChannelPairs
    WeighFloatChannelPairsSse, // weighFloatChannelPairs
};

#if TENVELO_WIDE_LANES
const LaneTable kAvx2Lanes = {
    8,                          // lanes
    ChannelTruePeakAvx2,        // channelTruePeak
    WeighPairsAvx2,             // weighPairs
    WeighFloatPairsAvx2,        // weighFloatPairs
    WeighChannelPairsAvx2,      // weighChannelPairs
    WeighFloatChannelPairsAvx2, // weighFloatChannelPairs
};
#endif

// Null until the first use chooses; every thread that finds it null chooses
// the same table.
std::atomic<const LaneTable*> g_table{nullptr};

} // namespace

const LaneTable* LaneTableOf(uint32_t lanes) {
    if (lanes == 4) return &kSseLanes;
#if TENVELO_WIDE_LANES
    __builtin_cpu_init(); // in case the first use comes before the constructors ran
    if (lanes == 8 && __builtin_cpu_supports("avx2")) return &kAvx2Lanes;
#endif
    return nullptr;
}

const LaneTable* Lanes() {
    const LaneTable* table = g_table.load(std::memory_order_acquire);
    if (table) return table;
    table = LaneTableOf(8) ? LaneTableOf(8) : LaneTableOf(4);
    g_table.store(table, std::memory_order_release);
    return table;
}

void LanesSetTable(const LaneTable* table) {
    g_table.store(table, std::memory_order_release);
}
