#include "meter/true_peak.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "meter/level_analysis.h"
#include "meter/sample_lanes.h"

namespace {

// Phases 1/4, 2/4 and 3/4 between x[n] and x[n + 1], taps on x[n - 5] ..
// x[n + 6]: sin(pi t) / (pi t) under a Kaiser window (beta 5, half-width
// 6.5), each phase scaled to a gain of 1 at 0 Hz. Read with sines up to 20
// kHz: within -0.14 / +0.07 dB of the true peak. Phase 0 is the sample.
constexpr float kPhases[3][kTruePeakTaps] = {
    {-7.385261471e-03f, 1.828606578e-02f, -3.838893164e-02f, 7.618512342e-02f, -1.661136151e-01f,
     8.997157700e-01f, 2.920571739e-01f, -1.093925073e-01f, 5.409639264e-02f, -2.685058346e-02f,
     1.196423288e-02f, -4.173859672e-03f},
    {-7.967794026e-03f, 2.106292437e-02f, -4.556368546e-02f, 9.078706184e-02f, -1.888169414e-01f,
     6.304984347e-01f, 6.304984347e-01f, -1.888169414e-01f, 9.078706184e-02f, -4.556368546e-02f,
     2.106292437e-02f, -7.967794026e-03f},
    {-4.173859672e-03f, 1.196423288e-02f, -2.685058346e-02f, 5.409639264e-02f, -1.093925073e-01f,
     2.920571739e-01f, 8.997157700e-01f, -1.661136151e-01f, 7.618512342e-02f, -3.838893164e-02f,
     1.828606578e-02f, -7.385261471e-03f},
};

// No phase gains more than this (the largest sum of |tap| is 1.9694): a
// stretch whose samples stay below peak / kMaxGain cannot raise the peak,
// and is skipped without changing the result.
constexpr float kMaxGain = 1.98f;

// Interpolated points are measured in chunks of this many sample periods.
constexpr uint32_t kChunk = 64;

inline float Largest(V4 v) {
    float m = v[0];
    for (int k = 1; k < 4; ++k)
        m = v[k] > m ? v[k] : m;
    return m;
}

float LargestMagnitude(const float* x, uint32_t n) {
    V4 best = {0, 0, 0, 0};
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4)
        best = Max4(best, Abs4(Load4(x + i)));
    float m = Largest(best);
    for (; i < n; ++i)
        m = std::fabs(x[i]) > m ? std::fabs(x[i]) : m;
    return m;
}

// The third phase is the first reversed and the second is symmetric, so
// the taps fold in pairs: with u = x[j] + x[11 - j] and v = x[j] - x[11 - j],
// phase 1 = A.u + B.v, phase 3 = A.u - B.v, phase 2 = C.u over j < 6.
struct Folded {
    float a[kTruePeakTaps / 2], b[kTruePeakTaps / 2], c[kTruePeakTaps / 2];
};

constexpr Folded Fold() {
    Folded f{};
    for (int j = 0; j < kTruePeakTaps / 2; ++j) {
        f.a[j] = (kPhases[0][j] + kPhases[0][kTruePeakTaps - 1 - j]) * 0.5f;
        f.b[j] = (kPhases[0][j] - kPhases[0][kTruePeakTaps - 1 - j]) * 0.5f;
        f.c[j] = kPhases[1][j];
    }
    return f;
}

constexpr Folded kFolded = Fold();

// The largest interpolated magnitude of the points after x[c] for c in
// [first, first + count); x[first - 5] .. x[first + count + 8] must be
// readable (lanes past the count are computed, then masked off).
float InterpolatedPeak(const float* x, uint32_t first, uint32_t count) {
    V4 best = {0, 0, 0, 0};
    const I4 lane = {0, 1, 2, 3};
    for (uint32_t c = first; c < first + count; c += 4) {
        const float* w = x + c - 5;
        V4 p = {0, 0, 0, 0}, q = p, r = p;
#pragma GCC unroll 6
        for (int j = 0; j < kTruePeakTaps / 2; ++j) {
            const V4 head = Load4(w + j), tail = Load4(w + kTruePeakTaps - 1 - j);
            const V4 u = head + tail, v = head - tail;
            p += kFolded.a[j] * u;
            q += kFolded.b[j] * v;
            r += kFolded.c[j] * u;
        }
        const V4 m = Max4(Max4(Abs4(p + q), Abs4(p - q)), Abs4(r));
        const I4 inside = lane < int32_t(first + count - c);
        best = Max4(best, Keep4(m, inside));
    }
    return Largest(best);
}

#if TENVELO_WIDE_LANES
// The same two scans eight lanes at a time, for CPUs with AVX2: each point
// is computed by the same operations, and a maximum does not depend on
// the order, so the results are the same.
typedef float V8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));

__attribute__((target("avx2"))) inline V8 Load8(const float* p) {
    V8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((target("avx2"))) inline V8 Abs8(V8 v) {
    return reinterpret_cast<V8>(reinterpret_cast<I8>(v) & 0x7FFFFFFF);
}

__attribute__((target("avx2"))) inline V8 Max8(V8 a, V8 b) {
    return a > b ? a : b;
}

__attribute__((target("avx2"))) inline float Largest8(V8 v) {
    float m = v[0];
    for (int k = 1; k < 8; ++k)
        m = v[k] > m ? v[k] : m;
    return m;
}

__attribute__((target("avx2"))) float LargestMagnitudeWide(const float* x, uint32_t n) {
    V8 best = {};
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8)
        best = Max8(best, Abs8(Load8(x + i)));
    float m = Largest8(best);
    for (; i < n; ++i)
        m = std::fabs(x[i]) > m ? std::fabs(x[i]) : m;
    return m;
}

__attribute__((target("avx2"))) float InterpolatedPeakWide(const float* x, uint32_t first,
                                                           uint32_t count) {
    V8 best = {};
    const I8 lane = {0, 1, 2, 3, 4, 5, 6, 7};
    for (uint32_t c = first; c < first + count; c += 8) {
        const float* w = x + c - 5;
        V8 p = {}, q = {}, r = {};
#pragma GCC unroll 6
        for (int j = 0; j < kTruePeakTaps / 2; ++j) {
            const V8 head = Load8(w + j), tail = Load8(w + kTruePeakTaps - 1 - j);
            const V8 u = head + tail, v = head - tail;
            p += kFolded.a[j] * u;
            q += kFolded.b[j] * v;
            r += kFolded.c[j] * u;
        }
        const V8 m = Max8(Max8(Abs8(p + q), Abs8(p - q)), Abs8(r));
        const I8 inside = lane < int32_t(first + count - c);
        best = Max8(best, reinterpret_cast<V8>(reinterpret_cast<I8>(m) & inside));
    }
    return Largest8(best);
}
#endif

// One channel: kTruePeakHistory older samples, then frames new ones. The
// points after centres 5 .. frames + 4 have all their taps now.
template <float (*kLargest)(const float*, uint32_t),
          float (*kInterpolated)(const float*, uint32_t, uint32_t)>
float ChannelPeakOf(const float* x, uint32_t frames, float peak) {
    const float samples = kLargest(x + kTruePeakHistory, frames);
    peak = samples > peak ? samples : peak;
    const uint32_t end = frames + 5;
    for (uint32_t c = 5; c < end; c += kChunk) {
        const uint32_t count = end - c < kChunk ? end - c : kChunk;
        if (kLargest(x + c - 5, count + 11) * kMaxGain <= peak) continue;
        const float p = kInterpolated(x, c, count);
        peak = p > peak ? p : peak;
    }
    return peak;
}

float ChannelPeak(const float* x, uint32_t frames, float peak) {
#if TENVELO_WIDE_LANES
    if (WideLanes())
        return ChannelPeakOf<LargestMagnitudeWide, InterpolatedPeakWide>(x, frames, peak);
#endif
    return ChannelPeakOf<LargestMagnitude, InterpolatedPeak>(x, frames, peak);
}

// Floats of one channel's scratch: the history, the frames, and the masked
// lanes' reads past them (up to 7 lanes past the last point, its 6 taps
// beyond).
size_t ChannelStride(uint32_t capacity) {
    return size_t(kTruePeakHistory) + capacity + 8;
}

} // namespace

int TruePeakInit(TruePeak* m, uint32_t maxFrames) {
    m->scratch = static_cast<float*>(std::calloc(2 * ChannelStride(maxFrames), sizeof(float)));
    if (!m->scratch) return 0;
    m->capacity = maxFrames;
    TruePeakReset(m);
    return 1;
}

void TruePeakFree(TruePeak* m) {
    std::free(m->scratch);
    m->scratch = nullptr;
    m->capacity = 0;
}

void TruePeakReset(TruePeak* m) {
    if (m->scratch) std::memset(m->scratch, 0, 2 * ChannelStride(m->capacity) * sizeof(float));
    m->peak[0] = m->peak[1] = 0.0f;
}

void TruePeakAdd(TruePeak* m, const void* samples, uint32_t frames) {
    const size_t stride = ChannelStride(m->capacity);
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    float* left = m->scratch + kTruePeakHistory;
    float* right = left + stride;
    uint32_t i = 0;
    for (; i + 4 <= frames; i += 4, p += 16) {
        I4 pcm;
        std::memcpy(&pcm, p, sizeof pcm);
        Store4(left + i, __builtin_convertvector(LowHalves(pcm), V4) * kSampleScale);
        Store4(right + i, __builtin_convertvector(pcm >> 16, V4) * kSampleScale);
    }
    for (; i < frames; ++i, p += 4) {
        int16_t s[2];
        std::memcpy(s, p, sizeof s);
        left[i] = float(s[0]) * kSampleScale;
        right[i] = float(s[1]) * kSampleScale;
    }
    for (int ch = 0; ch < 2; ++ch) {
        float* x = m->scratch + ch * stride;
        m->peak[ch] = ChannelPeak(x, frames, m->peak[ch]);
        std::memmove(x, x + frames, kTruePeakHistory * sizeof(float));
    }
}
