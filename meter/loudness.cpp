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

// The K-weighting's analogue prototypes, as the reference design gives
// them: a high shelf of +4 dB and a high-pass. Turned into biquads for the
// stream's rate; at 44100 Hz this gives, to the bit, the coefficients the
// meter was written with when 44100 Hz was its only rate (a test holds it).
constexpr double kShelfHz = 1681.974450955533;
constexpr double kShelfQ = 0.7071752369554196;
constexpr double kShelfVh = 1.5848647011308556; // 10^(3.999843853973347 dB / 20)
constexpr double kShelfVb = 1.2587209302325617; // kShelfVh^0.4996667741545416
constexpr double kHighpassHz = 38.13547087602444;
constexpr double kHighpassQ = 0.5003270373238773;
constexpr double kPi = 3.14159265358979323846;

// Mean square of -70 LUFS: blocks at or below it are silence to the gates.
constexpr double kAbsoluteGate = 1.1724653045822981e-07;
constexpr double kIntegratedRelativeGate = 0.1; // -10 LU
constexpr double kRangeRelativeGate = 0.01;     // -20 LU
constexpr uint32_t kRangeHopSteps = 10;         // short-term blocks for the range, 1 s apart
constexpr uint32_t kRecentSteps = kShortTermSteps + 1;
constexpr double kSurroundWeight = 1.41; // +1.5 dB, as BS.1770 rounds it

constexpr double kNothing = -std::numeric_limits<double>::infinity();

// tan x for 0 < x < 0.7 from the series of sine and cosine (Horner, 13
// terms each: the last below 1e-25), in double arithmetic alone, so that
// every build designs the same filters.
double Tangent(double x) {
    const double x2 = x * x;
    double sine = 1.0, cosine = 1.0;
    for (int k = 26; k >= 2; k -= 2) {
        sine = 1.0 - x2 / (k * (k + 1)) * sine;
        cosine = 1.0 - x2 / ((k - 1) * k) * cosine;
    }
    return x * sine / cosine;
}

// A K-weighting stage b0 b1 b2 / 1 a1 a2 with numerator and denominator
// multiplied by 1 - a1 z^-1 + a2 z^-2: y[n] = b[0] x[n] + .. + b[4] x[n - 4]
// - c2 y[n - 2] - c4 y[n - 4]. The poles this adds (the stage's own,
// mirrored) are cancelled by the zeros it adds. An output now waits only on
// the one two frames back, so two frames go through together.
constexpr LoudnessStage LookAhead(double b0, double b1, double b2, double a1, double a2) {
    return {{b0, b1 - b0 * a1, b2 - b1 * a1 + b0 * a2, b1 * a2 - b2 * a1, b2 * a2},
            2.0 * a2 - a1 * a1,
            a2 * a2};
}

// The two stages for a rate by the bilinear transform with the prototypes'
// frequencies prewarped, as the reference design does.
void Design(uint32_t rate, LoudnessStage* shelf, LoudnessStage* highpass) {
    double k = Tangent(kPi * kShelfHz / rate);
    double a0 = 1.0 + k / kShelfQ + k * k;
    *shelf =
        LookAhead((kShelfVh + kShelfVb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - kShelfVh) / a0,
                  (kShelfVh - kShelfVb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                  (1.0 - k / kShelfQ + k * k) / a0);
    k = Tangent(kPi * kHighpassHz / rate);
    a0 = 1.0 + k / kHighpassQ + k * k;
    *highpass =
        LookAhead(1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / kHighpassQ + k * k) / a0);
}

// A stage's coefficients in every lane of V, set once before a loop.
template <typename V> struct StageLanes { V b[5], c2, c4; };

template <typename V> StageLanes<V> Spread(const LoudnessStage& s) {
    StageLanes<V> l;
    for (int k = 0; k < 5; ++k)
        l.b[k] = V{} + s.b[k];
    l.c2 = V{} + s.c2;
    l.c4 = V{} + s.c4;
    return l;
}

// y0, one output of a stage from inputs x0 (newest) .. x4 and outputs y2,
// y4, for a frame (D2: two channels) or a pair of frames (D4): every lane is
// computed by the same operations in the same order. (Vectors go by
// reference, so that one body serves code built with and without AVX.)
template <typename V>
inline void Filter(const StageLanes<V>& s, const V& x0, const V& x1, const V& x2, const V& x3,
                   const V& x4, const V& y2, const V& y4, V& y0) {
    const V in = (((s.b[0] * x0 + s.b[1] * x1) + s.b[2] * x2) + s.b[3] * x3) + s.b[4] * x4;
    y0 = (in - s.c4 * y4) - s.c2 * y2;
}

// The filters' state frame by frame: a pair's two channels in the two
// lanes. Inputs x, shelf outputs y, high-pass outputs z; 1 is the newest.
struct FrameState {
    D2 x1, x2, x3, x4, y1, y2, y3, y4, z1, z2, z3, z4;
};

inline D2 Lanes(const double* v) {
    return D2{v[0], v[1]};
}

FrameState LoadState(const LoudnessPair* pair) {
    const double(*h)[2] = pair->history;
    return {Lanes(h[0]), Lanes(h[1]), Lanes(h[2]), Lanes(h[3]), Lanes(h[4]),  Lanes(h[5]),
            Lanes(h[6]), Lanes(h[7]), Lanes(h[8]), Lanes(h[9]), Lanes(h[10]), Lanes(h[11])};
}

void StoreState(LoudnessPair* pair, const FrameState& f) {
    const D2 all[12] = {f.x1, f.x2, f.x3, f.x4, f.y1, f.y2, f.y3, f.y4, f.z1, f.z2, f.z3, f.z4};
    for (int k = 0; k < 12; ++k)
        for (int ch = 0; ch < 2; ++ch)
            pair->history[k][ch] = all[k][ch];
}

// One frame through both stages; returns the high-pass output.
inline D2 Weigh(FrameState& f, const StageLanes<D2>& shelf, const StageLanes<D2>& highpass, D2 x) {
    D2 y, z;
    Filter(shelf, x, f.x1, f.x2, f.x3, f.x4, f.y2, f.y4, y);
    Filter(highpass, y, f.y1, f.y2, f.y3, f.y4, f.z2, f.z4, z);
    f.x4 = f.x3, f.x3 = f.x2, f.x2 = f.x1, f.x1 = x;
    f.y4 = f.y3, f.y3 = f.y2, f.y2 = f.y1, f.y1 = y;
    f.z4 = f.z3, f.z3 = f.z2, f.z2 = f.z1, f.z1 = z;
    return z;
}

// The samples of a pair's two channels in frame i, as amplitudes. Stereo:
// channels 0 and 1 of stereo frames; Any: channels a and b of frames of
// `stride` samples.
struct Stereo16 {
    const unsigned char* p;
    D2 operator()(uint32_t i) const {
        int16_t s[2];
        std::memcpy(s, p + 4 * size_t(i), sizeof s);
        return D2{double(s[0]), double(s[1])} * double(kSampleScale);
    }
};

struct Any16 {
    const int16_t* p;
    LanePair l;
    D2 operator()(uint32_t i) const {
        const int16_t* f = p + size_t(i) * l.stride;
        return D2{double(f[l.a]), double(f[l.b])} * double(kSampleScale);
    }
};

// A float sample as the meter reads it: NaN, infinities and magnitudes
// beyond kFloatSampleLimit as silence, so that one bad sample cannot
// poison the filters for the rest of the stream.
template <typename V> inline void MakeReadable(V& v) {
    typedef decltype(v > v) Mask;
    const Mask inside = (v >= -double(kFloatSampleLimit)) & (v <= double(kFloatSampleLimit));
    v = reinterpret_cast<V>(reinterpret_cast<Mask>(v) & inside);
}

struct StereoFloat {
    const float* p;
    D2 operator()(uint32_t i) const {
        const float* f = p + 2 * size_t(i);
        D2 v = {double(f[0]), double(f[1])};
        MakeReadable(v);
        return v;
    }
};

struct AnyFloat {
    const float* p;
    LanePair l;
    D2 operator()(uint32_t i) const {
        const float* f = p + size_t(i) * l.stride;
        D2 v = {double(f[l.a]), double(f[l.b])};
        MakeReadable(v);
        return v;
    }
};

// Pairs of frames, frame by frame in two lanes.
template <typename Read>
void WeighPairsWith(LoudnessPair* pair, const LoudnessStage* stages, Read read, uint32_t pairs) {
    const StageLanes<D2> shelf = Spread<D2>(stages[0]), highpass = Spread<D2>(stages[1]);
    FrameState f = LoadState(pair);
    const double* q = pair->stepSquares;
    D2 even = {q[0], q[1]}, odd = {q[2], q[3]};
    for (uint32_t i = 0; i < pairs; ++i) {
        const D2 a = Weigh(f, shelf, highpass, read(2 * i));
        even += a * a;
        const D2 b = Weigh(f, shelf, highpass, read(2 * i + 1));
        odd += b * b;
    }
    StoreState(pair, f);
    const double squares[4] = {even[0], even[1], odd[0], odd[1]};
    std::memcpy(pair->stepSquares, squares, sizeof squares);
}

// One frame, its square added to the lanes of its parity in the step.
template <typename Read>
void WeighFrameWith(LoudnessPair* pair, const LoudnessStage* stages, Read read, uint32_t parity) {
    FrameState f = LoadState(pair);
    const D2 z = Weigh(f, Spread<D2>(stages[0]), Spread<D2>(stages[1]), read(0));
    StoreState(pair, f);
    double* lanes = pair->stepSquares + 2 * parity;
    lanes[0] += z[0] * z[0];
    lanes[1] += z[1] * z[1];
}

#if TENVELO_WIDE_LANES
// Pairs of frames (D4), oldest first: both lanes of one frame, then of the
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

// WeighPairsWith with both frames of a pair in one AVX register: lane for
// lane the same operations, so the same results. Load gives pair i's four
// samples as amplitudes.
template <typename Load>
TENVELO_AVX2 inline void WeighPairsWide(LoudnessPair* pair, const LoudnessStage* stages, Load load,
                                        uint32_t pairs) {
    const StageLanes<D4> shelf = Spread<D4>(stages[0]), highpass = Spread<D4>(stages[1]);
    double(*h)[2] = pair->history;
    D4 x2 = PairOf(h, 0), x4 = PairOf(h, 2), y2 = PairOf(h, 4), y4 = PairOf(h, 6);
    D4 z2 = PairOf(h, 8), z4 = PairOf(h, 10);
    D4 x3 = Between(x4, x2), y3 = Between(y4, y2);
    D4 squares;
    std::memcpy(&squares, pair->stepSquares, sizeof squares);
    for (uint32_t i = 0; i < pairs; ++i) {
        const D4 x0 = load(i);
        const D4 x1 = Between(x2, x0);
        D4 y0, z0;
        Filter(shelf, x0, x1, x2, x3, x4, y2, y4, y0);
        const D4 y1 = Between(y2, y0);
        Filter(highpass, y0, y1, y2, y3, y4, z2, z4, z0);
        squares += z0 * z0;
        x4 = x2, x3 = x1, x2 = x0, y4 = y2, y3 = y1, y2 = y0, z4 = z2, z2 = z0;
    }
    std::memcpy(pair->stepSquares, &squares, sizeof squares);
    SetPair(h, 0, x2), SetPair(h, 2, x4), SetPair(h, 4, y2), SetPair(h, 6, y4);
    SetPair(h, 8, z2), SetPair(h, 10, z4);
}
#endif

// The weighted sum of squares of the current step so far, pair by pair.
double StepTotal(const LoudnessMeter* m) {
    double total = 0.0;
    for (uint32_t k = 0; k < m->pairCount; ++k) {
        const double* q = m->pairs[k].stepSquares;
        const double* w = m->pairWeights[k];
        const double pairTotal = (w[0] * q[0] + w[1] * q[1]) + (w[0] * q[2] + w[1] * q[3]);
        total = k == 0 ? pairTotal : total + pairTotal;
    }
    return total;
}

// The step s places back from the current one in the recent steps' ring.
uint32_t RecentSlot(const LoudnessMeter* m, uint32_t back) {
    return uint32_t((m->stepsDone + kRecentSteps - back) % kRecentSteps);
}

void EndStep(LoudnessMeter* m, double total) {
    m->stepSum[RecentSlot(m, 0)] = total;
    if (m->stepCount < m->capacity) m->steps[m->stepCount++] = total / m->stepFrames;
    ++m->stepsDone;
    // The complete steps inside every window that ends in the next step.
    double middle = 0.0;
    for (uint32_t back = kMomentarySteps - 1; back >= 1; --back)
        middle += m->stepSum[RecentSlot(m, back)];
    m->middleMomentary = middle;
    middle = 0.0;
    for (uint32_t back = kShortTermSteps - 1; back >= 1; --back)
        middle += m->stepSum[RecentSlot(m, back)];
    m->middleShortTerm = middle;
    for (uint32_t k = 0; k < m->pairCount; ++k)
        std::memset(m->pairs[k].stepSquares, 0, sizeof m->pairs[k].stepSquares);
    m->stepFill = 0;
    m->subFill = 0;
}

// A tenth of the step is complete: the windows of 400 ms and 3 s ending
// here are the tail of the step `length` back from its same tenth, the
// complete steps between, and the current step so far.
void EndSubStep(LoudnessMeter* m) {
    const double total = StepTotal(m);
    const uint32_t j = ++m->subFill;
    m->head[RecentSlot(m, 0)][j] = total;
    const uint32_t first = RecentSlot(m, kMomentarySteps),
                   firstLong = RecentSlot(m, kShortTermSteps);
    const double momentary = ((m->stepSum[first] - m->head[first][j]) + m->middleMomentary) + total;
    const double shortTerm =
        ((m->stepSum[firstLong] - m->head[firstLong][j]) + m->middleShortTerm) + total;
    m->maxMomentarySum = std::max(m->maxMomentarySum, momentary);
    m->maxShortTermSum = std::max(m->maxShortTermSum, shortTerm);
    if (j == kLoudnessSubSteps) EndStep(m, total);
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
    if (m->stepFrames == 0) return kNothing;
    const uint64_t done = std::min<uint64_t>(frame / m->stepFrames, m->stepCount);
    if (done < length) return kNothing;
    return Lufs(WindowMean(m, uint32_t(done - 1), length));
}

// Windows of `length` steps ending every `hop` steps, into m->sorted.
// Returns how many.
uint32_t CollectWindows(LoudnessMeter* m, uint32_t length, uint32_t hop) {
    uint32_t n = 0;
    for (uint32_t last = length - 1; last < m->stepCount; last += hop)
        m->sorted[n++] = WindowMean(m, last, length);
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

double Integrated(LoudnessMeter* m) {
    const uint32_t n =
        Gate(m->sorted, CollectWindows(m, kMomentarySteps, 1), kIntegratedRelativeGate);
    if (n == 0) return kNothing;
    double sum = 0.0;
    for (uint32_t i = 0; i < n; ++i)
        sum += m->sorted[i];
    return Lufs(sum / n);
}

// The 95th less the 10th percentile, each the nearest rank of the sorted
// gated blocks.
double Range(LoudnessMeter* m) {
    const uint32_t n =
        Gate(m->sorted, CollectWindows(m, kShortTermSteps, kRangeHopSteps), kRangeRelativeGate);
    if (n == 0) return kNothing;
    std::sort(m->sorted, m->sorted + n);
    const double low = m->sorted[uint32_t((n - 1) * 0.10 + 0.5)];
    const double high = m->sorted[uint32_t((n - 1) * 0.95 + 0.5)];
    return Lufs(high) - Lufs(low);
}

double PeakDb(float peak) {
    return peak > 0.0f ? 20.0 * double(LogOfTen(peak)) : kNothing;
}

// Is the stream two channels, both measured, in their own order: the one
// the stereo loops take whole.
bool PlainStereo(const LoudnessMeter* m) {
    return m->channels == 2 && m->pairCount == 1 && m->pairChannels[0][0] == 0 &&
           m->pairChannels[0][1] == 1;
}

LanePair LanesOf(const LoudnessMeter* m, uint32_t k) {
    return {m->channels, m->pairChannels[k][0], m->pairChannels[k][1]};
}

void WeighFrames(LoudnessMeter* m, const int16_t* p, uint32_t n) {
    const LaneTable* lanes = ::Lanes();
    if (n == 1) {
        for (uint32_t k = 0; k < m->pairCount; ++k)
            WeighFrameWith(&m->pairs[k], m->stages, Any16{p, LanesOf(m, k)}, m->stepFill % 2);
    } else if (PlainStereo(m)) {
        lanes->weighPairs(&m->pairs[0], m->stages, reinterpret_cast<const unsigned char*>(p),
                          n / 2);
    } else {
        for (uint32_t k = 0; k < m->pairCount; ++k)
            lanes->weighChannelPairs(&m->pairs[k], m->stages, p, LanesOf(m, k), n / 2);
    }
}

void WeighFrames(LoudnessMeter* m, const float* p, uint32_t n) {
    const LaneTable* lanes = ::Lanes();
    if (n == 1) {
        for (uint32_t k = 0; k < m->pairCount; ++k)
            WeighFrameWith(&m->pairs[k], m->stages, AnyFloat{p, LanesOf(m, k)}, m->stepFill % 2);
    } else if (PlainStereo(m)) {
        lanes->weighFloatPairs(&m->pairs[0], m->stages, p, n / 2);
    } else {
        for (uint32_t k = 0; k < m->pairCount; ++k)
            lanes->weighFloatChannelPairs(&m->pairs[k], m->stages, p, LanesOf(m, k), n / 2);
    }
}

// Frames in runs that end at each tenth of a step; pairs of frames start
// even in their step, so that each frame's square joins the lanes of its
// parity whatever the buffers.
template <typename Sample> void AddFrames(LoudnessMeter* m, const Sample* p, uint32_t frames) {
    while (frames > 0) {
        const uint32_t end = m->subEnd[m->subFill];
        uint32_t n = std::min(frames, end - m->stepFill) & ~1u;
        if (m->stepFill % 2 == 1 || n == 0) n = 1;
        WeighFrames(m, p, n);
        p += size_t(n) * m->channels;
        frames -= n;
        m->stepFill += n;
        if (m->stepFill == end) EndSubStep(m);
    }
}

} // namespace

void WeighPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const unsigned char* p,
                   uint32_t pairs) {
    WeighPairsWith(pair, stages, Stereo16{p}, pairs);
}

void WeighFloatPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                        uint32_t pairs) {
    WeighPairsWith(pair, stages, StereoFloat{p}, pairs);
}

void WeighChannelPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const int16_t* p,
                          const LanePair& lanes, uint32_t pairs) {
    WeighPairsWith(pair, stages, Any16{p, lanes}, pairs);
}

void WeighFloatChannelPairsSse(LoudnessPair* pair, const LoudnessStage* stages, const float* p,
                               const LanePair& lanes, uint32_t pairs) {
    WeighPairsWith(pair, stages, AnyFloat{p, lanes}, pairs);
}

#if TENVELO_WIDE_LANES
TENVELO_AVX2 void WeighPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                 const unsigned char* p, uint32_t pairs) {
    WeighPairsWide(
        pair, stages,
        [p](uint32_t i) TENVELO_AVX2 {
            const __m128i pcm =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 8 * size_t(i)));
            return reinterpret_cast<D4>(_mm256_cvtepi32_pd(_mm_cvtepi16_epi32(pcm))) *
                   double(kSampleScale);
        },
        pairs);
}

TENVELO_AVX2 void WeighFloatPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                      const float* p, uint32_t pairs) {
    WeighPairsWide(
        pair, stages,
        [p](uint32_t i) TENVELO_AVX2 {
            D4 x = reinterpret_cast<D4>(_mm256_cvtps_pd(_mm_loadu_ps(p + 4 * size_t(i))));
            MakeReadable(x);
            return x;
        },
        pairs);
}

TENVELO_AVX2 void WeighChannelPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                        const int16_t* p, const LanePair& lanes, uint32_t pairs) {
    const LanePair l = lanes;
    WeighPairsWide(
        pair, stages,
        [p, l](uint32_t i) TENVELO_AVX2 {
            const int16_t* f = p + 2 * size_t(i) * l.stride;
            const int16_t* g = f + l.stride;
            return D4{double(f[l.a]), double(f[l.b]), double(g[l.a]), double(g[l.b])} *
                   double(kSampleScale);
        },
        pairs);
}

TENVELO_AVX2 void WeighFloatChannelPairsAvx2(LoudnessPair* pair, const LoudnessStage* stages,
                                             const float* p, const LanePair& lanes,
                                             uint32_t pairs) {
    const LanePair l = lanes;
    WeighPairsWide(
        pair, stages,
        [p, l](uint32_t i) TENVELO_AVX2 {
            const float* f = p + 2 * size_t(i) * l.stride;
            const float* g = f + l.stride;
            D4 x = {double(f[l.a]), double(f[l.b]), double(g[l.a]), double(g[l.b])};
            MakeReadable(x);
            return x;
        },
        pairs);
}
#endif

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

int LoudnessInit(LoudnessMeter* m, uint32_t maxFrames) {
    if (TruePeakInit(&m->truePeak, maxFrames) && LoudnessStart(m, 0)) return 1;
    LoudnessFree(m);
    return 0;
}

void LoudnessFree(LoudnessMeter* m) {
    TruePeakFree(&m->truePeak);
    std::free(m->steps);
    std::free(m->sorted);
    m->steps = m->sorted = nullptr;
    m->capacity = m->stepCount = 0;
    m->channels = m->pairCount = 0;
}

// Sets the format and what follows from it; false when it is outside the
// meter's ranges.
static bool SetFormat(LoudnessMeter* m, const LoudnessFormat& f) {
    if (f.rate < kLoudnessMinRate || f.rate > kLoudnessMaxRate || f.channels < 1 ||
        f.channels > kLoudnessMaxChannels)
        return false;
    // Measured channels two by two; a lone last one in both lanes, counted once.
    uint32_t measured[kLoudnessMaxChannels], n = 0;
    for (uint32_t ch = 0; ch < f.channels; ++ch) {
        if (f.roles[ch] > kLoudnessLeftOut) return false;
        if (f.roles[ch] != kLoudnessLeftOut) measured[n++] = ch;
    }
    m->pairCount = (n + 1) / 2;
    for (uint32_t k = 0; k < m->pairCount; ++k) {
        const uint32_t a = measured[2 * k], b = 2 * k + 1 < n ? measured[2 * k + 1] : a;
        m->pairChannels[k][0] = uint8_t(a);
        m->pairChannels[k][1] = uint8_t(b);
        const double weights[2] = {f.roles[a] == kLoudnessSurround ? kSurroundWeight : 1.0,
                                   f.roles[b] == kLoudnessSurround ? kSurroundWeight : 1.0};
        m->pairWeights[k][0] = weights[0];
        m->pairWeights[k][1] = b == a ? 0.0 : weights[1];
    }
    m->channels = f.channels;
    m->rate = f.rate;
    m->stepFrames = (f.rate + 5) / 10;
    // Tenths end on even frames, where the pairs' loops can stop.
    for (uint32_t j = 0; j + 1 < kLoudnessSubSteps; ++j)
        m->subEnd[j] = ((j + 1) * m->stepFrames / kLoudnessSubSteps) & ~1u;
    m->subEnd[kLoudnessSubSteps - 1] = m->stepFrames;
    Design(f.rate, &m->stages[0], &m->stages[1]);
    return true;
}

int LoudnessStart(LoudnessMeter* m, uint64_t frames, const LoudnessFormat& format) {
    std::memset(m->pairs, 0, sizeof m->pairs);
    std::memset(m->stepSum, 0, sizeof m->stepSum);
    std::memset(m->head, 0, sizeof m->head);
    m->middleMomentary = m->middleShortTerm = 0.0;
    m->maxMomentarySum = m->maxShortTermSum = 0.0;
    m->stepFill = m->subFill = 0;
    m->stepCount = 0;
    m->stepsDone = 0;
    if (!SetFormat(m, format)) {
        m->channels = m->pairCount = 0;
        TruePeakStart(&m->truePeak, 0, kLoudnessMinRate);
        return 0;
    }
    TruePeakStart(&m->truePeak, format.channels, format.rate);
    const uint64_t steps = frames / m->stepFrames;
    if (steps > UINT32_MAX / sizeof(double)) return 0;
    if (steps > m->capacity || !m->steps) {
        std::free(m->steps);
        std::free(m->sorted);
        const size_t n = size_t(steps) + 1;
        m->steps = static_cast<double*>(std::malloc(n * sizeof(double)));
        m->sorted = static_cast<double*>(std::malloc(n * sizeof(double)));
        m->capacity = m->steps && m->sorted ? uint32_t(steps) : 0;
        if (m->capacity == 0 && steps > 0) {
            m->channels = m->pairCount = 0;
            TruePeakStart(&m->truePeak, 0, kLoudnessMinRate);
            return 0;
        }
    }
    return 1;
}

int LoudnessStart(LoudnessMeter* m, uint64_t frames) {
    return LoudnessStart(m, frames, LoudnessFormatOf(44100, 2, 0));
}

void LoudnessAdd(LoudnessMeter* m, const void* samples, uint32_t frames) {
    if (m->channels == 0) return;
    TruePeakAdd(&m->truePeak, samples, frames);
    AddFrames(m, static_cast<const int16_t*>(samples), frames);
}

void LoudnessAddFloat(LoudnessMeter* m, const float* samples, uint32_t frames) {
    if (m->channels == 0) return;
    TruePeakAddFloat(&m->truePeak, samples, frames);
    AddFrames(m, samples, frames);
}

void LoudnessFinish(LoudnessMeter* m, LoudnessResult* r) {
    r->integrated = Integrated(m);
    r->range = Range(m);
    const double stepFrames = m->stepFrames;
    r->maxMomentary = Lufs(m->maxMomentarySum / (kMomentarySteps * stepFrames));
    r->maxShortTerm = Lufs(m->maxShortTermSum / (kShortTermSteps * stepFrames));
    r->channels = m->channels;
    for (uint32_t ch = 0; ch < kLoudnessMaxChannels; ++ch)
        r->truePeakDb[ch] = ch < m->channels ? PeakDb(m->truePeak.peak[ch]) : kNothing;
}

double LoudnessMomentaryAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kMomentarySteps);
}

double LoudnessShortTermAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kShortTermSteps);
}
