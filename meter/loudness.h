// Loudness of 44100 Hz stereo PCM: K-weighting, the mean square of 100 ms
// steps, and from them momentary (400 ms) and short-term (3 s) loudness,
// integrated loudness with its absolute and relative gates, loudness range,
// and the true peak per channel. Loudness in LUFS is -0.691 + 10 log10 of
// the weighted mean squares summed over both channels.
#pragma once

#include <cstdint>

#include "meter/true_peak.h"

constexpr uint32_t kLoudnessStepFrames = 4410; // 100 ms at 44100 Hz
constexpr uint32_t kMomentarySteps = 4;        // 400 ms
constexpr uint32_t kShortTermSteps = 30;       // 3 s

// Fixed after LoudnessInit: truePeak's scratch. Reserved by LoudnessStart:
// steps, sorted, capacity. The rest is the stream's.
struct LoudnessMeter {
    // The filters' last four inputs x, shelf outputs y and high-pass outputs
    // z, newest first: [x1 .. x4, y1 .. y4, z1 .. z4][channel].
    double history[12][2];
    // Weighted squares of the current step: left and right of its even
    // frames, then of its odd ones.
    double stepSquares[4];
    uint32_t stepFill;  // frames in the current step
    double* steps;      // mean squares of the complete steps, both channels summed
    double* sorted;     // room for the gating's block energies
    uint32_t stepCount; // complete steps so far
    uint32_t capacity;  // steps the arrays hold
    TruePeak truePeak;
};

// What a whole stream measured. Loudness values are -infinity where there
// is nothing to report: no 400 ms (integrated, momentary) or 3 s
// (short-term, range) window, or no window above the gates.
struct LoudnessResult {
    double integrated;    // LUFS, gated
    double range;         // LU, the 10th to the 95th percentile of gated short-term loudness
    double maxMomentary;  // LUFS
    double maxShortTerm;  // LUFS
    double truePeakDb[2]; // dBTP, left and right; -infinity for digital silence
};

// Prepares a value-initialised meter for buffers of up to maxFrames frames.
// Returns 1, or 0 when memory is short (the meter is then freed).
int LoudnessInit(LoudnessMeter* meter, uint32_t maxFrames);

// Frees the meter. Safe on a zeroed or freed meter.
void LoudnessFree(LoudnessMeter* meter);

// Starts a stream of at most frames frames: clears the state and reserves
// its steps. Returns 1, or 0 when memory is short (the meter measures
// nothing until a start succeeds).
int LoudnessStart(LoudnessMeter* meter, uint64_t frames);

// Adds frames (at most the maxFrames of LoudnessInit) of interleaved 16-bit
// stereo PCM. Steps beyond the reserved ones are not kept. Allocates nothing.
void LoudnessAdd(LoudnessMeter* meter, const void* samples, uint32_t frames);

// The stream's results so far. Reorders the meter's gating room only.
void LoudnessFinish(LoudnessMeter* meter, LoudnessResult* result);

// Momentary and short-term loudness (LUFS) at sample frame `frame`: over the
// window ending with the last complete step at or before it; -infinity
// before the first complete window.
double LoudnessMomentaryAt(const LoudnessMeter* meter, uint64_t frame);
double LoudnessShortTermAt(const LoudnessMeter* meter, uint64_t frame);
