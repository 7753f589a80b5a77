// The sample loops that have a four-lane form (SSE, every build) and an
// eight-lane one (AVX2, where TENVELO_WIDE_LANES), and the one table of them
// in force: the widest this CPU runs, chosen at first use. Both forms give
// the same bits.
#pragma once

#include <cstdint>

#include "meter/sample_lanes.h"

struct LoudnessPair;
struct LoudnessStage;

// Where a pair of channels lies in interleaved frames.
struct LanePair {
    uint32_t stride; // samples per frame
    uint32_t a, b;   // the channels in lanes 0 and 1
};

struct LaneTable {
    uint32_t lanes; // floats per register: 4 (SSE) or 8 (AVX2)
    // The true peak of one channel's scratch at `factor` points per sample
    // period (meter/true_peak.cpp).
    float (*channelTruePeak)(const float* x, uint32_t frames, float peak, uint32_t factor);
    // K-weighting of pairs of frames of 16-bit or float stereo, the first of
    // each even in its step, through the two stages (meter/loudness.cpp).
    void (*weighPairs)(LoudnessPair* pair, const LoudnessStage* stages, const unsigned char* p,
                       uint32_t pairs);
    void (*weighFloatPairs)(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                            uint32_t pairs);
    // The same for channels a and b of frames of `stride` samples.
    void (*weighChannelPairs)(LoudnessPair* pair, const LoudnessStage* stages, const int16_t* p,
                              const LanePair& lanes, uint32_t pairs);
    void (*weighFloatChannelPairs)(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                                   const LanePair& lanes, uint32_t pairs);
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
float ChannelTruePeakSse(const float* x, uint32_t frames, float peak, uint32_t factor);
void WeighPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const unsigned char* p,
                   uint32_t pairs);
void WeighFloatPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                        uint32_t pairs);
void WeighChannelPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const int16_t* p,
                          const LanePair& lanes, uint32_t pairs);
void WeighFloatChannelPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                               const LanePair& lanes, uint32_t pairs);
#if TENVELO_WIDE_LANES
TENVELO_AVX2 float ChannelTruePeakAvx2(const float* x, uint32_t frames, float peak,
                                       uint32_t factor);
TENVELO_AVX2 void WeighPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                 const unsigned char* p, uint32_t pairs);
TENVELO_AVX2 void WeighFloatPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                      const float* p, uint32_t pairs);
TENVELO_AVX2 void WeighChannelPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                        const int16_t* p, const LanePair& lanes, uint32_t pairs);
TENVELO_AVX2 void WeighFloatChannelPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                             const float* p, const LanePair& lanes, uint32_t pairs);
#endif
