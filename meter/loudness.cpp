#include "meter/loudness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "meter/decibels.h"
#include "meter/lane_table.h"
#include "meter/power_of_ten.h"
#include "meter/sample_lanes.h"

namespace {

// The two K-weighting stages at 44100 Hz, b0 b1 b2 a1 a2, by the bilinear
// transform of their analogue prototypes: a high shelf of +4 dB (f0 1681.97
// Hz, Q 0.7072) and a high-pass (f0 38.14 Hz, Q 0.5003). Written out rather
// than computed so that every build uses the same bits.
constexpr double kShelf[5] = {1.5308412300503478, -2.6509799951547297, 1.1690790799215871,
                              -1.6636551132560204, 0.7125954280732254};
constexpr double kHighpassA1 = -1.9891696736297959;
constexpr double kHighpassA2 = 0.98919903578703927;

// Mean square of -70 LUFS: blocks at or below it are silence to the gates.
constexpr double kAbsoluteGate = 1.1724653045822981e-07;
constexpr double kIntegratedRelativeGate = 0.1; // -10 LU
constexpr double kRangeRelativeGate = 0.01;     // -20 LU
constexpr uint32_t kRangeHopSteps = 10;         // short-term blocks for the range, 1 s apart

constexpr double kNothing = -std::numeric_limits<double>::infinity();

// A K-weighting stage b0 b1 b2 / 1 a1 a2 with numerator and denominator
// multiplied by 1 - a1 z^-1 + a2 z^-2: y[n] = b[0] x[n] + .. + b[4] x[n - 4]
// - c2 y[n - 2] - c4 y[n - 4]. The poles this adds (the stage's own,
// mirrored) are cancelled by the zeros it adds. An output now waits only on
// the one two frames back, so two frames go through together.
struct Stage {
    double b[5], c2, c4;
};

constexpr Stage LookAhead(double b0, double b1, double b2, double a1, double a2) {
    return {{b0, b1 - b0 * a1, b2 - b1 * a1 + b0 * a2, b1 * a2 - b2 * a1, b2 * a2},
            2.0 * a2 - a1 * a1,
            a2 * a2};
}

constexpr Stage kShelfStage = LookAhead(kShelf[0], kShelf[1], kShelf[2], kShelf[3], kShelf[4]);
constexpr Stage kHighpassStage = LookAhead(1.0, -2.0, 1.0, kHighpassA1, kHighpassA2);

// y0, one output of a stage from inputs x0 (newest) .. x4 and outputs y2,
// y4, for a frame (D2: left, right) or a pair of frames (D4): every lane is
// computed by the same operations in the same order. (Vectors go by
// reference, so that one body serves code built with and without AVX.)
template <typename V>
inline void Filter(const Stage& s, const V& x0, const V& x1, const V& x2, const V& x3, const V& x4,
                   const V& y2, const V& y4, V& y0) {
    const V in = (((s.b[0] * x0 + s.b[1] * x1) + s.b[2] * x2) + s.b[3] * x3) + s.b[4] * x4;
    y0 = (in - s.c4 * y4) - s.c2 * y2;
}

// The filters' state frame by frame: left and right in the two lanes.
// Inputs x, shelf outputs y, high-pass outputs z; 1 is the newest.
struct FrameState {
    D2 x1, x2, x3, x4, y1, y2, y3, y4, z1, z2, z3, z4;
};

inline D2 Lanes(const double* v) {
    return D2{v[0], v[1]};
}

FrameState LoadState(const LoudnessMeter* m) {
    const double(*h)[2] = m->history;
    return {Lanes(h[0]), Lanes(h[1]), Lanes(h[2]), Lanes(h[3]), Lanes(h[4]),  Lanes(h[5]),
            Lanes(h[6]), Lanes(h[7]), Lanes(h[8]), Lanes(h[9]), Lanes(h[10]), Lanes(h[11])};
}

void StoreState(LoudnessMeter* m, const FrameState& f) {
    const D2 all[12] = {f.x1, f.x2, f.x3, f.x4, f.y1, f.y2, f.y3, f.y4, f.z1, f.z2, f.z3, f.z4};
    for (int k = 0; k < 12; ++k)
        for (int ch = 0; ch < 2; ++ch)
            m->history[k][ch] = all[k][ch];
}

inline D2 Sample(const unsigned char* p) {
    int16_t s[2];
    std::memcpy(s, p, sizeof s);
    return D2{double(s[0]), double(s[1])} * double(kSampleScale);
}

// One frame through both stages; returns the high-pass output.
inline D2 Weigh(FrameState& f, D2 x) {
    D2 y, z;
    Filter(kShelfStage, x, f.x1, f.x2, f.x3, f.x4, f.y2, f.y4, y);
    Filter(kHighpassStage, y, f.y1, f.y2, f.y3, f.y4, f.z2, f.z4, z);
    f.x4 = f.x3, f.x3 = f.x2, f.x2 = f.x1, f.x1 = x;
    f.y4 = f.y3, f.y3 = f.y2, f.y2 = f.y1, f.y1 = y;
    f.z4 = f.z3, f.z3 = f.z2, f.z2 = f.z1, f.z1 = z;
    return z;
}

// One frame, its square added to the lanes of its parity in the step.
void WeighFrame(LoudnessMeter* m, const unsigned char* p) {
    FrameState f = LoadState(m);
    const D2 z = Weigh(f, Sample(p));
    StoreState(m, f);
    double* lanes = m->stepSquares + 2 * (m->stepFill % 2);
    lanes[0] += z[0] * z[0];
    lanes[1] += z[1] * z[1];
}

#if TENVELO_WIDE_LANES
// Pairs of frames (D4), oldest first: left, right of one frame, then the
// next.

// The pair one frame after pair a, where b is the pair after a.
TENVELO_AVX2 inline D4 Between(D4 a, D4 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, 2, 3, 4, 5);
#else
    return __builtin_shuffle(a, b, L4{2, 3, 4, 5});
#endif
}

// The pair (history k + 1, history k).
TENVELO_AVX2 D4 PairOf(const double (*history)[2], int k) {
    return D4{history[k + 1][0], history[k + 1][1], history[k][0], history[k][1]};
}

TENVELO_AVX2 void SetPair(double (*history)[2], int k, D4 v) {
    const double older[2] = {v[0], v[1]}, newer[2] = {v[2], v[3]};
    std::memcpy(history[k + 1], older, sizeof older);
    std::memcpy(history[k], newer, sizeof newer);
}
#endif

void EndStep(LoudnessMeter* m) {
    const double* q = m->stepSquares;
    if (m->stepCount < m->capacity)
        m->steps[m->stepCount++] = ((q[0] + q[1]) + (q[2] + q[3])) / kLoudnessStepFrames;
    std::memset(m->stepSquares, 0, sizeof m->stepSquares);
    m->stepFill = 0;
}

double Lufs(double meanSquare) {
    if (!(meanSquare > 0.0)) return kNothing;
    return -0.691 + 10.0 * double(LogOfTen(float(meanSquare)));
}

// Mean of the `length` steps ending with step `last` (0-based).
double WindowMean(const LoudnessMeter* m, uint32_t last, uint32_t length) {
    double sum = 0.0;
    for (uint32_t k = last + 1 - length; k <= last; ++k)
        sum += m->steps[k];
    return sum / length;
}

double WindowAt(const LoudnessMeter* m, uint64_t frame, uint32_t length) {
    const uint64_t done = std::min<uint64_t>(frame / kLoudnessStepFrames, m->stepCount);
    if (done < length) return kNothing;
    return Lufs(WindowMean(m, uint32_t(done - 1), length));
}

// Windows of `length` steps ending every `hop` steps, into m->sorted, with
// the largest loudness among them. Returns how many.
uint32_t CollectWindows(LoudnessMeter* m, uint32_t length, uint32_t hop, double* largest) {
    uint32_t n = 0;
    double best = 0.0;
    for (uint32_t last = length - 1; last < m->stepCount; last += hop) {
        const double e = WindowMean(m, last, length);
        m->sorted[n++] = e;
        best = std::max(best, e);
    }
    *largest = Lufs(best);
    return n;
}

// Keeps the blocks above the absolute gate and relative x their mean, at
// the front of blocks. Returns how many.
uint32_t Gate(double* blocks, uint32_t n, double relative) {
    double sum = 0.0;
    uint32_t above = 0;
    for (uint32_t i = 0; i < n; ++i)
        if (blocks[i] > kAbsoluteGate) {
            sum += blocks[i];
            blocks[above++] = blocks[i];
        }
    if (above == 0) return 0;
    const double gate = sum / above * relative;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < above; ++i)
        if (blocks[i] > gate) blocks[kept++] = blocks[i];
    return kept;
}

double Integrated(LoudnessMeter* m, double* maxMomentary) {
    const uint32_t n = Gate(m->sorted, CollectWindows(m, kMomentarySteps, 1, maxMomentary),
                            kIntegratedRelativeGate);
    if (n == 0) return kNothing;
    double sum = 0.0;
    for (uint32_t i = 0; i < n; ++i)
        sum += m->sorted[i];
    return Lufs(sum / n);
}

// The 95th less the 10th percentile, each the nearest rank of the sorted
// gated blocks.
double Range(LoudnessMeter* m) {
    double unused;
    const uint32_t n = Gate(m->sorted, CollectWindows(m, kShortTermSteps, kRangeHopSteps, &unused),
                            kRangeRelativeGate);
    if (n == 0) return kNothing;
    std::sort(m->sorted, m->sorted + n);
    const double low = m->sorted[uint32_t((n - 1) * 0.10 + 0.5)];
    const double high = m->sorted[uint32_t((n - 1) * 0.95 + 0.5)];
    return Lufs(high) - Lufs(low);
}

double MaxShortTerm(LoudnessMeter* m) {
    double largest;
    CollectWindows(m, kShortTermSteps, 1, &largest);
    return largest;
}

double PeakDb(float peak) {
    return peak > 0.0f ? 20.0 * double(LogOfTen(peak)) : kNothing;
}

} // namespace

// Pairs of frames, frame by frame in two lanes.
void WeighPairsSse(LoudnessMeter* m, const unsigned char* p, uint32_t pairs) {
    FrameState f = LoadState(m);
    D2 even = {m->stepSquares[0], m->stepSquares[1]}, odd = {m->stepSquares[2], m->stepSquares[3]};
    for (uint32_t i = 0; i < pairs; ++i, p += 8) {
        const D2 a = Weigh(f, Sample(p));
        even += a * a;
        const D2 b = Weigh(f, Sample(p + 4));
        odd += b * b;
    }
    StoreState(m, f);
    const double squares[4] = {even[0], even[1], odd[0], odd[1]};
    std::memcpy(m->stepSquares, squares, sizeof squares);
}

#if TENVELO_WIDE_LANES
// WeighPairsSse with both frames of a pair in one AVX register: lane for lane
// the same operations, so the same results.
TENVELO_AVX2 void WeighPairsAvx2(LoudnessMeter* m, const unsigned char* p, uint32_t pairs) {
    double(*h)[2] = m->history;
    D4 x2 = PairOf(h, 0), x4 = PairOf(h, 2), y2 = PairOf(h, 4), y4 = PairOf(h, 6);
    D4 z2 = PairOf(h, 8), z4 = PairOf(h, 10);
    D4 x3 = Between(x4, x2), y3 = Between(y4, y2);
    D4 squares;
    std::memcpy(&squares, m->stepSquares, sizeof squares);
    for (uint32_t i = 0; i < pairs; ++i, p += 8) {
        const __m128i pcm = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const D4 x0 = reinterpret_cast<D4>(_mm256_cvtepi32_pd(_mm_cvtepi16_epi32(pcm))) *
                      double(kSampleScale);
        const D4 x1 = Between(x2, x0);
        D4 y0, z0;
        Filter(kShelfStage, x0, x1, x2, x3, x4, y2, y4, y0);
        const D4 y1 = Between(y2, y0);
        Filter(kHighpassStage, y0, y1, y2, y3, y4, z2, z4, z0);
        squares += z0 * z0;
        x4 = x2, x3 = x1, x2 = x0, y4 = y2, y3 = y1, y2 = y0, z4 = z2, z2 = z0;
    }
    std::memcpy(m->stepSquares, &squares, sizeof squares);
    SetPair(h, 0, x2), SetPair(h, 2, x4), SetPair(h, 4, y2), SetPair(h, 6, y4);
    SetPair(h, 8, z2), SetPair(h, 10, z4);
}
#endif

int LoudnessInit(LoudnessMeter* m, uint32_t maxFrames) {
    if (TruePeakInit(&m->truePeak, maxFrames)) return 1;
    LoudnessFree(m);
    return 0;
}

void LoudnessFree(LoudnessMeter* m) {
    TruePeakFree(&m->truePeak);
    std::free(m->steps);
    std::free(m->sorted);
    m->steps = m->sorted = nullptr;
    m->capacity = m->stepCount = 0;
}

LoudnessFormat LoudnessFormatOf(uint32_t rate, uint32_t channels, uint32_t channelMask) {
    // The usual speakers for each count: mono as the centre; 4: L R Ls Rs;
    // 7: L R C LFE Cs Ls Rs; 8: L R C LFE Lb Rb Ls Rs.
    static const uint32_t kUsual[kLoudnessMaxChannels + 1] = {0,    0x4,  0x3,   0x7,  0x33,
                                                              0x37, 0x3F, 0x70F, 0x63F};
    const uint32_t kLowFrequency = 0x8, kSurround = 0x10 | 0x20 | 0x100 | 0x200 | 0x400;
    LoudnessFormat f{rate, channels, {}};
    uint32_t mask = channelMask;
    if (mask == 0 && channels <= kLoudnessMaxChannels) mask = kUsual[channels];
    // Channels take the mask's bits in order; those beyond its bits count as normal.
    uint32_t bit = 1;
    for (uint32_t ch = 0; ch < channels && ch < kLoudnessMaxChannels; ++ch) {
        while (bit && !(mask & bit))
            bit <<= 1;
        f.roles[ch] = bit & kLowFrequency ? kLoudnessLeftOut
                      : bit & kSurround   ? kLoudnessSurround
                                          : kLoudnessNormal;
        bit <<= 1;
    }
    return f;
}

int LoudnessStart(LoudnessMeter* m, uint64_t frames, const LoudnessFormat& format) {
    // For now the meter measures 44100 Hz stereo alone.
    if (format.rate != 44100 || format.channels != 2 || format.roles[0] != kLoudnessNormal ||
        format.roles[1] != kLoudnessNormal)
        return 0;
    return LoudnessStart(m, frames);
}

int LoudnessStart(LoudnessMeter* m, uint64_t frames) {
    std::memset(m->history, 0, sizeof m->history);
    std::memset(m->stepSquares, 0, sizeof m->stepSquares);
    m->stepFill = 0;
    m->stepCount = 0;
    TruePeakReset(&m->truePeak);
    const uint64_t steps = frames / kLoudnessStepFrames;
    if (steps > UINT32_MAX / sizeof(double)) return 0;
    if (steps > m->capacity || !m->steps) {
        std::free(m->steps);
        std::free(m->sorted);
        const size_t n = size_t(steps) + 1;
        m->steps = static_cast<double*>(std::malloc(n * sizeof(double)));
        m->sorted = static_cast<double*>(std::malloc(n * sizeof(double)));
        m->capacity = m->steps && m->sorted ? uint32_t(steps) : 0;
        if (m->capacity == 0 && steps > 0) return 0;
    }
    return 1;
}

void LoudnessAdd(LoudnessMeter* m, const void* samples, uint32_t frames) {
    TruePeakAdd(&m->truePeak, samples, frames);
    const LaneTable* lanes = Lanes();
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    while (frames > 0) {
        // Steps hold an even number of frames: pairs start even in theirs.
        uint32_t n = std::min(frames, kLoudnessStepFrames - m->stepFill) & ~1u;
        if (m->stepFill % 2 == 1 || n == 0) {
            WeighFrame(m, p);
            n = 1;
        } else {
            lanes->weighPairs(m, p, n / 2);
        }
        p += 4 * n;
        frames -= n;
        m->stepFill += n;
        if (m->stepFill == kLoudnessStepFrames) EndStep(m);
    }
}

void LoudnessAddFloat(LoudnessMeter* m, const float* samples, uint32_t frames) {
    // For now through 16-bit samples.
    int16_t pcm[2 * 512];
    while (frames > 0) {
        const uint32_t n = std::min<uint32_t>(frames, 512);
        for (uint32_t i = 0; i < 2 * n; ++i) {
            const float v = std::max(-1.0f, std::min(32767.0f / 32768.0f, samples[i]));
            pcm[i] = int16_t(v * 32768.0f);
        }
        LoudnessAdd(m, pcm, n);
        samples += 2 * n;
        frames -= n;
    }
}

void LoudnessFinish(LoudnessMeter* m, LoudnessResult* r) {
    *r = LoudnessResult{};
    r->channels = 2;
    r->integrated = Integrated(m, &r->maxMomentary);
    r->range = Range(m);
    r->maxShortTerm = MaxShortTerm(m);
    for (uint32_t ch = 0; ch < kLoudnessMaxChannels; ++ch)
        r->truePeakDb[ch] = ch < 2 ? PeakDb(m->truePeak.peak[ch]) : kNothing;
}

double LoudnessMomentaryAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kMomentarySteps);
}

double LoudnessShortTermAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kShortTermSteps);
}
