// True peak: the largest magnitude of the signal between its samples, found
// by interpolating points per sample period with a windowed-sinc filter of
// 12 taps per phase: four (the samples themselves and three between each
// pair) below 96000 Hz, two below 192000 Hz, and above that the samples
// alone, whose rate then holds the audible band four times over.
#pragma once

#include <cstdint>

constexpr int kTruePeakTaps = 12;                   // input samples behind each interpolated point
constexpr int kTruePeakHistory = kTruePeakTaps - 1; // samples kept from one buffer to the next
constexpr uint32_t kTruePeakMaxChannels = 8;

// Fixed after TruePeakInit: scratch, capacity. The rest is the stream's.
struct TruePeak {
    float* scratch; // per channel: kTruePeakHistory samples of the previous buffer, then this one
    uint32_t capacity;                // sample frames one call may bring
    uint32_t channels;                // of the stream, interleaved
    uint32_t factor;                  // points per sample period: 4, 2 or 1
    float peak[kTruePeakMaxChannels]; // largest magnitude so far, linear (1.0 = full scale)
};

// Points per sample period at a rate: 4, 2 or 1.
uint32_t TruePeakFactor(uint32_t rate);

// Allocates the scratch for calls of up to maxFrames frames of up to
// kTruePeakMaxChannels channels into a value-initialised record and starts
// a 44100 Hz stereo stream. Returns 1, or 0 when memory is
// short (the record is then freed).
int TruePeakInit(TruePeak* meter, uint32_t maxFrames);

// Frees the scratch. Safe on a zeroed or freed record.
void TruePeakFree(TruePeak* meter);

// Starts a new stream of 1..kTruePeakMaxChannels channels at a rate: no
// peak, silence before its first sample.
void TruePeakStart(TruePeak* meter, uint32_t channels, uint32_t rate);

// Add frames (at most capacity) of interleaved PCM of the stream's
// channels: 16-bit, or float with 1.0 at full scale (NaN, infinities and
// magnitudes above kFloatSampleLimit read as 0). The points between the
// last six samples and the next buffer are measured with that buffer.
// Allocate nothing.
void TruePeakAdd(TruePeak* meter, const void* samples, uint32_t frames);
void TruePeakAddFloat(TruePeak* meter, const float* samples, uint32_t frames);
