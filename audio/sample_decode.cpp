#include "audio/sample_decode.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Every tree is little-endian x86, so samples load as native words.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "samples are loaded as native words");

template <int Bytes> inline float Integer(const uint8_t* p) {
    if (Bytes == 2) {
        int16_t s;
        std::memcpy(&s, p, sizeof s);
        return float(s) * kScale16;
    } else if (Bytes == 3) {
        // Into the top of a 32-bit word, then an arithmetic shift back down.
        const uint32_t top = uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24;
        return float(int32_t(top) >> 8) * kScale24;
    } else {
        int32_t s;
        std::memcpy(&s, p, sizeof s);
        return float(s) * kScale32;
    }
}

template <int Bytes> uint32_t DecodeInteger(const uint8_t* raw, size_t samples, float* out) {
    for (size_t i = 0; i < samples; ++i)
        out[i] = Integer<Bytes>(raw + i * Bytes);
    return 0;
}

// The common case, eight samples at a time: GCC leaves the loop above scalar
// at -O2, and it took half the read's time. Packed and scalar conversions
// round alike, so the floats are the same.
uint32_t DecodeS16(const uint8_t* raw, size_t samples, float* out) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(kScale16);
    for (; i + 8 <= samples; i += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 2 * i));
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(s, s), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(s, s), 16);
        _mm_storeu_ps(out + i, _mm_mul_ps(_mm_cvtepi32_ps(low), scale));
        _mm_storeu_ps(out + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), scale));
    }
#endif
    DecodeInteger<2>(raw + 2 * i, samples - i, out + i);
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
    DecodeU8,         // kSampleU8
    DecodeS16,        // kSampleS16
    DecodeInteger<3>, // kSampleS24
    DecodeInteger<4>, // kSampleS32
    DecodeF32,        // kSampleF32
    DecodeF64,        // kSampleF64
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
