// True peak: the largest magnitude of the signal between its samples, found
// by interpolating four points per sample period (the samples themselves and
// three between each pair) with a windowed-sinc filter of 12 taps per phase.
#pragma once

#include <cstdint>

constexpr int kTruePeakTaps = 12;                   // input samples behind each interpolated point
constexpr int kTruePeakHistory = kTruePeakTaps - 1; // samples kept from one buffer to the next

// Fixed after TruePeakInit: scratch, capacity. The rest is the stream's.
struct TruePeak {
    float* scratch; // per channel: kTruePeakHistory samples of the previous buffer, then this one
    uint32_t capacity; // sample frames one call may bring
    float peak[2];     // largest magnitude so far, linear (1.0 = full scale)
};

// Allocates the scratch for calls of up to maxFrames frames into a
// value-initialised record and resets it. Returns 1, or 0 when memory is
// short (the record is then freed).
int TruePeakInit(TruePeak* meter, uint32_t maxFrames);

// Frees the scratch. Safe on a zeroed or freed record.
void TruePeakFree(TruePeak* meter);

// Starts a new stream: no peak, silence before its first sample.
void TruePeakReset(TruePeak* meter);

// Adds frames (at most capacity) of interleaved 16-bit stereo PCM. The
// points between the last six samples and the next buffer are measured with
// that buffer. Allocates nothing.
void TruePeakAdd(TruePeak* meter, const void* samples, uint32_t frames);
