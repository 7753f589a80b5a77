// Lanes of samples as the compiler's vector types, for sample loops that
// must give the same bits in every build: these operations round exactly as
// the scalar ones do. Four float lanes (V4) are SSE in every build, the i686
// one included, lane by lane where there is none. Eight (V8) and the double
// lanes of the K-weighting's pairs (D4) are AVX2, in code built for it
// (TENVELO_AVX2) and run only where meter/lane_table.h chose it.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__SSE__)
#include <xmmintrin.h>
#endif

typedef float V4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));
typedef double D2 __attribute__((vector_size(16)));

inline void Store4(float* p, V4 v) {
    std::memcpy(p, &v, sizeof v);
}

// The sign-extended low 16 bits of each word. With SSE2 one multiply-add
// takes them (low x 1 + high x 0) where shifts take two instructions.
inline I4 LowHalves(I4 words) {
#if defined(__SSE2__)
    const __m128i lowOnly = _mm_set1_epi32(1);
    return reinterpret_cast<I4>(_mm_madd_epi16(reinterpret_cast<__m128i>(words), lowOnly));
#else
    return (words << 16) >> 16;
#endif
}

inline V4 Abs4(V4 v) {
    const I4 mask = {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
    return reinterpret_cast<V4>(reinterpret_cast<I4>(v) & mask);
}

// a > b ? a : b in each lane.
inline V4 Max4(V4 a, V4 b) {
#if defined(__SSE__)
    return reinterpret_cast<V4>(
        _mm_max_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
#else
    const I4 m = a > b;
    return reinterpret_cast<V4>((reinterpret_cast<I4>(a) & m) | (reinterpret_cast<I4>(b) & ~m));
#endif
}

// Lanes 0 1 2 3 of v as 1 0 3 2: left and right of each stereo frame swapped.
inline V4 SwapPairs4(V4 v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, 1, 0, 3, 2);
#else
    return __builtin_shuffle(v, I4{1, 0, 3, 2});
#endif
}

// Lanes 0 2 of a and 0 2 of b; and 1 3 of each: the left and the right
// channels of four stereo frames.
inline V4 EvenLanes4(V4 a, V4 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, 0, 2, 4, 6);
#else
    return __builtin_shuffle(a, b, I4{0, 2, 4, 6});
#endif
}

inline V4 OddLanes4(V4 a, V4 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, 1, 3, 5, 7);
#else
    return __builtin_shuffle(a, b, I4{1, 3, 5, 7});
#endif
}

// Any width, for loops written once for four lanes and for eight. Vectors
// go by reference: a 32-byte vector passed by value takes another ABI in
// code built without AVX (GCC and clang warn of it), and these bodies are
// compiled both with and without.
template <typename V> constexpr uint32_t kLaneCount = sizeof(V) / sizeof(float);

template <typename V> inline void LoadLanes(V& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}

// m = |v| in each lane.
template <typename V> inline void Magnitude(V& m, const V& v) {
    typedef decltype(v > v) Mask;
    m = reinterpret_cast<V>(reinterpret_cast<Mask>(v) & 0x7FFFFFFF);
}

// best = max(best, v) in each lane.
template <typename V> inline void KeepLarger(V& best, const V& v) {
    best = v > best ? v : best;
}

// best = max(best, |v|) in each lane.
template <typename V> inline void KeepLargestMagnitude(V& best, const V& v) {
    V m;
    Magnitude(m, v);
    KeepLarger(best, m);
}

template <typename V> inline float LargestLane(const V& v) {
    float m = v[0];
    for (uint32_t k = 1; k < kLaneCount<V>; ++k)
        m = v[k] > m ? v[k] : m;
    return m;
}

// Where loops also have an eight-lane form for CPUs with AVX2: x86-64 builds
// other than Windows, whose compiler does not align the stack for spilled
// AVX registers.
#if defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__)
#define TENVELO_WIDE_LANES 1
#define TENVELO_AVX2 __attribute__((target("avx2")))
#include <immintrin.h>

typedef float V8 __attribute__((vector_size(32)));
typedef double D4 __attribute__((vector_size(32)));
typedef int64_t L4 __attribute__((vector_size(32)));
#else
#define TENVELO_WIDE_LANES 0
#endif
