#include "tools/scan_passages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "meter/decibels.h"
#include "meter/power_of_ten.h"
#include "meter/sample_lanes.h"

namespace {

constexpr uint32_t kWindowBlocks = 10; // correlation over 100 ms
constexpr float kUnits = 32768.0f;     // 16-bit sample units per unit amplitude

typedef int16_t S4 __attribute__((vector_size(8)));

// The input layouts, read in 16-bit sample units: scaling float amplitudes
// by 2^15 is exact, so a float stream of 16-bit values finds what the 16-bit
// one finds.
struct Pcm16 {
    static constexpr uint32_t kFrameBytes = 4;
    // Two frames as left, right, left, right.
    static V4 LoadPair(const unsigned char* p) {
        S4 s;
        std::memcpy(&s, p, sizeof s);
        return __builtin_convertvector(s, V4);
    }
    static float Load(const unsigned char* p) {
        int16_t s;
        std::memcpy(&s, p, sizeof s);
        return float(s);
    }
};

struct Float32 {
    static constexpr uint32_t kFrameBytes = 8;
    static V4 LoadPair(const unsigned char* p) {
        V4 v;
        std::memcpy(&v, p, sizeof v);
        return v * kUnits;
    }
    static float Load(const unsigned char* p) {
        float s;
        std::memcpy(&s, p, sizeof s);
        return s * kUnits;
    }
};

// Peaks and sums of a piece of a block. Lanes 0 and 2 hold the left
// channel, 1 and 3 the right.
template <class In> void PieceSums(PassageFinder* f, const unsigned char* p, uint32_t frames) {
    V4 peak = {0, 0, 0, 0}, squares = peak, products = peak;
    uint32_t i = 0;
    for (; i + 2 <= frames; i += 2, p += 2 * In::kFrameBytes) {
        const V4 v = In::LoadPair(p);
        const V4 swapped = SwapPairs4(v);
        peak = Max4(peak, Abs4(v));
        squares += v * v;
        products += v * swapped;
    }
    if (i < frames) { // the odd frame, with silence beside it
        alignas(16) unsigned char last[2 * In::kFrameBytes] = {};
        std::memcpy(last, p, In::kFrameBytes);
        const V4 v = In::LoadPair(last);
        peak = Max4(peak, Abs4(v));
        squares += v * v;
        products += v * SwapPairs4(v);
    }
    f->blockPeak[0] = std::fmax(f->blockPeak[0], std::fmax(peak[0], peak[2]));
    f->blockPeak[1] = std::fmax(f->blockPeak[1], std::fmax(peak[1], peak[3]));
    f->blockSums[0] += double(squares[0]) + double(squares[2]);
    f->blockSums[1] += double(squares[1]) + double(squares[3]);
    f->blockSums[2] += double(products[0]) + double(products[2]);
}

// Counts the passage once it is long enough and keeps it while there is
// room; then follows its growth.
Passage* Grow(PassageFinder* f, OpenPassage* open, int kind, int64_t minimum) {
    if (open->length < minimum) return nullptr;
    if (!open->counted) {
        open->counted = true;
        open->index = -1;
        f->total += 1;
        if (f->count < f->capacity) {
            open->index = int32_t(f->count++);
            Passage& p = f->found[open->index];
            std::memset(&p, 0, sizeof p);
            p.kind = kind;
            p.start = open->start;
            p.lowest = 1.0f;
        }
    }
    if (open->index < 0) return nullptr;
    Passage* p = &f->found[open->index];
    p->length = open->length;
    return p;
}

void Close(OpenPassage* open) {
    *open = OpenPassage{0, 0, false, -1};
}

// Extends or starts the run of open by `frames` beginning at `at`.
void Extend(OpenPassage* open, int64_t at, int64_t frames) {
    if (open->length == 0) open->start = at;
    open->length = at + frames - open->start;
}

// A run of `run` full-scale samples so far on channel ch, ending at frame `at`.
void ClipRun(PassageFinder* f, int ch, int64_t at, int32_t run) {
    OpenPassage* open = &f->clipping;
    const int64_t runStart = at + 1 - run;
    // Clip runs less than a second apart join one passage: a clipped tone
    // would otherwise mark every half-wave.
    if (open->length > 0 && runStart - f->clipEnd >= int64_t(f->sampleRate)) Close(open);
    Extend(open, runStart, run);
    f->clipEnd = at + 1;
    if (Passage* p = Grow(f, open, kPassageClip, 1)) {
        p->channels |= 1 << ch;
        if (run > p->longest) p->longest = run;
    }
}

// Sample by sample, only for pieces that reach full scale.
template <class In> void FindClipRuns(PassageFinder* f, const unsigned char* p, uint32_t frames) {
    for (uint32_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            const float s = In::Load(p + In::kFrameBytes * size_t(i) + In::kFrameBytes / 2 * ch);
            ClipTrack& t = f->clip[ch];
            if (s < f->clipHigh && s > -kUnits) {
                t.runLength = 0;
                continue;
            }
            if (++t.runLength >= f->rules.clipRun) ClipRun(f, ch, f->position + i, t.runLength);
        }
}

void SilenceBlock(PassageFinder* f, int64_t blockStart) {
    if (f->blockPeak[0] >= f->silenceLimit || f->blockPeak[1] >= f->silenceLimit) {
        Close(&f->silence);
        return;
    }
    Extend(&f->silence, blockStart, f->blockFrames);
    Grow(f, &f->silence, kPassageSilence, int64_t(f->rules.silenceSeconds * f->sampleRate));
}

// The correlation over the last kWindowBlocks blocks, as the meters
// compute a frame's, placed at the window's middle.
void PhaseBlock(PassageFinder* f, int64_t blockStart) {
    std::memcpy(f->window[f->blocks % kWindowBlocks], f->blockSums, sizeof f->blockSums);
    if (++f->blocks < kWindowBlocks) return;
    double s[3] = {0, 0, 0};
    for (const double* b : f->window)
        for (int k = 0; k < 3; ++k)
            s[k] += b[k];
    // Sample units squared to amplitudes squared; the window's mean squares.
    const double toPower = 1.0 / (double(kUnits) * kUnits);
    const double frames = double(kWindowBlocks) * f->blockFrames;
    const float corr =
        FrameCorrelation(float(1.0 / frames), float(s[2] * toPower), float(s[0] * toPower / frames),
                         float(s[1] * toPower / frames));
    if (!(corr < f->rules.phaseBelow)) {
        Close(&f->phase);
        return;
    }
    const int64_t middle =
        blockStart + f->blockFrames - int64_t(kWindowBlocks / 2 * f->blockFrames);
    Extend(&f->phase, middle, f->blockFrames);
    const int64_t minimum = int64_t(f->rules.phaseSeconds * f->sampleRate);
    if (Passage* p = Grow(f, &f->phase, kPassagePhase, minimum))
        p->lowest = std::fmin(p->lowest, corr);
}

void BlockDone(PassageFinder* f) {
    const int64_t blockStart = f->position - f->blockFrames;
    if (f->rules.kinds & kPassageSilence) SilenceBlock(f, blockStart);
    if (f->rules.kinds & kPassagePhase) PhaseBlock(f, blockStart);
    f->blockFill = 0;
    f->blockPeak[0] = f->blockPeak[1] = 0.0f;
    f->blockSums[0] = f->blockSums[1] = f->blockSums[2] = 0.0;
}

} // namespace

int PassageFinderInit(PassageFinder* f, uint32_t capacity) {
    f->found = static_cast<Passage*>(std::calloc(capacity ? capacity : 1, sizeof(Passage)));
    f->capacity = f->found ? capacity : 0;
    return f->found != nullptr;
}

void PassageFinderFree(PassageFinder* f) {
    std::free(f->found);
    f->found = nullptr;
    f->capacity = 0;
}

void PassageFinderStart(PassageFinder* f, const PassageRules& rules, double sampleRate,
                        float clipLevel) {
    Passage* found = f->found;
    const uint32_t capacity = f->capacity;
    *f = PassageFinder{};
    f->found = found;
    f->capacity = capacity;
    f->rules = rules;
    f->sampleRate = sampleRate;
    f->blockFrames = uint32_t(std::max(1.0, std::round(sampleRate / 100.0)));
    f->silenceLimit = kUnits * PowerOfTen(float(rules.silenceDb / 20.0));
    f->clipHigh = kUnits * clipLevel;
    Close(&f->clipping);
    Close(&f->phase);
    Close(&f->silence);
}

namespace {

template <class In> void AddFrames(PassageFinder* f, const void* samples, uint32_t frames) {
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    while (frames > 0) {
        const uint32_t room = f->blockFrames - f->blockFill;
        const uint32_t n = frames < room ? frames : room;
        const float before[2] = {f->blockPeak[0], f->blockPeak[1]};
        f->blockPeak[0] = f->blockPeak[1] = 0.0f;
        PieceSums<In>(f, p, n);
        const bool clipped = f->blockPeak[0] >= f->clipHigh || f->blockPeak[1] >= f->clipHigh;
        if ((f->rules.kinds & kPassageClip) && clipped)
            FindClipRuns<In>(f, p, n);
        else
            f->clip[0].runLength = f->clip[1].runLength = 0;
        f->blockPeak[0] = std::fmax(before[0], f->blockPeak[0]);
        f->blockPeak[1] = std::fmax(before[1], f->blockPeak[1]);
        f->position += n;
        f->blockFill += n;
        p += In::kFrameBytes * size_t(n);
        frames -= n;
        if (f->blockFill == f->blockFrames) BlockDone(f);
    }
}

} // namespace

void PassageFinderAdd(PassageFinder* f, const void* samples, uint32_t frames) {
    AddFrames<Pcm16>(f, samples, frames);
}

void PassageFinderAddFloat(PassageFinder* f, const float* samples, uint32_t frames) {
    AddFrames<Float32>(f, samples, frames);
}

void PassageName(const Passage& p, double sampleRate, char* out, int size) {
    static const char* const kChannels[] = {"", "L", "R", "LR"};
    if (p.kind == kPassageClip)
        std::snprintf(out, size_t(size), "clip %s %d samples", kChannels[p.channels & 3],
                      int(p.longest));
    else if (p.kind == kPassagePhase)
        std::snprintf(out, size_t(size), "phase %.2f for %.1f s", double(p.lowest),
                      double(p.length) / sampleRate);
    else
        std::snprintf(out, size_t(size), "silence %.1f s", double(p.length) / sampleRate);
}
