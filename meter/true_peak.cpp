#include "meter/true_peak.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "meter/decibels.h"
#include "meter/lane_table.h"
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

// The largest magnitude of x[0] .. x[n - 1].
template <typename V> inline float LargestMagnitude(const float* x, uint32_t n) {
    V best = {};
    uint32_t i = 0;
    for (; i + kLaneCount<V> <= n; i += kLaneCount<V>) {
        V v;
        LoadLanes(v, x + i);
        KeepLargestMagnitude(best, v);
    }
    float m = LargestLane(best);
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
// [first, first + count): all three (kFour) or the middle one alone;
// x[first - 5] .. x[first + count + 4 + lanes] must be readable (lanes past
// the count are computed, then masked off). Each point is computed by the
// same operations at any width, and a maximum does not depend on the order,
// so every width gives the same result.
template <typename V, bool kFour>
inline float InterpolatedPeak(const float* x, uint32_t first, uint32_t count) {
    typedef decltype(V{} > V{}) Mask;
    Mask lane;
    for (uint32_t k = 0; k < kLaneCount<V>; ++k)
        lane[k] = int32_t(k);
    V best = {};
    for (uint32_t c = first; c < first + count; c += kLaneCount<V>) {
        const float* w = x + c - 5;
        V p = {}, q = {}, r = {};
#pragma GCC unroll 6
        for (int j = 0; j < kTruePeakTaps / 2; ++j) {
            V head, tail;
            LoadLanes(head, w + j);
            LoadLanes(tail, w + kTruePeakTaps - 1 - j);
            const V u = head + tail;
            if (kFour) {
                const V v = head - tail;
                p += kFolded.a[j] * u;
                q += kFolded.b[j] * v;
            }
            r += kFolded.c[j] * u;
        }
        V m;
        if (kFour) {
            Magnitude(m, p + q);
            KeepLargestMagnitude(m, p - q);
            KeepLargestMagnitude(m, r);
        } else {
            Magnitude(m, r);
        }
        const Mask inside = lane < int32_t(first + count - c);
        KeepLarger(best, reinterpret_cast<V>(reinterpret_cast<Mask>(m) & inside));
    }
    return LargestLane(best);
}

// One channel: kTruePeakHistory older samples, then frames new ones. The
// points after centres 5 .. frames + 4 have all their taps now.
template <typename V>
inline float ChannelPeak(const float* x, uint32_t frames, float peak, uint32_t factor) {
    const float samples = LargestMagnitude<V>(x + kTruePeakHistory, frames);
    peak = samples > peak ? samples : peak;
    if (factor == 1) return peak;
    const uint32_t end = frames + 5;
    for (uint32_t c = 5; c < end; c += kChunk) {
        const uint32_t count = end - c < kChunk ? end - c : kChunk;
        if (LargestMagnitude<V>(x + c - 5, count + 11) * kMaxGain <= peak) continue;
        const float p = factor == 4 ? InterpolatedPeak<V, true>(x, c, count)
                                    : InterpolatedPeak<V, false>(x, c, count);
        peak = p > peak ? p : peak;
    }
    return peak;
}

// Floats of one channel's scratch: the history, the frames, and the masked
// lanes' reads past them (up to 7 lanes past the last point, its 6 taps
// beyond).
size_t ChannelStride(uint32_t capacity) {
    return size_t(kTruePeakHistory) + capacity + 8;
}

} // namespace

float ChannelTruePeakSse(const float* x, uint32_t frames, float peak, uint32_t factor) {
    return ChannelPeak<V4>(x, frames, peak, factor);
}

#if TENVELO_WIDE_LANES
// Flattened: the body is compiled for AVX2 only where it is inlined.
TENVELO_AVX2 __attribute__((flatten)) float ChannelTruePeakAvx2(const float* x, uint32_t frames,
                                                                float peak, uint32_t factor) {
    return ChannelPeak<V8>(x, frames, peak, factor);
}
#endif

uint32_t TruePeakFactor(uint32_t rate) {
    return rate < 96000 ? 4 : rate < 192000 ? 2 : 1;
}

int TruePeakInit(TruePeak* m, uint32_t maxFrames) {
    m->scratch = static_cast<float*>(
        std::calloc(kTruePeakMaxChannels * ChannelStride(maxFrames), sizeof(float)));
    if (!m->scratch) return 0;
    m->capacity = maxFrames;
    TruePeakStart(m, 2, 44100);
    return 1;
}

void TruePeakFree(TruePeak* m) {
    std::free(m->scratch);
    m->scratch = nullptr;
    m->capacity = 0;
}

void TruePeakStart(TruePeak* m, uint32_t channels, uint32_t rate) {
    const size_t stride = ChannelStride(m->capacity);
    if (m->scratch) std::memset(m->scratch, 0, kTruePeakMaxChannels * stride * sizeof(float));
    m->channels = channels <= kTruePeakMaxChannels ? channels : 0;
    m->factor = TruePeakFactor(rate);
    for (float& p : m->peak)
        p = 0.0f;
}

namespace {

// A float sample as the meter reads it.
inline float Readable(float v) {
    return v >= -kFloatSampleLimit && v <= kFloatSampleLimit ? v : 0.0f;
}

inline V4 Readable4(V4 v) {
    const I4 inside = (v >= -kFloatSampleLimit) & (v <= kFloatSampleLimit);
    return reinterpret_cast<V4>(reinterpret_cast<I4>(v) & inside);
}

// Each channel's scratch now holds the new frames: measures them and keeps
// the last kTruePeakHistory for the next call.
void MeasureChannels(TruePeak* m, uint32_t frames) {
    const size_t stride = ChannelStride(m->capacity);
    const LaneTable* lanes = Lanes();
    for (uint32_t ch = 0; ch < m->channels; ++ch) {
        float* x = m->scratch + ch * stride;
        m->peak[ch] = lanes->channelTruePeak(x, frames, m->peak[ch], m->factor);
        std::memmove(x, x + frames, kTruePeakHistory * sizeof(float));
    }
}

} // namespace

void TruePeakAdd(TruePeak* m, const void* samples, uint32_t frames) {
    const size_t stride = ChannelStride(m->capacity);
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    float* left = m->scratch + kTruePeakHistory;
    if (m->channels == 2) {
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
    } else {
        const size_t frameBytes = 2 * size_t(m->channels);
        for (uint32_t ch = 0; ch < m->channels; ++ch) {
            float* x = left + ch * stride;
            const unsigned char* q = p + 2 * ch;
            for (uint32_t i = 0; i < frames; ++i, q += frameBytes) {
                int16_t s;
                std::memcpy(&s, q, sizeof s);
                x[i] = float(s) * kSampleScale;
            }
        }
    }
    MeasureChannels(m, frames);
}

void TruePeakAddFloat(TruePeak* m, const float* p, uint32_t frames) {
    const size_t stride = ChannelStride(m->capacity);
    float* left = m->scratch + kTruePeakHistory;
    if (m->channels == 2) {
        float* right = left + stride;
        uint32_t i = 0;
        for (; i + 4 <= frames; i += 4, p += 8) {
            V4 a, b;
            std::memcpy(&a, p, sizeof a);
            std::memcpy(&b, p + 4, sizeof b);
            Store4(left + i, Readable4(EvenLanes4(a, b)));
            Store4(right + i, Readable4(OddLanes4(a, b)));
        }
        for (; i < frames; ++i, p += 2) {
            left[i] = Readable(p[0]);
            right[i] = Readable(p[1]);
        }
    } else {
        for (uint32_t ch = 0; ch < m->channels; ++ch) {
            float* x = left + ch * stride;
            for (uint32_t i = 0; i < frames; ++i)
                x[i] = Readable(p[size_t(i) * m->channels + ch]);
        }
    }
    MeasureChannels(m, frames);
}
