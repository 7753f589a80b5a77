#include "meter/loudness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "meter/level_analysis.h"
#include "meter/power_of_ten.h"

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

typedef double D2 __attribute__((vector_size(16)));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

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

int LoudnessStart(LoudnessMeter* m, uint64_t frames) {
    std::memset(m->history, 0, sizeof m->history);
    m->stepSum = 0.0;
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
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    // Both channels side by side in two lanes; the state in locals for the loop.
    D2 h[6];
    for (int k = 0; k < 6; ++k)
        h[k] = D2{m->history[k][0], m->history[k][1]};
    D2 x1 = h[0], x2 = h[1], y1 = h[2], y2 = h[3], z1 = h[4], z2 = h[5];
    double stepSum = m->stepSum;
    uint32_t fill = m->stepFill;
    while (frames > 0) {
        const uint32_t n = std::min(frames, kLoudnessStepFrames - fill);
        D2 squares = {0.0, 0.0};
        for (uint32_t i = 0; i < n; ++i, p += 4) {
            int16_t l, r;
            std::memcpy(&l, p, 2);
            std::memcpy(&r, p + 2, 2);
            const D2 x = D2{double(l), double(r)} * double(kSampleScale);
            // Only the last multiply-add of each stage waits for the previous
            // output: the loop is bound by that chain, so it is kept short.
            const D2 y =
                (kShelf[0] * x + kShelf[1] * x1 + kShelf[2] * x2 - kShelf[4] * y2) - kShelf[3] * y1;
            const D2 z = ((y - 2.0 * y1 + y2) - kHighpassA2 * z2) - kHighpassA1 * z1;
            x2 = x1, x1 = x, y2 = y1, y1 = y, z2 = z1, z1 = z;
            squares += z * z;
        }
        stepSum += squares[0] + squares[1];
        fill += n;
        frames -= n;
        if (fill == kLoudnessStepFrames) {
            if (m->stepCount < m->capacity)
                m->steps[m->stepCount++] = stepSum / kLoudnessStepFrames;
            stepSum = 0.0;
            fill = 0;
        }
    }
    const D2 out[6] = {x1, x2, y1, y2, z1, z2};
    for (int k = 0; k < 6; ++k)
        for (int ch = 0; ch < 2; ++ch)
            m->history[k][ch] = out[k][ch];
    m->stepSum = stepSum;
    m->stepFill = fill;
}

void LoudnessFinish(LoudnessMeter* m, LoudnessResult* r) {
    r->integrated = Integrated(m, &r->maxMomentary);
    r->range = Range(m);
    r->maxShortTerm = MaxShortTerm(m);
    for (int ch = 0; ch < 2; ++ch)
        r->truePeakDb[ch] = PeakDb(m->truePeak.peak[ch]);
}

double LoudnessMomentaryAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kMomentarySteps);
}

double LoudnessShortTermAt(const LoudnessMeter* m, uint64_t frame) {
    return WindowAt(m, frame, kShortTermSteps);
}
