#include "audio/sample_decode.h"

#include <cstring>

#include "sys/byte_order.h"

namespace {

constexpr uint32_t kF32Exponent = 0x7F800000u;
constexpr uint64_t kF64Exponent = 0x7FF0000000000000ull;

// Powers of two: multiplying by them is exact and the same as dividing.
constexpr float kScale8 = 1.0f / 128.0f;
constexpr float kScale16 = 3.0517578125e-05f; // 1 / 32768
constexpr float kScale24 = 1.0f / 8388608.0f;
constexpr float kScale32 = 1.0f / 2147483648.0f;

uint32_t DecodeU8(const uint8_t* raw, size_t samples, float* out) {
    for (size_t i = 0; i < samples; ++i)
        out[i] = float(int(raw[i]) - 128) * kScale8;
    return 0;
}

uint32_t DecodeS16(const uint8_t* raw, size_t samples, float* out) {
    for (size_t i = 0; i < samples; ++i, raw += 2)
        out[i] = float(int16_t(LoadU16(raw))) * kScale16;
    return 0;
}

uint32_t DecodeS24(const uint8_t* raw, size_t samples, float* out) {
    for (size_t i = 0; i < samples; ++i, raw += 3) {
        // Into the top of a 32-bit word, then an arithmetic shift back down.
        const uint32_t top =
            uint32_t(raw[0]) << 8 | uint32_t(raw[1]) << 16 | uint32_t(raw[2]) << 24;
        out[i] = float(int32_t(top) >> 8) * kScale24;
    }
    return 0;
}

uint32_t DecodeS32(const uint8_t* raw, size_t samples, float* out) {
    for (size_t i = 0; i < samples; ++i, raw += 4)
        out[i] = float(int32_t(LoadU32(raw))) * kScale32;
    return 0;
}

uint32_t DecodeF32(const uint8_t* raw, size_t samples, float* out) {
    uint32_t invalid = 0;
    for (size_t i = 0; i < samples; ++i, raw += 4) {
        uint32_t bits = LoadU32(raw);
        const bool finite = (bits & kF32Exponent) != kF32Exponent;
        invalid += !finite;
        bits = finite ? bits : 0;
        std::memcpy(&out[i], &bits, sizeof bits);
    }
    return invalid;
}

uint32_t DecodeF64(const uint8_t* raw, size_t samples, float* out) {
    uint32_t invalid = 0;
    for (size_t i = 0; i < samples; ++i, raw += 8) {
        const uint64_t bits = uint64_t(LoadU32(raw)) | uint64_t(LoadU32(raw + 4)) << 32;
        double d = 0.0;
        if ((bits & kF64Exponent) != kF64Exponent) std::memcpy(&d, &bits, sizeof d);
        float f = float(d);
        uint32_t fbits;
        std::memcpy(&fbits, &f, sizeof fbits);
        // NaN and infinity, and doubles too large for a float, which round to infinity.
        const bool finite =
            (bits & kF64Exponent) != kF64Exponent && (fbits & kF32Exponent) != kF32Exponent;
        invalid += !finite;
        out[i] = finite ? f : 0.0f;
    }
    return invalid;
}

} // namespace

const SampleDecodeProc kSampleDecoders[kSampleEncodings] = {
    DecodeU8,  // kSampleU8
    DecodeS16, // kSampleS16
    DecodeS24, // kSampleS24
    DecodeS32, // kSampleS32
    DecodeF32, // kSampleF32
    DecodeF64, // kSampleF64
};

uint32_t ScrubFloats(float* samples, size_t count) {
    uint32_t invalid = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &samples[i], sizeof bits);
        if ((bits & kF32Exponent) == kF32Exponent) {
            samples[i] = 0.0f;
            ++invalid;
        }
    }
    return invalid;
}
