// Stored sample bytes to float32 at full scale 1.0, one decoder per stored
// encoding. Integers are scaled by powers of two, so every value lands
// exactly (a 16-bit s gives s / 32768, as the program's own analysis
// scales it); floats pass unchanged, beyond 1.0 too, except those that are
// not finite.
#pragma once

#include <cstddef>
#include <cstdint>

// How the samples of a file are stored; indexes kSampleDecoders.
enum SampleEncoding {
    kSampleU8 = 0,   // 8-bit unsigned integer, 128 is zero
    kSampleS16 = 1,  // 16-bit signed integer, little-endian
    kSampleS24 = 2,  // 24-bit signed integer in 3 bytes, little-endian
    kSampleS32 = 3,  // 32-bit signed integer, little-endian
    kSampleF32 = 4,  // IEEE 754 single, little-endian
    kSampleF64 = 5,  // IEEE 754 double, little-endian, rounded to single
    kSampleEncodings // decoders in the table; readers of other containers
                     // deliver floats themselves and store this
};

// Decodes `samples` samples of raw bytes into `out`. Returns how many were
// NaN or infinite (or, for doubles, beyond the float range): each of those is
// delivered as 0.0. The integer decoders always return 0.
typedef uint32_t (*SampleDecodeProc)(const uint8_t* raw, size_t samples, float* out);
extern const SampleDecodeProc kSampleDecoders[kSampleEncodings];

// Replaces NaN and infinite values in place with 0.0; returns how many.
uint32_t ScrubFloats(float* samples, size_t count);
