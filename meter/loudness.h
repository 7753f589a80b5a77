// Loudness of PCM at any rate from 8000 to 384000 Hz, 1 to 8 channels, 16-bit
// or float: K-weighting, the mean square of 100 ms steps, and from them
// momentary (400 ms) and short-term (3 s) loudness, integrated loudness with
// its absolute and relative gates, loudness range, and the true peak per
// channel. Loudness in LUFS is -0.691 + 10 log10 of the weighted mean
// squares summed over the channels, each weighted by its role.
#pragma once

#include <cstdint>

#include "meter/true_peak.h"

constexpr uint32_t kLoudnessStepFrames = 4410; // 100 ms at 44100 Hz
constexpr uint32_t kMomentarySteps = 4;        // 400 ms
constexpr uint32_t kShortTermSteps = 30;       // 3 s
constexpr uint32_t kLoudnessMinRate = 8000;
constexpr uint32_t kLoudnessMaxRate = 384000;
constexpr uint32_t kLoudnessMaxChannels = 8;
// The maxima are looked for at every tenth of a step (10 ms): see
// LoudnessResult.
constexpr uint32_t kLoudnessSubSteps = 10;

// How a channel counts in the sum.
enum LoudnessRole : uint8_t {
    kLoudnessNormal = 0,   // weight 1.0: left, right, centre, and any channel in front
    kLoudnessSurround = 1, // weight 1.41 (+1.5 dB): the surround channels beside and behind
    kLoudnessLeftOut = 2,  // not measured: the low-frequency effects channel
};

struct LoudnessFormat {
    uint32_t rate;     // frames per second, kLoudnessMinRate..kLoudnessMaxRate
    uint32_t channels; // 1..kLoudnessMaxChannels, interleaved
    LoudnessRole roles[kLoudnessMaxChannels]; // of channels 0 .. channels - 1
};

// The roles of a WAVE stream's channels from its speaker mask (the
// extensible format's dwChannelMask; 0 for none: the usual layout for the
// count, 6 channels being L R C LFE Ls Rs). The low-frequency channel (bit
// 3) is left out; back and side channels (bits 4, 5, 8, 9, 10) are surround.
LoudnessFormat LoudnessFormatOf(uint32_t rate, uint32_t channels, uint32_t channelMask);

// The filters and step sums of two channels, measured together in the two
// lanes of the K-weighting's loops (a lone channel pairs with itself and
// counts once).
struct LoudnessPair {
    // The filters' last four inputs x, shelf outputs y and high-pass outputs
    // z, newest first: [x1 .. x4, y1 .. y4, z1 .. z4][lane].
    double history[12][2];
    // Squares of the current step: lane 0 and 1 of its even frames, then of
    // its odd ones. Not weighted.
    double stepSquares[4];
};

// The two K-weighting stages for a rate, as the loops take them.
struct LoudnessStage {
    double b[5], c2, c4; // see meter/loudness.cpp, LookAhead
};

// Fixed after LoudnessInit: truePeak's scratch. Reserved by LoudnessStart:
// steps, sorted, capacity. Set by LoudnessStart: the format and what follows
// from it. The rest is the stream's.
struct LoudnessMeter {
    LoudnessPair pairs[kLoudnessMaxChannels / 2];
    uint8_t pairChannels[kLoudnessMaxChannels / 2][2]; // the channels in each pair's lanes
    double pairWeights[kLoudnessMaxChannels / 2][2];   // their weights; 0 for a lone channel's twin
    uint32_t pairCount;
    uint32_t channels;                  // of the stream
    uint32_t rate;                      // frames per second
    uint32_t stepFrames;                // (rate + 5) / 10: 100 ms
    LoudnessStage stages[2];            // the K-weighting: the shelf, then the high-pass
    uint32_t subEnd[kLoudnessSubSteps]; // where each tenth of a step ends, in frames
    uint32_t stepFill;                  // frames in the current step
    uint32_t subFill;                   // tenths of the current step complete
    // Weighted sums of squares: of the last kShortTermSteps + 1 steps, and
    // each one's running sum at the end of its tenths (head[k][j]: its first
    // j tenths), the step s at [s % (kShortTermSteps + 1)]. Steps before the
    // start are silence.
    double stepSum[kShortTermSteps + 1];
    double head[kShortTermSteps + 1][kLoudnessSubSteps + 1];
    double middleMomentary; // sum of the 3 complete steps before the current one
    double middleShortTerm; // of the 29 before it
    double maxMomentarySum; // the largest window sums so far
    double maxShortTermSum;
    uint64_t stepsDone; // complete steps, also those beyond the reserved ones
    double* steps;      // mean squares of the complete steps, channels weighted and summed
    double* sorted;     // room for the gating's block energies
    uint32_t stepCount; // complete steps kept
    uint32_t capacity;  // steps the arrays hold
    TruePeak truePeak;
};

// What a whole stream measured. Loudness values are -infinity where there
// is nothing to report: no 400 ms block (integrated), no 3 s block (range),
// no block above the gates, nothing but digital silence (maxima).
//
// The maxima are those of a file-based meter: windows of 400 ms and 3 s
// ending every 10 ms (a tenth of the step) from the stream's first frames,
// so that a burst is found wherever it starts, not only on the 100 ms grid.
// Frames before the start count as silence, as libebur128 and ffmpeg count
// them: a stream shorter than a window reads its energy spread over the
// whole window (2 s of tone at -20 LUFS: maximum short-term -21.76).
struct LoudnessResult {
    double integrated;   // LUFS, gated, over 400 ms blocks every 100 ms
    double range;        // LU, the 10th to the 95th percentile of gated 3 s blocks every 1 s
    double maxMomentary; // LUFS
    double maxShortTerm; // LUFS
    double truePeakDb[kLoudnessMaxChannels]; // dBTP per channel; -infinity for digital silence
    uint32_t channels;                       // channels measured: truePeakDb holds that many
};

// Prepares a value-initialised meter for buffers of up to maxFrames frames
// of up to kLoudnessMaxChannels channels, and for 44100 Hz stereo. Returns
// 1, or 0 when memory is short (the meter is then freed).
int LoudnessInit(LoudnessMeter* meter, uint32_t maxFrames);

// Frees the meter. Safe on a zeroed or freed meter.
void LoudnessFree(LoudnessMeter* meter);

// Starts a stream of at most frames frames in the given format: clears the
// state and reserves its steps. Returns 1; 0 when memory is short or the
// format is outside the ranges above (the meter then measures nothing
// until a start succeeds).
int LoudnessStart(LoudnessMeter* meter, uint64_t frames, const LoudnessFormat& format);

// The same for 44100 Hz stereo, both channels weight 1.
int LoudnessStart(LoudnessMeter* meter, uint64_t frames);

// Add frames (at most the maxFrames of LoudnessInit) of interleaved PCM in
// the started format: 16-bit, or float with 1.0 at full scale (values
// beyond it are measured as they are; NaN, infinities and magnitudes above
// 1e9 as silence). Steps beyond the reserved ones are not kept for the
// integrated loudness and range. Allocate nothing.
void LoudnessAdd(LoudnessMeter* meter, const void* samples, uint32_t frames);
void LoudnessAddFloat(LoudnessMeter* meter, const float* samples, uint32_t frames);

// The stream's results so far. Reorders the meter's gating room only.
void LoudnessFinish(LoudnessMeter* meter, LoudnessResult* result);

// Momentary and short-term loudness (LUFS) at sample frame `frame`: over the
// window ending with the last complete 100 ms step at or before it;
// -infinity before the first complete window (unlike the maxima, these
// never count the silence before the start).
double LoudnessMomentaryAt(const LoudnessMeter* meter, uint64_t frame);
double LoudnessShortTermAt(const LoudnessMeter* meter, uint64_t frame);
