// The measurement delay of one channel: a ring of amplitudes written at one
// position and read back a fixed number of samples later.
#pragma once

#include <cstdint>

struct DelayLine {
    float* base;    // ring storage, zero-filled when allocated; null when absent
    uint32_t bytes; // ring size in bytes: 4 x (2 + 2 x sampleRate)
    float* begin;   // first element
    float* end;     // one past the last element
    float* write;   // where the next input amplitude is stored
    float* read;    // where the next delayed amplitude is taken
};

// Frees any ring the line holds, then allocates a zero-filled ring of
// 2 + 2 x sampleRate floats (room for a delay of 2 seconds) with write and read
// at its start. Returns 1 on success; 0 when sampleRate is not a finite value
// in 1..1000000 or memory is short (the line is then empty).
int DelayLineAllocate(DelayLine* line, float sampleRate);

// Releases the ring (if any) and empties the line.
void DelayLineFree(DelayLine* line);

// Fills the ring with zeros; positions stay.
void DelayLineZero(DelayLine* line);

// Places read delaySamples behind write, wrapping over the start of the ring.
// A delay that does not fit the ring (4 x delay not below the ring's bytes)
// places read on write. Nothing happens to an empty line.
void DelayLineSetDelay(DelayLine* line, uint32_t delaySamples);

// The delay in samples for delaySeconds at sampleRate, truncated. A negative
// or non-finite product gives 0; a huge one is capped so the ring rule above
// applies.
uint32_t DelaySamples(float sampleRate, float delaySeconds);
