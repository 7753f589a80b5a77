// Musical positions: milliseconds as bar / beat / tick text and back, for a
// tempo in quarter-note beats per minute and a time signature of
// beatsPerBar over beatUnit (1, 2, 4, 8 or 16).
#pragma once

#include <cstddef>
#include <cstdint>

// Formats `timeMs` as "%6i / %2i / %5i" of bar, beat (both 1-based) and tick.
// A tempo below 1 (or NaN) counts as 1; a beatsPerBar below 1 counts as 4; a
// beatUnit of 0 means 4/4; ticksPerBeat below 1 counts as 1. Negative or NaN
// times count as 0; times beyond 2^32 - 1 beats are clamped to it. Writes at
// most outSize - 1 characters, always terminated. Returns the length written.
int FormatMusicalPosition(char* out, size_t outSize, float timeMs, float tempo,
                          int32_t ticksPerBeat, int32_t beatsPerBar, int32_t beatUnit);

// Returns the time in milliseconds of 1-based `bar` and `beat` plus `tick`
// (ticks of the beat unit), with the same defaults as FormatMusicalPosition.
// Computed in double, so large bars do not overflow.
float MusicalPositionToMs(int32_t bar, int32_t beat, int32_t tick, float tempo,
                          int32_t ticksPerBeat, int32_t beatsPerBar, int32_t beatUnit);

// Reads bar, beat and tick as three runs of digits with any separators
// between them. A missing or zero bar is 1; a missing, zero or too large beat
// is 1; a missing or too large tick is 0. Returns the time in milliseconds.
double ParseMusicalPosition(const char* text, float tempo, int32_t ticksPerBeat,
                            int32_t beatsPerBar, int32_t beatUnit);

// Reads the next run of decimal digits from text + *position: skips to the
// first digit, collects the run and consumes the one character after it.
// Returns the number, or -1 when there is no digit before the end or the run
// reaches 2147483647 (the rest of that run is then skipped). Null text gives -1.
int32_t ReadNumberField(const char* text, size_t* position);
