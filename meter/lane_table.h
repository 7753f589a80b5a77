// The sample loops that have a four-lane form (SSE, every build) and an
// eight-lane one (AVX2, where TENVELO_WIDE_LANES), and the one table of them
// in force: the widest this CPU runs, chosen at first use. Both forms give
// the same bits.
#pragma once

#include <cstdint>

#include "meter/sample_lanes.h"

struct LoudnessMeter;

struct LaneTable {
    uint32_t lanes; // floats per register: 4 (SSE) or 8 (AVX2)
    // The true peak of one channel's scratch (meter/true_peak.cpp).
    float (*channelTruePeak)(const float* x, uint32_t frames, float peak);
    // K-weighting of pairs of frames, the first of each even in its step
    // (meter/loudness.cpp).
    void (*weighPairs)(LoudnessMeter* m, const unsigned char* p, uint32_t pairs);
};

// The table in force. Safe from any thread; takes no lock.
const LaneTable* Lanes();

// The table of `lanes` lanes (4 or 8), or null when this build or CPU has
// none.
const LaneTable* LaneTableOf(uint32_t lanes);

// Puts a table in force (it must outlive its use); null returns to the
// CPU's choice. For tests: call only while nothing measures.
void LanesSetTable(const LaneTable* table);

// The loops, each defined by its module.
float ChannelTruePeakSse(const float* x, uint32_t frames, float peak);
void WeighPairsSse(LoudnessMeter* m, const unsigned char* p, uint32_t pairs);
#if TENVELO_WIDE_LANES
TENVELO_AVX2 float ChannelTruePeakAvx2(const float* x, uint32_t frames, float peak);
TENVELO_AVX2 void WeighPairsAvx2(LoudnessMeter* m, const unsigned char* p, uint32_t pairs);
#endif
