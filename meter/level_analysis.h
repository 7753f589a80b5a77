// Level analysis: turns 16-bit PCM buffers into measurement frames. Each
// channel is delayed, then its peak magnitude, sum of magnitudes and sum of
// squares are gathered, and for stereo the sum of left x right.
#pragma once

#include <cstdint>

#include "meter/decibels.h"
#include "meter/delay_line.h"

struct MeterEngine;

// One channel's sums over the current frame (of the delayed amplitudes y).
struct ChannelAccumulators {
    float peak;  // largest |y|
    float sum;   // sum of |y|
    float sumSq; // sum of y x y
};

// The sample loops. They run frames sample frames of interleaved 16-bit
// little-endian PCM through the delay lines (which must hold rings) and add to
// the accumulators; nothing is allocated, locked or called. The sums are
// gathered in several lanes and added up at the end, so they may differ from
// a strictly sequential single-precision sum by rounding only; the peak is exact.
void AnalyseMono(const void* samples, uint32_t frames, DelayLine* line, ChannelAccumulators* acc);
// With keepRings false and read on write in both lines (no delay), the
// samples are not stored in the rings, which then hold stale values: only
// for a caller that never moves read off write again. The sums are the same
// to the bit.
void AnalyseStereo(const void* samples, uint32_t frames, DelayLine* left, DelayLine* right,
                   ChannelAccumulators* accLeft, ChannelAccumulators* accRight, float* corrSum,
                   bool keepRings = true);
// The same for interleaved float amplitudes (1.0 is full scale; values
// beyond it are measured as they are). A 16-bit buffer converted to floats
// by kSampleScale gives the same sums to the bit.
void AnalyseMonoFloat(const float* samples, uint32_t frames, DelayLine* line,
                      ChannelAccumulators* acc);
void AnalyseStereoFloat(const float* samples, uint32_t frames, DelayLine* left, DelayLine* right,
                        ChannelAccumulators* accLeft, ChannelAccumulators* accRight, float* corrSum,
                        bool keepRings = true);

// ---- The engine's per-buffer entry and the analysis state it owns ----

// Measures one buffer of byteCount bytes. *handle holds the engine (or null);
// the entry may destroy the engine when a destroy request arrived during the
// buffer, and then clears *handle. Buffers of less than one sample frame,
// and buffers arriving while the analysis is busy or on hold, are ignored.
void AnalyseBuffer(MeterEngine** handle, const void* samples, uint32_t byteCount);

// The same for frames frames of interleaved float amplitudes in the
// engine's channel count (the float loops above).
void AnalyseFloatBuffer(MeterEngine** handle, const float* samples, uint32_t frames);

// Sets the stream format. Returns 1 on success (also when nothing changes),
// 0 when there is no engine, channels is not 1 or 2, sampleRate is not a
// finite value in 1..1000000, or the delay lines cannot be allocated (the
// engine then has none and measures nothing). Call while no stream runs.
int MeterSetFormat(MeterEngine** handle, float sampleRate, uint32_t channels);

// Frees the delay lines and allocates them for the engine's format. Returns
// 1 on success, 0 when an allocation failed (both lines are then freed).
int MeterAllocateDelayLines(MeterEngine* engine);

// Puts both rings' write and read back at their start, where a new
// engine's are: the analysis cuts its runs where a ring wraps and the sums'
// rounding follows the cuts, so an engine reused for another stream then
// measures it as a new one would. The next derive step puts read behind
// write again. Call while no stream runs.
void MeterRewindRings(MeterEngine* engine);

// Frees both delay lines and clears derivedValid.
void MeterFreeDelayLines(MeterEngine* engine);

// The reset run before a stream starts: clears the frame phase and sums,
// the lost-frame count, the ballistic values and the delay rings (not with
// fixedDelay and no delay: nothing reads them), and marks the derived values
// for recomputation. The history is left alone. Call while no stream runs.
void MeterZero(MeterEngine** handle);
